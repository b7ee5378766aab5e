#pragma once
// Pieces of the IFF/LBM codec open to tests. Callers outside the codec use ilbmCodec() from
// Codecs.h.
#include <cstdint>
#include <span>
#include <vector>

namespace tessaro::ilbm {

// Appends the ByteRun1 form of one plane row: literal groups of at most 128 bytes and runs of
// 3 to 128 equal bytes.
void encodeByteRun1(std::span<const uint8_t> data, std::vector<uint8_t>& out);

}  // namespace tessaro::ilbm
