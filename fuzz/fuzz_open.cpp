// Feeds arbitrary bytes to the picture library's front door: every codec's probe sees them and
// the first that claims them decodes. Whatever loads must be a consistent picture.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "picture/CodecRegistry.h"
#include "picture/Limits.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessaro::MemoryInputStream in(std::span<const uint8_t>(data, size));
  int lastPercent = -1;
  const tessaro::TDib dib = tessaro::openDibFromStream(in, [&](int p) {
    if (p < lastPercent || p > 100) std::abort();
    lastPercent = p;
  });
  if (dib.empty()) return 0;
  const int bits = tessaro::DibBitCount(dib);
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) std::abort();
  if (tessaro::dibRowBytes(tessaro::DibWidth(dib), bits) != static_cast<uint64_t>(dib.RowBytes)) std::abort();
  if (dib.pixelBytes() != static_cast<size_t>(dib.RowBytes) * static_cast<size_t>(tessaro::DibHeight(dib))) std::abort();
  // Every pixel can be read; palette pictures index inside their table.
  for (int y = 0; y < tessaro::DibHeight(dib); y += 7)
    for (int x = 0; x < tessaro::DibWidth(dib); x += 7)
      if (bits <= 8 && tessaro::getpixel(dib, x, y) >= (1 << bits)) std::abort();
  return 0;
}
