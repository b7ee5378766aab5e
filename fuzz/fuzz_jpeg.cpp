// Feeds arbitrary bytes to the JPEG decoder; whatever decodes is written back out, so the
// encoder sees every shape the decoder can produce.
#include <cstddef>
#include <cstdint>

#include "picture/Stream.h"
#include "picture/codecs/Codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessaro::MemoryInputStream in(std::span<const uint8_t>(data, size));
  const tessaro::TDib dib = tessaro::jpegCodec().decode(in, nullptr);
  if (!dib.empty() && dib.pixelBytes() <= (size_t{1} << 22)) {
    tessaro::MemoryOutputStream out;
    tessaro::jpegCodec().encode(dib, out);
  }
  return 0;
}
