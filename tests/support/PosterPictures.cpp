#include "support/PosterPictures.h"

namespace tessaro::test {

namespace {
constexpr uint8_t kBlockBlue = 77;  // marks block colours apart from black, white and red
}

Color blockColor(int32_t bx, int32_t by) {
  return rgbColor(static_cast<uint8_t>(10 + 20 * bx), static_cast<uint8_t>(10 + 20 * by), kBlockBlue);
}

std::optional<std::pair<int32_t, int32_t>> blockOf(Color c) {
  if (colorBlue(c) != kBlockBlue || colorRed(c) < 10 || colorGreen(c) < 10) return std::nullopt;
  if ((colorRed(c) - 10) % 20 != 0 || (colorGreen(c) - 10) % 20 != 0) return std::nullopt;
  return std::make_pair((colorRed(c) - 10) / 20, (colorGreen(c) - 10) / 20);
}

void setColor(TDib& dib, int32_t x, int32_t y, Color c) {
  // 24-bit pixels hold blue, green, red from the low byte up.
  setpixel(dib, x, y, colorBlue(c) | (colorGreen(c) << 8) | (colorRed(c) << 16));
}

TDib blockPicture(int32_t width, int32_t height, int32_t blocksX, int32_t blocksY) {
  TDib dib = newdib(width, height, 24, nullptr, 0);
  const int32_t bw = width / blocksX, bh = height / blocksY;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) setColor(dib, x, y, blockColor(x / bw, y / bh));
  }
  return dib;
}

PosterState wholeSheets(int32_t nx, int32_t ny) {
  PosterState p;
  p.SheetsX = nx;
  p.SheetsY = ny;
  p.PosterWidth = nx;
  p.PosterHeight = ny;
  return p;
}

}  // namespace tessaro::test
