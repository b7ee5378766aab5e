#pragma once
// Pieces of the TGA codec open to tests. Callers outside the codec use tgaCodec() from Codecs.h.
#include <cstdint>
#include <span>

namespace tessaro::tga {

// True when the first 18 bytes form a header we can read. The format has no signature, so this
// is all that tells a TGA file from anything else.
bool plausibleHeader(std::span<const uint8_t> head);

}  // namespace tessaro::tga
