#pragma once
// Pieces of the PCX codec open to tests. Callers outside the codec use pcxCodec() from Codecs.h.
#include <cstdint>
#include <span>
#include <vector>

namespace tessaro::pcx {

// Appends the run-length form of one plane line: runs of at most 63 bytes, and every byte with
// both top bits set written as a run so that it cannot be taken for a count.
void encodeRuns(std::span<const uint8_t> data, std::vector<uint8_t>& out);

}  // namespace tessaro::pcx
