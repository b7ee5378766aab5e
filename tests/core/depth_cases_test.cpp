// Worked cases of the colour-depth routines, values computed by hand from the description: the
// box sort's order of equal counts, halving at 65535, the palette boxes of a one-colour picture,
// the 1-bit thresholds, serpentine error diffusion, and the nearest-colour search.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <vector>

#include "depth/ColourDepth.h"
#include "depth/DitherFS.h"
#include "depth/NearestColour.h"
#include "depth/OptimizedPalette.h"
#include "depth/httables.h"

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

TEST(ColourDepthCases, BoxSortOrdersEqualCountsAsTheQuicksortLeavesThem) {
  struct Row {
    std::vector<uint16_t> counts, sortedKeys;
  };
  const Row rows[] = {{{2, 2, 2, 2, 2}, {3, 4, 2, 0, 1}},
                      {{3, 1, 3, 0, 1}, {3, 1, 4, 0, 2}},
                      {{1, 0, 2, 0, 1, 2, 0}, {3, 6, 1, 0, 4, 2, 5}}};
  for (const Row& row : rows) {
    std::vector<uint16_t> h = row.counts, order(h.size());
    std::iota(order.begin(), order.end(), uint16_t{0});
    SortBins(h, order, 0, int32_t(h.size()) - 1);
    EXPECT_EQ(order, row.sortedKeys);
    EXPECT_TRUE(std::is_sorted(h.begin(), h.end()));
  }
}

TEST(ColourDepthCases, OptimisedPaletteBoxes) {
  // (200, 100, 50): box 6241 at shift 5, 12483 at shift 4; a palette colour is its box's corner.
  const TDib one = filled(3, 2, 24, (200 << 16) | (100 << 8) | 50);
  struct Row {
    int bits;
    bool system;
    int at;
    RgbTriple colour;
  };
  const Row rows[] = {{4, false, 0, {192, 96, 32}}, {8, false, 0, {192, 96, 48}}, {8, true, 10, {192, 96, 48}}};
  for (const Row& r : rows) {
    const TDib got = DepthDownTo(one, {r.bits, true, DepthMethod::Nearest, r.system});
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(entry(got, r.at), r.colour) << r.bits;
    EXPECT_EQ(getpixel(got, 2, 1), r.at);
    if (r.system)
      for (int i : {0, 5, 9, 246, 250, 255}) EXPECT_EQ(entry(got, i), StdPalette256[size_t(i)]) << i;
  }

  // Halving: A counts to 65535, B to 40000; the next A halves all (A 32767 + 1, B 20000), then
  // 20000 more B outrank A although A was seen more often in all.
  const int w = 1000, h = 126;
  TDib p = newdib(w, h, 24, nullptr, 0);
  const RgbTriple a{16, 32, 48}, b{64, 80, 96}, c{240, 240, 240};
  int i = 0;
  auto put = [&](RgbTriple col, int n) {
    for (; n > 0; --n, ++i) {
      uint8_t* px = p.storedRow(i / w) + 3 * (i % w);
      px[0] = col.b, px[1] = col.g, px[2] = col.r;
    }
  };
  put(a, 65535), put(b, 40000), put(a, 1), put(b, 20000), put(c, w * h - i);
  const std::vector<RgbTriple> want{b, a, c};
  EXPECT_EQ(OptimizedPalette(p, 3, 4, {}), want);
}

TEST(ColourDepthCases, OneBitThresholdsAndSerpentineDiffusion) {
  // Mean of the three bytes for true colour, 30/59/11 for palette pictures.
  struct Row {
    int bits;
    RgbTriple colour;
    int want;
  };
  const Row rows[] = {{24, {128, 128, 128}, 1}, {24, {128, 128, 127}, 0}, {24, {255, 129, 0}, 1},
                      {8, {255, 0, 0}, 0},      {8, {0, 255, 0}, 1},      {4, {0, 0, 255}, 0}};
  for (const Row& r : rows) {
    TDib p =
        r.bits == 24 ? filled(2, 1, 24, (r.colour.r << 16) | (r.colour.g << 8) | r.colour.b) : filled(2, 1, r.bits, 3);
    if (r.bits != 24) {
      p.colors()[3] = RgbQuad{r.colour.b, r.colour.g, r.colour.r, 0};
      syncPaletteFromColors(p, 1 << r.bits);
    }
    const TDib got = DepthDownTo(p, {1, true, DepthMethod::Nearest, true});
    EXPECT_EQ(getpixel(got, 1, 0), r.want) << r.bits << " " << int(r.colour.r) << "," << int(r.colour.g);
  }

  // Grey 90 onto black and white, worked by hand slot by slot; the second row runs right to left.
  const TDib grey = filled(4, 3, 24, 0x5a5a5a);
  TDib target = newdib(4, 3, 1, nullptr, 0);
  DitherFS(grey, target, {});
  const int want[3][4] = {{0, 1, 0, 0}, {0, 0, 1, 0}, {0, 1, 0, 1}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(getpixel(target, x, y), want[y][x]) << x << "," << y;

  // A palette colour exactly: that index everywhere, no error to carry.
  const TDib maroon = filled(5, 4, 24, 0x800000);
  const TDib got = DepthDownTo(maroon, {4, false, DepthMethod::FloydSteinberg, false});
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(getpixel(got, x, y), 1);
}

TEST(ColourDepthCases, NearestColourIsTheLinearSearchTiesToTheLowestIndex) {
  std::mt19937 random(11);
  auto palette = [](int n, auto colour) {
    LogPaletteData log{};
    log.palNumEntries = uint16_t(n);
    for (int i = 0; i < n; ++i) {
      const RgbTriple c = colour(i);
      log.palPalEntry[i] = PaletteEntry{c.r, c.g, c.b, 0};
    }
    return log;
  };
  const LogPaletteData palettes[] = {
      palette(256, [](int i) { return StdPalette256[size_t(i)]; }),
      palette(16, [](int i) { return StdPalette16[size_t(i)]; }),
      palette(2,
              [](int i) {
                return RgbTriple{uint8_t(255 * i), uint8_t(255 * i), uint8_t(255 * i)};
              }),
      palette(256,
              [&](int i) {
                return RgbTriple{uint8_t(random() & 0xf0), uint8_t(i & 0xc0), uint8_t(random() & 0xf0)};
              }),
      palette(256,
              [](int) {
                return RgbTriple{7, 7, 7};
              }),
      palette(7,
              [&](int) {
                return RgbTriple{uint8_t(random()), uint8_t(random()), uint8_t(random())};
              }),
      palette(0, [](int) { return RgbTriple{}; })};
  for (const LogPaletteData& log : palettes) {
    NearestColour fast(log);
    const PaletteObject linear(log);
    for (int k = 0; k < 100000; ++k) {
      const uint32_t v = random();
      const uint8_t r = uint8_t(v), g = uint8_t(v >> 8), b = uint8_t(v >> 16);
      ASSERT_EQ(fast.index(r, g, b), linear.nearestIndex(r, g, b)) << log.palNumEntries << ": " << v;
    }
  }
}

TEST(ColourDepthCases, PairsThatConvertNothingAndTheUnreachableOrderedOptimisedChoice) {
  // A 32-bit picture has no branch: nothing runs either way, and the bars end at 0.
  const TDib deep = newdib(3, 3, 32, nullptr, 0);
  ASSERT_FALSE(deep.empty());
  std::vector<int> load;
  EXPECT_TRUE(
      DepthDownTo(deep, {8, true, DepthMethod::Nearest, true}, {[&](int p) { load.push_back(p); }, {}}).empty());
  EXPECT_TRUE(DepthUpTo(deep, 24, {}, {[&](int p) { load.push_back(p); }, {}}).empty());
  EXPECT_EQ(load, std::vector<int>(load.size(), 0));

  // Ordered dither addresses the standard palette; with the optimised one it would pick wrong
  // colours, so it diffuses the error instead, as the dialog moves the choice.
  TDib photo = newdib(19, 11, 24, nullptr, 0);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 19; ++x) setpixel(photo, x, y, (x * 13) << 16 | (y * 23) << 8 | (x * y));
  const TDib ordered = DepthDownTo(photo, {8, true, DepthMethod::Ordered, false});
  const TDib diffused = DepthDownTo(photo, {8, true, DepthMethod::FloydSteinberg, false});
  ASSERT_FALSE(ordered.empty());
  EXPECT_EQ(0, std::memcmp(ordered.Bits, diffused.Bits, diffused.pixelBytes()));
}

}  // namespace
}  // namespace tessaro
