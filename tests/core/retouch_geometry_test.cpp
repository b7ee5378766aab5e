// Crop, mirrors, quarter turns and resize against plain per-pixel references: each reference
// below does what the window's routine did, pixel by pixel through getpixel and setpixel.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "picture/MirrorRotate.h"
#include "retouch/Crop.h"
#include "retouch/Resize.h"

namespace tessaro {
namespace {

TDib referenceNew(const TDib& pic, int32_t w, int32_t h) {
  const int32_t bits = DibBitCount(pic);
  return newdib(w, h, bits, pic.info(), bits <= 8 ? 1 << bits : 0);
}

// Random pixels, a colour table of its own, and every padding bit and byte set, so a routine
// that reads or copies past a row's last pixel shows up.
TDib sample(int32_t w, int32_t h, int32_t bits) {
  TDib pic = newdib(w, h, bits, nullptr, 0);
  if (bits <= 8) {
    for (int i = 0; i < (1 << bits); ++i)
      pic.colors()[i] = RgbQuad{uint8_t(i * 7 + 1), uint8_t(200 - i), uint8_t(i * 3 + 5), 0};
    syncPaletteFromColors(pic, 1 << bits);
  }
  uint32_t seed = static_cast<uint32_t>(w * 31 + h * 17 + bits);
  const int32_t mask = bits == 24 ? 0xffffff : (1 << bits) - 1;
  const size_t used = (static_cast<size_t>(w) * static_cast<size_t>(bits) + 7) / 8;
  for (int32_t y = 0; y < h; ++y) {
    std::memset(pic.row(y), 0xff, static_cast<size_t>(pic.RowBytes));
    for (size_t i = used; i < static_cast<size_t>(pic.RowBytes); ++i) pic.row(y)[i] = 0xa5;
    for (int32_t x = 0; x < w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      setpixel(pic, x, y, static_cast<int32_t>(seed >> 8) & mask);
    }
  }
  return pic;
}

std::string bytes(const uint8_t* p, size_t n) { return std::string(reinterpret_cast<const char*>(p), n); }

// Size, depth, every pixel byte and the colour table; the progress never passed 100 and ended at 0.
void expectSame(const TDib& got, const TDib& want, const std::vector<int>& progress) {
  ASSERT_FALSE(got.empty());
  ASSERT_EQ(DibWidth(got), DibWidth(want));
  ASSERT_EQ(DibHeight(got), DibHeight(want));
  ASSERT_EQ(DibBitCount(got), DibBitCount(want));
  ASSERT_EQ(got.pixelBytes(), want.pixelBytes());
  EXPECT_EQ(bytes(got.Bits, got.pixelBytes()), bytes(want.Bits, want.pixelBytes()));
  EXPECT_EQ(bytes(reinterpret_cast<const uint8_t*>(got.colors()), 1024),
            bytes(reinterpret_cast<const uint8_t*>(want.colors()), 1024));
  EXPECT_EQ(bytes(reinterpret_cast<const uint8_t*>(&got.LogPalette), sizeof(LogPaletteData)),
            bytes(reinterpret_cast<const uint8_t*>(&want.LogPalette), sizeof(LogPaletteData)));
  for (int p : progress) EXPECT_LE(p, 100);
  if (!progress.empty()) EXPECT_EQ(progress.back(), 0);
}

using Op = std::function<TDib(const TDib&, const ProgressFn&)>;

// Runs the operation on a copy, checks it left its input alone, and compares with the reference.
void check(const TDib& pic, const Op& op, const std::function<TDib(const TDib&)>& reference) {
  const TDib before = copyDib(pic);
  std::vector<int> progress;
  const TDib got = op(pic, [&](int p) { progress.push_back(p); });
  EXPECT_EQ(bytes(pic.Bits, pic.pixelBytes()), bytes(before.Bits, before.pixelBytes()));
  expectSame(got, reference(pic), progress);
}

const int32_t kDepths[] = {1, 4, 8, 24};
// Single rows and columns, widths that fill no whole byte, sizes across the tiles, and one large
// enough for the turns to split their work.
const std::pair<int32_t, int32_t> kSizes[] = {{1, 1},  {1, 7},   {7, 1},   {9, 5},   {8, 8},      {13, 11},
                                              {16, 3}, {33, 17}, {70, 67}, {131, 9}, {1031, 1043}};

TEST(RetouchGeometry, CropMatchesThePixelCopy) {
  struct Rect {
    int32_t left, top, right, bottom;  // of a W x H picture, given as offsets from its edges
  };
  const Rect rects[] = {{0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 1, 0}, {3, 2, 1, 1}, {5, 1, 3, 2}, {7, 0, 0, 3}};
  for (int32_t bits : kDepths)
    for (const auto& [w, h] : kSizes)
      for (const Rect& r : rects) {
        if (r.left + r.right >= w || r.top + r.bottom >= h) continue;
        SCOPED_TRACE(testing::Message() << bits << " bits " << w << "x" << h << " from " << r.left << "," << r.top);
        const int32_t left = r.left, top = r.top, right = w - r.right, bottom = h - r.bottom;
        check(
            sample(w, h, bits),
            [&](const TDib& p, const ProgressFn& f) { return cropDib(p, left, top, right, bottom, f); },
            [&](const TDib& p) {
              TDib out = referenceNew(p, right - left, bottom - top);
              for (int32_t y = 0; y < bottom - top; ++y)
                for (int32_t x = 0; x < right - left; ++x) setpixel(out, x, y, getpixel(p, left + x, top + y));
              return out;
            });
      }
  // Rectangles that are empty or reach outside give nothing rather than reading outside.
  const TDib pic = sample(9, 5, 8);
  for (const Rect& bad : {Rect{2, 1, 2, 4}, Rect{2, 1, 1, 1}, Rect{-1, 0, 3, 3}, Rect{0, 0, 10, 5}, Rect{0, 2, 9, 6}})
    EXPECT_TRUE(cropDib(pic, bad.left, bad.top, bad.right, bad.bottom, {}).empty());
}

TEST(RetouchGeometry, MirrorsAndTurnsMatchThePixelMapping) {
  struct Case {
    std::string name;
    Op op;
    bool turns;
    std::function<void(const TDib&, TDib&, int32_t, int32_t)> setPixel;  // old (x, y) into new
  };
  const Case cases[] = {
      {"flip h", flipHorizontal, false,
       [](const TDib& o, TDib& n, int32_t x, int32_t y) { setpixel(n, x, y, getpixel(o, DibWidth(o) - 1 - x, y)); }},
      {"flip v", flipVertical, false,
       [](const TDib& o, TDib& n, int32_t x, int32_t y) { setpixel(n, x, DibHeight(o) - 1 - y, getpixel(o, x, y)); }},
      {"left", rotateLeft, true,
       [](const TDib& o, TDib& n, int32_t x, int32_t y) { setpixel(n, y, DibWidth(o) - 1 - x, getpixel(o, x, y)); }},
      {"right", rotateRight, true,
       [](const TDib& o, TDib& n, int32_t x, int32_t y) { setpixel(n, DibHeight(o) - 1 - y, x, getpixel(o, x, y)); }},
  };
  for (const Case& c : cases)
    for (int32_t bits : kDepths)
      for (const auto& [w, h] : kSizes) {
        SCOPED_TRACE(testing::Message() << c.name << " " << bits << " bits " << w << "x" << h);
        check(sample(w, h, bits), c.op, [&](const TDib& p) {
          TDib out = c.turns ? referenceNew(p, h, w) : referenceNew(p, w, h);
          for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) c.setPixel(p, out, x, y);
          return out;
        });
      }
}

// The window's resize, pixel by pixel: 1-bit rows counted from the top, the others as stored.
TDib referenceResize(const TDib& p, int32_t nw, int32_t nh, bool interpolate) {
  const int32_t w = DibWidth(p), h = DibHeight(p), bits = DibBitCount(p);
  const int32_t stepX = (w * 1024) / nw, stepY = (h * 1024) / nh;
  TDib out = referenceNew(p, nw, nh);
  for (int32_t y = 0; y < nh; ++y)
    for (int32_t x = 0; x < nw; ++x) {
      const int32_t fx = x * stepX, fy = y * stepY, sx = fx >> 10, sy = fy >> 10;
      const uint8_t* from = p.storedRow(sy);
      uint8_t* to = out.storedRow(y);
      if (bits == 1) {
        setpixel(out, x, y, getpixel(p, sx, sy));
      } else if (bits == 4) {
        const int nibble = (sx % 2 == 0) ? from[sx / 2] >> 4 : from[sx / 2] & 15;
        to[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? nibble << 4 : nibble);
      } else if (bits == 8) {
        to[x] = from[sx];
      } else if (!interpolate || nw < w || nh < h) {
        for (int c = 0; c < 3; ++c) to[3 * x + c] = from[3 * sx + c];
      } else {
        const int32_t ax = fx % 1024, ay = fy % 1024, sx1 = std::min(sx + 1, w - 1), sy1 = std::min(sy + 1, h - 1);
        const uint8_t* below = p.storedRow(sy1);
        for (int c = 0; c < 3; ++c) {
          const int32_t upper = (from[3 * sx + c] * (1024 - ax) + from[3 * sx1 + c] * ax) >> 10;
          const int32_t lower = (below[3 * sx + c] * (1024 - ax) + below[3 * sx1 + c] * ax) >> 10;
          to[3 * x + c] = static_cast<uint8_t>((upper * (1024 - ay) + lower * ay) >> 10);
        }
      }
    }
  return out;
}

TEST(RetouchGeometry, ResizeMatchesTheFixedPointSampling) {
  const std::pair<int32_t, int32_t> targets[] = {{1, 1}, {3, 2}, {2, 9}, {17, 4}, {40, 40}, {141, 23}};
  for (int32_t bits : kDepths)
    for (const auto& [w, h] : kSizes)
      for (const auto& [nw, nh] : targets)
        for (bool interpolate : {false, true}) {
          SCOPED_TRACE(testing::Message()
                       << bits << " bits " << w << "x" << h << " to " << nw << "x" << nh << " " << interpolate);
          check(
              sample(w, h, bits),
              [&](const TDib& p, const ProgressFn& f) { return resizeDib(p, nw, nh, interpolate, f); },
              [&](const TDib& p) { return referenceResize(p, nw, nh, interpolate); });
        }
  // Worked by hand: a 2 x 1 picture of grey 0 and 200 made 4 x 2, blended and nearest.
  TDib two = newdib(2, 1, 24, nullptr, 0);
  setpixel(two, 1, 0, 0xc8c8c8);
  for (const auto& [interpolate, row] :
       {std::pair{true, std::vector<int>{0, 100, 200, 200}}, std::pair{false, std::vector<int>{0, 0, 200, 200}}}) {
    const TDib big = resizeDib(two, 4, 2, interpolate, {});
    for (int32_t y = 0; y < 2; ++y)
      for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(getpixel(big, x, y), row[static_cast<size_t>(x)] * 0x010101);
  }
  EXPECT_TRUE(resizeDib(two, 0, 5, true, {}).empty());
}

TEST(RetouchGeometry, TheResolutionKeepsThePhysicalSize) {
  // 40 x 20 pixels at 300 x 100 dpi: 0.133 x 0.2 inches, whatever is done to them.
  const std::pair<Op, Resolution> cases[] = {
      {flipHorizontal, {300, 100}},
      {flipVertical, {300, 100}},
      {rotateLeft, {100, 300}},
      {rotateRight, {100, 300}},
      {[](const TDib& p, const ProgressFn& f) { return cropDib(p, 5, 5, 15, 10, f); }, {300, 100}},
      {[](const TDib& p, const ProgressFn& f) { return resizeDib(p, 80, 10, true, f); }, {600, 50}},
      {[](const TDib& p, const ProgressFn& f) { return resizeDib(p, 30, 20, false, f); }, {225, 100}},
  };
  for (int32_t bits : {1, 24}) {
    TDib pic = sample(40, 20, bits);
    pic.Dpi = {300, 100};
    for (const auto& [op, dpi] : cases) {
      const TDib out = op(pic, {});
      EXPECT_DOUBLE_EQ(out.Dpi.x, dpi.x) << bits;
      EXPECT_DOUBLE_EQ(out.Dpi.y, dpi.y) << bits;
    }
  }
}

TEST(RetouchGeometry, CoupledHeightRoundsHalvesToEvenWithinTheEdits) {
  struct Case {
    int32_t width, origW, origH, height;
  };
  const Case cases[] = {{30, 100, 50, 15}, {33, 100, 50, 16},    {35, 100, 50, 18},        {1, 100, 50, 1},
                        {1, 3, 1, 1},      {32767, 1, 2, 32767}, {6000, 6000, 4000, 4000}, {5, 4, 3, 4}};
  for (const Case& c : cases) EXPECT_EQ(coupledHeight(c.width, c.origW, c.origH), c.height) << c.width;
}

}  // namespace
}  // namespace tessaro
