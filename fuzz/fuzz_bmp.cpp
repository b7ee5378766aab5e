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
  // A picture near the size limit decodes from a few bytes of RLE; writing it twice more would
  // only measure the fuzzer's memory limit, not the writer.
  const auto& h = *dib.Header;
  if (static_cast<int64_t>(h.biWidth) * std::abs(static_cast<int64_t>(h.biHeight)) > (int64_t{64} << 20)) return 0;
  tessaro::MemoryOutputStream out;
  if (!tessaro::bmpCodec().encode(dib, out) || !tessaro::rleBmpCodec().encode(dib, out)) std::abort();
  return 0;
}
