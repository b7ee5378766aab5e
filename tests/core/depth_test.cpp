// Raising and reducing the colour depth against a plain step-by-step reference written from the
// description of each routine: pixels through getpixel and setpixel, the nearest colour by a
// search over the palette, the palette of boxes by the recursive sort as described.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "depth/ColourDepth.h"
#include "depth/httables.h"

namespace tessaro {
namespace {

// ---- The reference ----------------------------------------------------------------------

void refEntry(TDib& t, int i, int r, int g, int b) {
  t.LogPalette.palPalEntry[i].peRed = uint8_t(r);
  t.LogPalette.palPalEntry[i].peGreen = uint8_t(g);
  t.LogPalette.palPalEntry[i].peBlue = uint8_t(b);
  t.colors()[i] = RgbQuad{uint8_t(b), uint8_t(g), uint8_t(r), 0};
}
void refRebuild(TDib& t) { t.Palette = std::make_unique<PaletteObject>(t.LogPalette); }

// Colour of pixel (x, stored row y) of a 24- or 8-bit picture, as (r, g, b).
RgbTriple refStored(const TDib& p, int x, int y) {
  const uint8_t* row = p.Bits + size_t(y) * size_t(p.RowBytes);
  if (DibBitCount(p) == 24) return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
  const PaletteEntry& e = p.LogPalette.palPalEntry[row[x]];
  return {e.peRed, e.peGreen, e.peBlue};
}

TDib refUp(const TDib& src, int bits, const RandomByteFn& random) {
  const int sb = DibBitCount(src), w = DibWidth(src), h = DibHeight(src);
  if (sb == 24) return {};
  TDib t = newdib(w, h, bits, nullptr, 0);
  auto arbitrary = [&](int i) {
    const int r = random() & 0xfc, g = random() & 0xfc, b = random() & 0xfc;
    refEntry(t, i, r, g, b);
  };
  if (sb == 4 && bits == 8) {
    for (int i = 0; i < 16; ++i) {
      const PaletteEntry& e = src.LogPalette.palPalEntry[i];
      refEntry(t, i, e.peRed, e.peGreen, e.peBlue);
    }
    for (int i = 16; i < 256; ++i) arbitrary(i);
    refRebuild(t);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t byte = src.Bits[size_t(y) * size_t(src.RowBytes) + size_t(x / 2)];
        t.Bits[size_t(y) * size_t(t.RowBytes) + size_t(x)] = x % 2 == 0 ? byte >> 4 : byte & 15;
      }
  } else if (sb == 1 && (bits == 8 || bits == 4)) {
    const int last = bits == 8 ? 255 : 15;
    refEntry(t, 0, 0, 0, 0);
    for (int i = 1; i < last; ++i) arbitrary(i);
    refEntry(t, last, 255, 255, 255);
    refRebuild(t);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) setpixel(t, x, y, getpixel(src, x, y) == 0 ? 0 : last);
  } else if (sb == 1 && bits == 24) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) setpixel(t, x, y, getpixel(src, x, y) == 0 ? 0 : 0xffffff);
  } else if ((sb == 4 || sb == 8) && bits == 24) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t* row = src.Bits + size_t(y) * size_t(src.RowBytes);
        const int index = sb == 8 ? row[x] : (x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 15);
        const PaletteEntry& e = src.LogPalette.palPalEntry[index];
        uint8_t* out = t.Bits + size_t(y) * size_t(t.RowBytes) + size_t(3 * x);
        out[0] = e.peBlue, out[1] = e.peGreen, out[2] = e.peRed;
      }
  } else {
    return {};
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

std::vector<RgbTriple> refOptimized(const TDib& src, int n, int s) {
  refHistogram.assign(32768, 0);
  refOrder.resize(32768);
  for (int k = 0; k < 32768; ++k) refOrder[size_t(k)] = uint16_t(k);
  for (int y = 0; y < DibHeight(src); ++y)
    for (int x = 0; x < DibWidth(src); ++x) {
      const RgbTriple c = refStored(src, x, y);
      const int key = (c.r >> s) * 1024 + (c.g >> s) * 32 + (c.b >> s);
      if (refHistogram[size_t(key)] == 65535)
        for (auto& v : refHistogram) v = uint16_t(v >> 1);
      refHistogram[size_t(key)]++;
    }
  refSortBins(0, 32767);
  std::vector<RgbTriple> result;
  for (int k = 0; k < n; ++k) {
    const int key = refOrder[size_t(32767 - k)];
    result.push_back({uint8_t((key >> 10) << s), uint8_t(((key >> 5) & 31) << s), uint8_t((key & 31) << s)});
  }
  return result;
}

// Source colour of pixel (x, y from the top), any depth.
RgbTriple refColour(const TDib& src, int x, int y) {
  const int v = getpixel(src, x, y);
  if (DibBitCount(src) == 24) return {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
  const PaletteEntry& e = src.LogPalette.palPalEntry[v];
  return {e.peRed, e.peGreen, e.peBlue};
}

void refDitherFS(const TDib& src, TDib& t) {
  const int w = DibWidth(src), h = DibHeight(src);
  std::vector<int16_t> rowA(size_t(w + 2) * 3, 0), rowB(size_t(w + 2) * 3, 0);
  bool flag = false;
  for (int y = 0; y < h; ++y) {
    int x, step;
    int16_t *rd, *wr;
    if (!flag) {
      x = 0, step = 1, rd = rowA.data(), wr = rowB.data(), flag = true;
    } else {
      x = w - 1, step = -1, rd = rowB.data(), wr = rowA.data(), flag = false;
    }
    int R = 1, P = w;
    wr[P * 3] = wr[P * 3 + 1] = wr[P * 3 + 2] = 0;
    for (int k = 0; k < w; ++k) {
      const RgbTriple c = refColour(src, x, y);
      const int source[3] = {c.b, c.g, c.r};
      int v[3];
      for (int ch = 0; ch < 3; ++ch) {
        v[ch] = source[ch] + (rd[R * 3 + ch] + 8) / 16;
        if (v[ch] < 0) v[ch] = 0;
        if (v[ch] > 255) v[ch] = 255;
      }
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
      x += step, ++R, --P;
    }
  }
}

// The options as the dialog reads them; the combinations it lets through.
TDib refDown(const TDib& src, const DepthOptions& o) {
  const int sb = DibBitCount(src), w = DibWidth(src), h = DibHeight(src), bits = o.bits;
  const bool ok = (bits == 1 && (sb == 24 || sb == 8 || sb == 4)) || (bits == 4 && (sb == 24 || sb == 8)) ||
                  (bits == 8 && sb == 24);
  if (!ok) return {};
  const int method = int(o.method);
  TDib t = newdib(w, h, bits, nullptr, 0);
  if (bits == 1) {
    if (method == 1 || method == 2) {
      refDitherFS(src, t);
      return t;
    }
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const RgbTriple c = refColour(src, x, y);
        const int light = sb == 24 ? (c.r + c.g + c.b) / 3 : (30 * c.r + 59 * c.g + 11 * c.b) / 100;
        setpixel(t, x, y, light >= 128 ? 1 : 0);
      }
    return t;
  }
  if (bits == 4) {
    if (o.optimisedPalette) {
      const auto pal = refOptimized(src, 16, 5);
      for (int i = 0; i < 16; ++i) refEntry(t, i, pal[size_t(i)].r, pal[size_t(i)].g, pal[size_t(i)].b);
    } else {
      for (int i = 0; i < 16; ++i)
        refEntry(t, i, StdPalette16[size_t(i)].r, StdPalette16[size_t(i)].g, StdPalette16[size_t(i)].b);
    }
  } else {
    if (!o.optimisedPalette || o.systemColours)
      for (int i = 0; i < 256; ++i)
        refEntry(t, i, StdPalette256[size_t(i)].r, StdPalette256[size_t(i)].g, StdPalette256[size_t(i)].b);
    if (o.optimisedPalette) {
      const int n = o.systemColours ? 236 : 256, first = o.systemColours ? 10 : 0;
      const auto pal = refOptimized(src, n, 4);
      for (int i = 0; i < n; ++i) refEntry(t, first + i, pal[size_t(i)].r, pal[size_t(i)].g, pal[size_t(i)].b);
    }
  }
  refRebuild(t);
  if (method == 1) {
    refDitherFS(src, t);
  } else if (method == 2 && bits == 8) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const RgbTriple c = refStored(src, x, y);
        const int th = Halftone8x8[size_t((x & 7) * 8 + (y & 7))];
        auto level = [&](uint8_t v) { return DivBy51[v] + (th < ModBy51[v] ? 1 : 0); };
        const int cell = level(c.r) + Times6[size_t(level(c.g))] + Times36[size_t(level(c.b))];
        t.Bits[size_t(y) * size_t(t.RowBytes) + size_t(x)] = HalftoneXlat[size_t(cell)];
      }
  } else {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const RgbTriple c = refStored(src, x, y);
        const int index = t.Palette->nearestIndex(c.r, c.g, c.b);
        uint8_t* row = t.Bits + size_t(y) * size_t(t.RowBytes);
        if (bits == 8)
          row[x] = uint8_t(index);
        else if (x % 2 == 0)
          row[x / 2] = uint8_t((row[x / 2] & 0x0f) | (index << 4));
        else
          row[x / 2] = uint8_t((row[x / 2] & 0xf0) | index);
      }
  }
  return t;
}

// ---- Pictures and comparison --------------------------------------------------------------

// Random pixels; `colours` > 0 limits a 24-bit picture to that many colours (few boxes, many
// equal counts), palette pictures get a random palette with a repeated entry.
TDib randomPicture(int w, int h, int bits, uint32_t seed, int colours = 0) {
  std::mt19937 random(seed);
  TDib p = newdib(w, h, bits, nullptr, 0);
  if (bits <= 8) {
    for (int i = 0; i < (1 << bits); ++i)
      p.colors()[i] = RgbQuad{uint8_t(random()), uint8_t(random()), uint8_t(random()), 0};
    if (bits > 1) p.colors()[1] = p.colors()[0];
    syncPaletteFromColors(p, 1 << bits);
  }
  std::vector<int32_t> pool;
  for (int i = 0; i < colours; ++i) pool.push_back(int32_t(random() & 0xffffff));
  const int32_t mask = bits == 24 ? 0xffffff : (1 << bits) - 1;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) setpixel(p, x, y, colours ? pool[random() % pool.size()] : int32_t(random()) & mask);
  return p;
}

// Offset of the first differing byte, or -1: short messages for large pictures.
long firstDifference(const void* a, const void* b, size_t n) {
  const auto* x = static_cast<const uint8_t*>(a);
  const auto* y = static_cast<const uint8_t*>(b);
  for (size_t i = 0; i < n; ++i)
    if (x[i] != y[i]) return long(i);
  return -1;
}

void expectSameDib(const TDib& got, const TDib& want, const std::string& what) {
  ASSERT_EQ(got.empty(), want.empty()) << what;
  if (want.empty()) return;
  ASSERT_EQ(DibBitCount(got), DibBitCount(want)) << what;
  ASSERT_EQ(got.pixelBytes(), want.pixelBytes()) << what;
  EXPECT_EQ(firstDifference(got.Bits, want.Bits, want.pixelBytes()), -1) << what << ": pixels";
  EXPECT_EQ(firstDifference(got.colors(), want.colors(), 1024), -1) << what << ": colour table";
  EXPECT_EQ(firstDifference(&got.LogPalette, &want.LogPalette, sizeof(LogPaletteData)), -1) << what << ": LogPalette";
  if (DibBitCount(want) <= 8) {
    ASSERT_TRUE(got.Palette);
    EXPECT_EQ(got.Palette->size(), 1 << DibBitCount(want)) << what;
  }
}

struct Size {
  int w, h;
};
// One pixel, one row, one column, widths that fill no whole byte, and a few larger ones.
const Size kSizes[] = {{1, 1}, {7, 1}, {1, 6}, {5, 3}, {13, 9}, {33, 17}, {64, 40}};

RandomByteFn seededBytes(uint32_t seed) {
  auto engine = std::make_shared<std::mt19937>(seed);
  return [engine] { return uint8_t((*engine)()); };
}

TEST(ColourDepth, RaisingMatchesTheReferenceAtEveryStep) {
  struct Pair {
    int from, to;
  };
  // The last rows raise nothing: the result is empty.
  const Pair pairs[] = {{1, 4}, {1, 8}, {1, 24}, {4, 8}, {4, 24}, {8, 24}, {24, 24}, {8, 4}, {8, 8}, {4, 1}};
  for (const Pair& pair : pairs)
    for (const Size& s : kSizes) {
      const TDib src = randomPicture(s.w, s.h, pair.from, uint32_t(s.w * 100 + s.h + pair.to));
      const TDib before = copyDib(src);
      std::vector<int> load, retouch;
      const TDib got = DepthUpTo(src, pair.to, seededBytes(7),
                                 {[&](int p) { load.push_back(p); }, [&](int p) { retouch.push_back(p); }});
      const std::string what = std::to_string(pair.from) + "->" + std::to_string(pair.to) + " " + std::to_string(s.w) +
                               "x" + std::to_string(s.h);
      expectSameDib(got, refUp(src, pair.to, seededBytes(7)), what);
      EXPECT_EQ(firstDifference(src.Bits, before.Bits, src.pixelBytes()), -1) << what;
      EXPECT_EQ(load, retouch) << what;
      ASSERT_FALSE(load.empty());
      EXPECT_EQ(load.back(), 0) << what;
      for (int p : load) EXPECT_TRUE(p >= 0 && p <= 100) << what;
      if (s.h == 1) EXPECT_EQ(load, std::vector<int>(load.size(), 0)) << what;
    }
}

TEST(ColourDepth, ReducingMatchesTheReferenceFromEverySourceToEveryTarget) {
  using M = DepthMethod;
  struct Choice {
    bool optimised;
    M method;
    bool system;
  };
  // Every combination the dialog lets through, including a disabled "ordered" left checked.
  const Choice choices[] = {{true, M::FloydSteinberg, true},  {true, M::FloydSteinberg, false},
                            {true, M::Nearest, true},         {true, M::Nearest, false},
                            {false, M::FloydSteinberg, true}, {false, M::Nearest, false},
                            {false, M::Ordered, false},       {false, M::Ordered, true}};
  struct Source {
    int bits, colours;
  };
  const Source sources[] = {{24, 0}, {24, 5}, {8, 0}, {4, 0}, {1, 0}};
  uint32_t seed = 1;
  for (const Source& source : sources)
    for (int target : {1, 4, 8})
      for (const Choice& c : choices)
        for (const Size& s : kSizes) {
          const TDib src = randomPicture(s.w, s.h, source.bits, ++seed, source.colours);
          const DepthOptions o{target, c.optimised, c.method, c.system};
          std::vector<int> load;
          const TDib got = DepthDownTo(src, o, {[&](int p) { load.push_back(p); }, [](int) { ADD_FAILURE(); }});
          const std::string what = std::to_string(source.bits) + "->" + std::to_string(target) + " method " +
                                   std::to_string(int(c.method)) + (c.optimised ? " optimised" : " standard") +
                                   (c.system ? " system " : " ") + std::to_string(s.w) + "x" + std::to_string(s.h);
          expectSameDib(got, refDown(src, o), what);
          ASSERT_FALSE(load.empty());
          EXPECT_EQ(load.back(), 0) << what;
          for (int p : load) EXPECT_TRUE(p >= 0 && p <= 100) << what;
        }
}

}  // namespace
}  // namespace tessaro
