// Feeds arbitrary bytes to the JPEG decoder, once storing the pixels and once only checking them
// as a load for a PDF does; whatever decodes is written back out, so the encoder sees every shape
// the decoder can produce.
#include <cstddef>
#include <cstdint>

#include "picture/Stream.h"
#include "picture/codecs/Codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (const bool sourceOnly : {false, true}) {
    tessaro::MemoryInputStream in(std::span<const uint8_t>(data, size));
    if (sourceOnly) in.wantSourceOnly();
    const tessaro::TDib dib = tessaro::jpegCodec().decode(in, nullptr);
    if (!sourceOnly && !dib.empty() && dib.pixelBytes() <= (size_t{1} << 22)) {
      tessaro::MemoryOutputStream out;
      tessaro::jpegCodec().encode(dib, out);
    }
  }
  return 0;
}
