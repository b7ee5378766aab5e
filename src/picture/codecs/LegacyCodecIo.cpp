#include "picture/codecs/LegacyCodecIo.h"

#include <algorithm>
#include <cstring>

namespace tessaro::legacy {

void applyColors(TDib& dib, std::span<const RgbQuad, 256> table) {
  const int count = 1 << DibBitCount(dib);
  std::copy_n(table.begin(), count, dib.colors());
  syncPaletteFromColors(dib, count);
}

void greyRamp(std::span<RgbQuad, 256> table, int count) {
  for (int i = 0; i < count; ++i) {
    const auto v = static_cast<uint8_t>(i * 255 / (count - 1));
    table[static_cast<size_t>(i)] = rgbQuad(v, v, v);
  }
}

bool bodyHolds(InputStream& in, uint64_t bodyEnd, uint64_t least) {
  const uint64_t at = in.tell();
  if (bodyEnd >= at && bodyEnd - at >= least) return true;
  in.seek(std::min(bodyEnd, in.size()));
  in.fail(FileFault::Damaged);
  return false;
}

void rowIndices(const TDib& dib, int32_t y, std::span<uint8_t> out) {
  const uint8_t* row = dib.row(y);
  const int bits = DibBitCount(dib);
  const int32_t width = DibWidth(dib);
  for (int32_t x = 0; x < width; ++x) {
    switch (bits) {
      case 1:
        out[static_cast<size_t>(x)] = static_cast<uint8_t>((row[x >> 3] >> (7 - (x & 7))) & 1);
        break;
      case 4:
        out[static_cast<size_t>(x)] = static_cast<uint8_t>((x & 1) ? (row[x >> 1] & 0x0f) : (row[x >> 1] >> 4));
        break;
      default:
        out[static_cast<size_t>(x)] = row[x];
    }
  }
}

void putIndex(uint8_t* row, int bits, int32_t x, uint8_t v) {
  switch (bits) {
    case 1:
      if (v & 1) row[x >> 3] = static_cast<uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
      break;
    case 4:
      row[x >> 1] = static_cast<uint8_t>(row[x >> 1] | ((x & 1) ? (v & 0x0f) : ((v & 0x0f) << 4)));
      break;
    default:
      row[x] = v;
  }
}

}  // namespace tessaro::legacy
