// Feeds arbitrary bytes to the BMP reader; whatever it accepts must also be writable again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "picture/codecs/Codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessaro::MemoryInputStream in(std::span<const uint8_t>(data, size));
  int lastPercent = -1;
  const tessaro::TDib dib = tessaro::bmpCodec().decode(in, [&](int p) {
    if (p < lastPercent || p > 100) std::abort();
    lastPercent = p;
  });
  if (dib.empty()) return 0;
  tessaro::MemoryOutputStream out;
  if (!tessaro::bmpCodec().encode(dib, out) || !tessaro::rleBmpCodec().encode(dib, out)) std::abort();
  return 0;
}
