// Worked cases of the colour-depth routines, values computed by hand from the description: the
// box sort's order of equal counts, halving at 65535, the boxes of a one-colour picture, the 1-bit
// thresholds and serpentine error diffusion.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

#include "depth/ColourDepth.h"
#include "depth/DitherFS.h"
#include "depth/OptimizedPalette.h"
#include "picture/httables.h"

namespace tessaro {
namespace {

TDib filled(int w, int h, int bits, int32_t value) {
  TDib p = newdib(w, h, bits, nullptr, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) setpixel(p, x, y, value);
  return p;
}

RgbTriple entry(const TDib& p, int i) {
  const PaletteEntry& e = p.LogPalette.palPalEntry[i];
  return {e.peRed, e.peGreen, e.peBlue};
}

TEST(ColourDepthCases, OptimisedPaletteSortOrderHalvingAndBoxes) {
  const std::vector<uint16_t> counts[] = {{2, 2, 2, 2, 2}, {3, 1, 3, 0, 1}, {1, 0, 2, 0, 1, 2, 0}};
  const std::vector<uint16_t> sortedKeys[] = {{3, 4, 2, 0, 1}, {3, 1, 4, 0, 2}, {3, 6, 1, 0, 4, 2, 5}};
  for (size_t i = 0; i < 3; ++i) {
    std::vector<uint16_t> h = counts[i], order(h.size());
    std::iota(order.begin(), order.end(), uint16_t{0});
    SortBins(h, order, 0, int32_t(h.size()) - 1);
    EXPECT_EQ(order, sortedKeys[i]);
  }

  // (200, 100, 50): box 6241 at shift 5, 12483 at shift 4, shown as its lower corner.
  const TDib one = filled(3, 2, 24, (200 << 16) | (100 << 8) | 50);
  struct Row {
    int bits;
    bool system;
    int at;
    RgbTriple colour;
  };
  for (const Row& r :
       {Row{4, false, 0, {192, 96, 32}}, Row{8, false, 0, {192, 96, 48}}, Row{8, true, 10, {192, 96, 48}}}) {
    const TDib got = DepthDownTo(one, {r.bits, true, DepthMethod::Nearest, r.system});
    EXPECT_EQ(entry(got, r.at), r.colour) << r.bits;
    EXPECT_EQ(getpixel(got, 2, 1), r.at);
    for (int i : {0, 9, 246, 255})
      if (r.system) EXPECT_EQ(entry(got, i), StdPalette256[size_t(i)]) << i;
  }

  // A counts to 65535, B to 40000; the next A halves all (A 32767 + 1, B 20000), so 20000 more B
  // outrank A although A was seen more often.
  const int w = 1000, h = 126;
  TDib p = newdib(w, h, 24, nullptr, 0);
  const RgbTriple a{16, 32, 48}, b{64, 80, 96}, c{240, 240, 240};
  int i = 0;
  auto put = [&](RgbTriple col, int n) {
    const uint8_t bgr[3] = {col.b, col.g, col.r};
    for (; n > 0; --n, ++i) std::memcpy(p.storedRow(i / w) + 3 * (i % w), bgr, 3);
  };
  put(a, 65535), put(b, 40000), put(a, 1), put(b, 20000), put(c, w * h - i);
  EXPECT_EQ(OptimizedPalette(p, 3, 4, {}), (std::vector<RgbTriple>{b, a, c}));
}

TEST(ColourDepthCases, OneBitThresholdsAndSerpentineDiffusion) {
  // Mean of the three bytes for true colour, 30/59/11 for palette pictures.
  struct Row {
    int bits;
    RgbTriple colour;
    int want;
  };
  for (const Row& r : {Row{24, {128, 128, 128}, 1}, Row{24, {128, 128, 127}, 0}, Row{8, {255, 0, 0}, 0},
                       Row{8, {0, 255, 0}, 1}, Row{4, {0, 0, 255}, 0}}) {
    TDib p = filled(2, 1, r.bits, r.bits == 24 ? (r.colour.r << 16) | (r.colour.g << 8) | r.colour.b : 3);
    if (r.bits != 24) {
      p.colors()[3] = RgbQuad{r.colour.b, r.colour.g, r.colour.r, 0};
      syncPaletteFromColors(p, 1 << r.bits);
    }
    EXPECT_EQ(getpixel(DepthDownTo(p, {1, true, DepthMethod::Nearest, true}), 1, 0), r.want) << int(r.colour.r);
  }

  // Grey 90 onto black and white, worked by hand slot by slot; the second row runs right to left.
  TDib target = newdib(4, 3, 1, nullptr, 0);
  DitherFS(filled(4, 3, 24, 0x5a5a5a), target, {});
  const int want[3][4] = {{0, 1, 0, 0}, {0, 0, 1, 0}, {0, 1, 0, 1}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(getpixel(target, x, y), want[y][x]) << x << "," << y;

  // Ordered dither addresses the standard palette; with the optimised one it diffuses the error
  // instead, where the dialog moves the choice.
  TDib photo = filled(19, 11, 24, 0x4080c0);
  for (int x = 0; x < 19; ++x) setpixel(photo, x, x % 11, x * 0x0d1711);
  const TDib ordered = DepthDownTo(photo, {8, true, DepthMethod::Ordered, false});
  const TDib diffused = DepthDownTo(photo, {8, true, DepthMethod::FloydSteinberg, false});
  EXPECT_EQ(0, std::memcmp(ordered.Bits, diffused.Bits, diffused.pixelBytes()));
}

}  // namespace
}  // namespace tessaro
