#include "depth/DepthRows.h"

namespace tessaro {

void rowColours(const TDib& picture, int32_t storedY, RgbTriple* out) {
  const int32_t w = picture.Header->biWidth;
  const uint8_t* row = picture.storedRow(storedY);
  const PaletteEntry* pal = picture.LogPalette.palPalEntry;
  auto entry = [&](int i) { return RgbTriple{pal[i].peRed, pal[i].peGreen, pal[i].peBlue}; };
  switch (picture.Header->biBitCount) {
    case 24:
      for (int32_t x = 0; x < w; ++x, row += 3) out[x] = RgbTriple{row[2], row[1], row[0]};
      break;
    case 8:
      for (int32_t x = 0; x < w; ++x) out[x] = entry(row[x]);
      break;
    case 4:
      for (int32_t x = 0; x < w; ++x) out[x] = entry((x & 1) ? (row[x >> 1] & 0x0f) : (row[x >> 1] >> 4));
      break;
    case 1:
      for (int32_t x = 0; x < w; ++x) out[x] = entry((row[x >> 3] >> (7 - (x & 7))) & 1);
      break;
    default:
      break;
  }
}

}  // namespace tessaro
