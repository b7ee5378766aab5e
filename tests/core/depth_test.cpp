// Raising and reducing the colour depth against a plain step-by-step reference written from the
// description of each routine: pixels through getpixel and setpixel, the nearest colour by the
// palette's linear search, the palette of boxes by the recursive sort as described.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "depth/ColourDepth.h"
#include "picture/httables.h"

namespace tessaro {
namespace {

void refEntry(TDib& t, int i, RgbTriple c) {
  t.LogPalette.palPalEntry[i] = PaletteEntry{c.r, c.g, c.b, 0};
  t.colors()[i] = RgbQuad{c.b, c.g, c.r, 0};
}

// Colour of pixel (x, y from the top), any depth.
RgbTriple refColour(const TDib& src, int x, int y) {
  const int v = getpixel(src, x, y);
  if (DibBitCount(src) == 24) return {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
  const PaletteEntry& e = src.LogPalette.palPalEntry[v];
  return {e.peRed, e.peGreen, e.peBlue};
}

TDib refUp(const TDib& src, int bits, const RandomByteFn& random) {
  const int sb = DibBitCount(src), w = DibWidth(src), h = DibHeight(src);
  const bool ok = (bits == 4 || bits == 8 || bits == 24) && (sb == 1 || sb == 4 || sb == 8) && bits > sb;
  if (!ok) return {};
  TDib t = newdib(w, h, bits, nullptr, 0);
  const int last = (1 << bits) - 1;
  if (bits < 24) {
    for (int i = 0; i <= last; ++i) {
      if (sb == 4 && i < 16) {
        const PaletteEntry& e = src.LogPalette.palPalEntry[i];
        refEntry(t, i, {e.peRed, e.peGreen, e.peBlue});
      } else if (sb == 1 && (i == 0 || i == last)) {
        refEntry(t, i, i ? RgbTriple{255, 255, 255} : RgbTriple{});
      } else {
        const uint8_t r = random() & 0xfc, g = random() & 0xfc, b = random() & 0xfc;
        refEntry(t, i, {r, g, b});
      }
    }
    t.Palette = std::make_unique<PaletteObject>(t.LogPalette);
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int v = getpixel(src, x, y);
      const RgbTriple c = refColour(src, x, y);
      if (sb == 1)
        setpixel(t, x, y, v == 0 ? 0 : (bits == 24 ? 0xffffff : last));
      else
        setpixel(t, x, y, bits == 24 ? c.r << 16 | c.g << 8 | c.b : v);
    }
  return t;
}

std::vector<uint16_t> refHistogram, refOrder;

void refSortBins(int l, int r) {
  int i = l, j = r;
  const uint16_t pivot = refHistogram[size_t((l + r) / 2)];
  do {
    while (refHistogram[size_t(i)] < pivot) ++i;
    while (pivot < refHistogram[size_t(j)]) --j;
    if (i <= j) {
      std::swap(refHistogram[size_t(i)], refHistogram[size_t(j)]);
      std::swap(refOrder[size_t(i)], refOrder[size_t(j)]);
      ++i, --j;
    }
  } while (i <= j);
  if (l < j) refSortBins(l, j);
  if (i < r) refSortBins(i, r);
}

// Fills entries first .. first + n - 1 with the n most frequent boxes; stored rows bottom first.
void refOptimized(const TDib& src, TDib& t, int first, int n, int s) {
  refHistogram.assign(32768, 0);
  refOrder.resize(32768);
  for (int k = 0; k < 32768; ++k) refOrder[size_t(k)] = uint16_t(k);
  for (int y = DibHeight(src) - 1; y >= 0; --y)
    for (int x = 0; x < DibWidth(src); ++x) {
      const RgbTriple c = refColour(src, x, y);
      const int key = (c.r >> s) * 1024 + (c.g >> s) * 32 + (c.b >> s);
      if (refHistogram[size_t(key)] == 65535)
        for (auto& v : refHistogram) v = uint16_t(v >> 1);
      refHistogram[size_t(key)]++;
    }
  refSortBins(0, 32767);
  for (int k = 0; k < n; ++k) {
    const int key = refOrder[size_t(32767 - k)];
    refEntry(t, first + k, {uint8_t((key >> 10) << s), uint8_t(((key >> 5) & 31) << s), uint8_t((key & 31) << s)});
  }
}

void refDitherFS(const TDib& src, TDib& t) {
  const int w = DibWidth(src), h = DibHeight(src);
  std::vector<int16_t> rows[2] = {std::vector<int16_t>(size_t(w + 2) * 3), std::vector<int16_t>(size_t(w + 2) * 3)};
  for (int y = 0; y < h; ++y) {
    const bool back = y % 2 == 1;  // serpentine: odd rows right to left, reading row B, writing row A
    int16_t *rd = rows[back].data(), *wr = rows[!back].data();
    int x = back ? w - 1 : 0;
    wr[w * 3] = wr[w * 3 + 1] = wr[w * 3 + 2] = 0;
    for (int R = 1, P = w; R <= w; ++R, --P, x += back ? -1 : 1) {
      const RgbTriple c = refColour(src, x, y);
      const int source[3] = {c.b, c.g, c.r};
      int v[3];
      for (int ch = 0; ch < 3; ++ch) v[ch] = std::min(255, std::max(0, source[ch] + (rd[R * 3 + ch] + 8) / 16));
      const int index = t.Palette->nearestIndex(uint8_t(v[2]), uint8_t(v[1]), uint8_t(v[0]));
      setpixel(t, x, y, index);
      const PaletteEntry& e = t.LogPalette.palPalEntry[index];
      const int got[3] = {e.peBlue, e.peGreen, e.peRed};
      for (int ch = 0; ch < 3; ++ch) {
        const int err = v[ch] - got[ch];
        wr[(P - 1) * 3 + ch] = int16_t(err);
        wr[(P + 1) * 3 + ch] = int16_t(wr[(P + 1) * 3 + ch] + 3 * err);
        wr[P * 3 + ch] = int16_t(wr[P * 3 + ch] + 5 * err);
        rd[(R + 1) * 3 + ch] = int16_t(rd[(R + 1) * 3 + ch] + 7 * err);
      }
    }
  }
}

// The options as the dialog lets them through.
TDib refDown(const TDib& src, const DepthOptions& o) {
  const int sb = DibBitCount(src), w = DibWidth(src), h = DibHeight(src), bits = o.bits;
  const bool ok = (bits == 1 && (sb == 24 || sb == 8 || sb == 4)) || (bits == 4 && (sb == 24 || sb == 8)) ||
                  (bits == 8 && sb == 24);
  if (!ok) return {};
  const int method = int(o.method);
  TDib t = newdib(w, h, bits, nullptr, 0);
  if (bits == 4) {
    for (int i = 0; i < 16; ++i) refEntry(t, i, StdPalette16[size_t(i)]);
    if (o.optimisedPalette) refOptimized(src, t, 0, 16, 5);
  } else if (bits == 8) {
    for (int i = 0; i < 256; ++i) refEntry(t, i, StdPalette256[size_t(i)]);
    if (o.optimisedPalette) refOptimized(src, t, o.systemColours ? 10 : 0, o.systemColours ? 236 : 256, 4);
  }
  t.Palette = std::make_unique<PaletteObject>(t.LogPalette);
  if (method == 1 || (bits == 1 && method == 2)) {
    refDitherFS(src, t);
    return t;
  }
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const RgbTriple c = refColour(src, x, y);
      if (bits == 1) {
        const int light = sb == 24 ? (c.r + c.g + c.b) / 3 : (30 * c.r + 59 * c.g + 11 * c.b) / 100;
        setpixel(t, x, y, light >= 128 ? 1 : 0);
      } else if (method == 2 && bits == 8) {
        const int th = Halftone8x8[size_t((x & 7) * 8 + ((h - 1 - y) & 7))];  // stored row number
        auto level = [&](uint8_t v) { return DivBy51[v] + (th < ModBy51[v] ? 1 : 0); };
        setpixel(t, x, y, HalftoneXlat[size_t(level(c.r) + Times6[size_t(level(c.g))] + Times36[size_t(level(c.b))])]);
      } else {
        setpixel(t, x, y, t.Palette->nearestIndex(c.r, c.g, c.b));
      }
    }
  return t;
}

// Random pixels; `colours` > 0 limits a 24-bit picture to that many colours (few boxes, many equal
// counts); palette pictures get a random palette with a repeated entry.
TDib randomPicture(int w, int h, int bits, uint32_t seed, int colours = 0) {
  std::mt19937 random(seed);
  TDib p = newdib(w, h, bits, nullptr, 0);
  if (bits <= 8) {
    for (int i = 0; i < (1 << bits); ++i)
      p.colors()[i] = RgbQuad{uint8_t(random()), uint8_t(random()), uint8_t(random())};
    if (bits > 1) p.colors()[1] = p.colors()[0];
    syncPaletteFromColors(p, 1 << bits);
  }
  std::vector<int32_t> pool;
  for (int i = 0; i < colours; ++i) pool.push_back(int32_t(random() & 0xffffff));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      setpixel(p, x, y, colours ? pool[random() % pool.size()] : int32_t(random() & 0xffffff));
  return p;
}

// Pixels, colour table and LogPalette byte for byte; progress within 0..100, ending at 0.
void expectSameDib(const TDib& got, const TDib& want, const std::vector<int>& progress, const std::string& what) {
  ASSERT_EQ(got.empty(), want.empty()) << what;
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), 0) << what;
  for (int p : progress) EXPECT_TRUE(p >= 0 && p <= 100) << what;
  if (want.empty()) return;
  ASSERT_EQ(DibBitCount(got), DibBitCount(want)) << what;
  ASSERT_EQ(got.pixelBytes(), want.pixelBytes()) << what;
  EXPECT_EQ(0, std::memcmp(got.Bits, want.Bits, want.pixelBytes())) << what << ": pixels";
  EXPECT_EQ(0, std::memcmp(got.colors(), want.colors(), 1024)) << what << ": colour table";
  EXPECT_EQ(0, std::memcmp(&got.LogPalette, &want.LogPalette, sizeof(LogPaletteData))) << what << ": LogPalette";
}

// One pixel, one row, one column, widths that fill no whole byte, and a few larger ones.
const std::pair<int, int> kSizes[] = {{1, 1}, {7, 1}, {1, 6}, {5, 3}, {13, 9}, {33, 17}, {64, 40}};
// 32 bits has no branch either way: nothing runs.
const int kDepths[] = {1, 4, 8, 24, 32};

RandomByteFn seededBytes(uint32_t seed) {
  auto engine = std::make_shared<std::mt19937>(seed);
  return [engine] { return uint8_t((*engine)()); };
}

TEST(ColourDepth, RaisingMatchesTheReferenceAtEveryStep) {
  for (int from : kDepths)
    for (int to : kDepths)
      for (auto [w, h] : kSizes) {
        const TDib src = randomPicture(w, h, from, uint32_t(w * 100 + h + to));
        std::vector<int> load, retouch;
        const TDib got = DepthUpTo(src, to, seededBytes(7),
                                   {[&](int p) { load.push_back(p); }, [&](int p) { retouch.push_back(p); }});
        const std::string what =
            std::to_string(from) + "->" + std::to_string(to) + " " + std::to_string(w) + "x" + std::to_string(h);
        expectSameDib(got, refUp(src, to, seededBytes(7)), load, what);
        EXPECT_EQ(load, retouch) << what;
        if (h == 1) EXPECT_EQ(load, std::vector<int>(load.size(), 0)) << what;
      }
}

TEST(ColourDepth, ReducingMatchesTheReferenceFromEverySourceToEveryTarget) {
  using M = DepthMethod;
  // Every choice the dialog lets through, "ordered" also where it stays checked but disabled.
  const DepthOptions choices[] = {{0, true, M::FloydSteinberg, true},  {0, true, M::FloydSteinberg, false},
                                  {0, true, M::Nearest, true},         {0, true, M::Nearest, false},
                                  {0, false, M::FloydSteinberg, true}, {0, false, M::Nearest, false},
                                  {0, false, M::Ordered, false},       {0, false, M::Ordered, true}};
  uint32_t seed = 1;
  for (int from : kDepths)
    for (int colours : {0, 5})
      for (int to : {1, 4, 8})
        for (DepthOptions o : choices)
          for (auto [w, h] : kSizes) {
            o.bits = to;
            const TDib src = randomPicture(w, h, from, ++seed, from == 24 ? colours : 0);
            std::vector<int> load;
            const TDib got = DepthDownTo(src, o, {[&](int p) { load.push_back(p); }, [](int) { ADD_FAILURE(); }});
            expectSameDib(got, refDown(src, o), load,
                          std::to_string(from) + "->" + std::to_string(to) + " method " +
                              std::to_string(int(o.method)) + (o.optimisedPalette ? " optimised" : " standard") +
                              (o.systemColours ? " system " : " ") + std::to_string(w) + "x" + std::to_string(h));
          }
}

}  // namespace
}  // namespace tessaro
