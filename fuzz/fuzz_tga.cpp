// Decodes arbitrary bytes as TGA; a picture that comes out is written back.
#include <cstddef>
#include <cstdint>

#include "picture/codecs/Codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessaro::MemoryInputStream in(std::span<const uint8_t>(data, size));
  const tessaro::Codec& codec = tessaro::tgaCodec();
  tessaro::TDib dib = codec.decode(in, [](int) {});
  if (!dib.empty()) {
    tessaro::MemoryOutputStream out;
    codec.encode(dib, out);
  }
  return 0;
}
