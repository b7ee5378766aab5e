// Halftoned copies of a picture for palette screens: every pixel goes through the ordered dither
// onto the 256-colour standard palette.
#include <array>
#include <vector>

#include "picture/DrawDib.h"
#include "picture/Limits.h"
#include "picture/httables.h"

namespace tessaro {

namespace {

bool halftoneSourceUsable(const TDib& picture) {
  if (picture.empty() || !picture.info()) return false;
  const int bits = DibBitCount(picture);
  return (bits == 1 || bits == 4 || bits == 8 || bits == 24) && DibWidth(picture) > 0 && DibHeight(picture) > 0;
}

// Colour of pixel x of a stored row, as red, green, blue.
RgbTriple sourceColour(const uint8_t* row, int bits, int32_t x, const std::array<RgbTriple, 256>& table) {
  switch (bits) {
    case 24: {
      const uint8_t* p = row + static_cast<size_t>(x) * 3;
      return RgbTriple{p[2], p[1], p[0]};
    }
    case 8:
      return table[row[x]];
    case 4:
      return table[(x & 1) ? (row[x >> 1] & 0x0f) : (row[x >> 1] >> 4)];
    default:
      return table[(row[x >> 3] >> (7 - (x & 7))) & 1];
  }
}

// Nearest source index for target index i when n source items are spread over m targets:
// the source item under the target item's centre.
int32_t centreSample(int64_t i, int64_t n, int64_t m) { return static_cast<int32_t>(((2 * i + 1) * n) / (2 * m)); }

}  // namespace

TDib DIBHalftoneDIBXY(const TDib& picture, int32_t width, int32_t height) {
  if (!halftoneSourceUsable(picture) || !dibSizeAllowed(width, height, 8)) return TDib();
  TDib out = newdib(width, height, 8, nullptr, 0);
  if (out.empty()) return out;
  for (size_t i = 0; i < StdPalette256.size(); ++i)
    out.colors()[i] = RgbQuad{StdPalette256[i].b, StdPalette256[i].g, StdPalette256[i].r, 0};
  syncPaletteFromColors(out, 256);

  const int bits = DibBitCount(picture);
  const int32_t w = DibWidth(picture), h = DibHeight(picture);
  std::array<RgbTriple, 256> table{};
  if (bits <= 8) {
    const int count = 1 << bits;
    for (int i = 0; i < count; ++i) {
      const RgbQuad& q = picture.colors()[i];
      table[static_cast<size_t>(i)] = RgbTriple{q.rgbRed, q.rgbGreen, q.rgbBlue};
    }
  }
  std::vector<int32_t> sourceX(static_cast<size_t>(width));
  for (int32_t x = 0; x < width; ++x) sourceX[static_cast<size_t>(x)] = centreSample(x, w, width);

  // Scale and dither in one pass: no full-size intermediate copy.
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src = picture.storedRow(centreSample(y, h, height));
    uint8_t* dst = out.storedRow(y);
    for (int32_t x = 0; x < width; ++x) {
      const RgbTriple c = sourceColour(src, bits, sourceX[static_cast<size_t>(x)], table);
      dst[x] = ditherIndex(c.r, c.g, c.b, x, y);
    }
  }
  touchDib(out);
  return out;
}

TDib DIBHalftoneDIB(const TDib& picture) {
  if (!halftoneSourceUsable(picture)) return TDib();
  return DIBHalftoneDIBXY(picture, DibWidth(picture), DibHeight(picture));
}

}  // namespace tessaro
