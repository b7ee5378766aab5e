// The picture filters against sums worked out by hand and against a plain reference: a bordered
// work copy and 25 multiply-adds per channel, as the filter is described.
#include "retouch/Filters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

#include "retouch/FilterRows.h"

namespace tessaro {
namespace {

// Channel c of pixel (x, y), rows from the top.
uint8_t& at(TDib& p, int x, int y, int c) { return p.row(y)[3 * x + c]; }

TDib referenceFilter(const TDib& src, const TFilterDef& f) {
  const int W = DibWidth(src), H = DibHeight(src), PW = W + 4;
  std::vector<int> work(static_cast<size_t>(PW * (H + 4) * 3));
  for (int y = -2; y < H + 2; ++y)
    for (int x = -2; x < W + 2; ++x)
      for (int c = 0; c < 3; ++c)
        work[static_cast<size_t>(((y + 2) * PW + x + 2) * 3 + c)] =
            src.row(std::clamp(y, 0, H - 1))[3 * std::clamp(x, 0, W - 1) + c];
  TDib out = newdib(W, H, 24, nullptr, 0);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int dy = -2; dy <= 2; ++dy)
          for (int dx = -2; dx <= 2; ++dx)
            sum += f.Kernel[dy + 2][dx + 2] * work[static_cast<size_t>(((y + dy + 2) * PW + x + dx + 2) * 3 + c)];
        at(out, x, y, c) = static_cast<uint8_t>(std::clamp(sum / f.Divisor + f.Bias, 0, 255));
      }
  return out;
}

TDib picture(int w, int h, const std::function<int(int x, int y)>& value) {
  TDib p = newdib(w, h, 24, nullptr, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) at(p, x, y, c) = static_cast<uint8_t>(value(x, y));
  return p;
}

const TFilterDef& named(std::string_view name) {
  return *std::find_if(FilterTable.begin(), FilterTable.end(), [&](const TFilterDef& f) { return f.Name == name; });
}

// A negative quotient truncates toward zero: -5 div 2 = -2, so 10 - 2 = 8 (not 7).
const TFilterDef kNegativeHalf{
    2, 10, {{{0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, -1, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}}, "t"};
// Sums beyond 16 bits.
const TFilterDef kWide{
    7, -3, {{{0, 0, 0, 0, -90}, {0, 0, 0, 0, 0}, {0, 0, 200, 0, 0}, {0, 0, 0, 0, 0}, {-90, 0, 0, 0, 0}}}, "w"};
// Sum plus bias reaching the 16-bit limits from either side, and a lopsided inner 3 x 3 kernel.
const TFilterDef kEdges[] = {
    {1, 127, {{{0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 128, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}}, "e+"},
    {1, -128, {{{0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, -128, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}}, "e-"},
    {3, 1000, {{{0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 128, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}}}, "e/"},
    {3, -5, {{{0, 0, 0, 0, 0}, {0, 2, 0, -1, 0}, {0, 0, 4, 0, 0}, {0, -3, 1, 0, 0}, {0, 0, 0, 0, 0}}}, "e3"},
};

TEST(Filters, GiveTheHandComputedPixels) {
  const auto white = [](int x0) { return [x0](int x, int) { return x >= x0 ? 255 : 0; }; };
  const auto dot = [](int x, int y) { return x == 2 && y == 2 ? 255 : 0; };
  struct Case {
    const char* what;
    const TFilterDef& f;
    int w, h;
    std::function<int(int, int)> in;
    std::function<int(int, int)> want;
  };
  const Case cases[] = {
      {"uniform blur keeps the edges", named("Weichzeichnen"), 5, 4, [](int, int) { return 37; },
       [](int, int) { return 37; }},
      // (10 + 10 + 14) x 3 / 9 = 11.3 and (10 + 14 + 14) x 3 / 9 = 12.7.
      {"quotient truncated", named("Weichzeichnen"), 2, 1, [](int x, int) { return x ? 14 : 10; },
       [](int x, int) { return x ? 12 : 11; }},
      {"strong blur of a white last column", named("Stark Weichzeichnen"), 6, 3, white(5),
       [](int x, int) {
         return x == 5 ? 153 : x == 4 ? 102 : x == 3 ? 51 : 0;
       }},
      {"emboss of a uniform picture", named("Emboss"), 4, 4, [](int, int) { return 200; },
       [](int, int) { return 128; }},
      {"emboss of a step", named("Emboss"), 6, 3, white(3), [](int x, int) { return x == 2 || x == 3 ? 255 : 128; }},
      {"edges of a uniform picture", named("Ecken finden"), 4, 3, [](int, int) { return 90; },
       [](int, int) { return 0; }},
      {"edges of a dot, negatives to 0", named("Ecken finden"), 5, 5, dot,
       [](int x, int y) { return x == 2 && y == 2 ? 255 : 0; }},
      // Only a kernel row read as a picture row puts the weight 1 at (0, 2); read as a column or
      // mirrored, that pixel gets -2 or 0.
      {"psychdist keeps its orientation", named("Psychdist"), 5, 5, dot,
       [](int x, int y) { return (x == 0 || x == 1 || x == 2) && y >= 1 && y <= 3 ? 255 : 0; }},
      {"negative quotient truncates", kNegativeHalf, 2, 2, [](int, int) { return 5; }, [](int, int) { return 8; }},
  };
  for (const Case& c : cases) {
    const TDib got = filterDib(picture(c.w, c.h, c.in), c.f);
    ASSERT_FALSE(got.empty()) << c.what;
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x) EXPECT_EQ(got.row(y)[3 * x + 1], c.want(x, y)) << c.what << " at " << x << "," << y;
  }
}

TEST(Filters, MatchThePlainReferenceOnRandomPictures) {
  std::mt19937 random(7);
  std::vector<TFilterDef> filters(FilterTable.begin(), FilterTable.end());
  filters.push_back(kNegativeHalf);
  filters.push_back(kWide);
  filters.insert(filters.end(), std::begin(kEdges), std::end(kEdges));
  // Random kernels of small weights, every other one mirrored top to bottom as most of the table
  // is, so that the splits meet column groups of every shape and row sums of every kind. Every
  // fourth has equal inner rows too, with its own centre, as Lithograph and Psychdist have.
  for (int i = 0; i < 32; ++i) {
    TFilterDef f{1 + static_cast<int32_t>(random() % 40), static_cast<int32_t>(random() % 601) - 300, {}, "random"};
    for (int ky = 0; ky < 5; ++ky)
      for (int kx = 0; kx < 5; ++kx) f.Kernel[ky][kx] = random() % 2 ? static_cast<int32_t>(random() % 9) - 4 : 0;
    for (int ky = 2; ky < 5 && i % 4 == 3; ++ky) f.Kernel[ky] = f.Kernel[1];
    for (int ky = 3; ky < 5 && i % 2; ++ky) f.Kernel[ky] = f.Kernel[4 - ky];
    if (i % 4 == 3) f.Kernel[2][2] = static_cast<int32_t>(random() % 41) - 20;
    filters.push_back(f);
  }
  // Odd widths leave row padding; 301 x 260 is big enough to be split across two threads. Rows of
  // 63 and 66 samples lie either side of the shortest the vector loop takes, and rows of 2049,
  // 2100 and 2115 samples end in a rest that joins the piece before it or stands as its own.
  const std::pair<int, int> sizes[] = {{1, 1},  {2, 3},  {5, 1},     {1, 6},   {7, 9},   {33, 17},
                                       {21, 4}, {22, 5}, {301, 260}, {683, 3}, {700, 4}, {705, 6}};
  for (const bool vectors : {true, false}) {
    filters::allowVectorRows(vectors);
    for (const auto& [w, h] : sizes) {
      TDib src = newdib(w, h, 24, nullptr, 0);
      for (int y = 0; y < h; ++y)
        for (int i = 0; i < 3 * w; ++i) src.row(y)[i] = static_cast<uint8_t>(random());
      for (const TFilterDef& f : filters) {
        const TDib got = filterDib(src, f), want = referenceFilter(src, f);
        ASSERT_EQ(got.pixelBytes(), want.pixelBytes());
        EXPECT_TRUE(std::equal(got.Bits, got.Bits + got.pixelBytes(), want.Bits))
            << f.Name << " " << w << "x" << h << (vectors ? "" : " plain");
      }
    }
  }
  filters::allowVectorRows(true);
}

TEST(Filters, RefuseWhatTheyCannotFilter) {
  TFilterDef zero = FilterTable[0];
  zero.Divisor = 0;
  const std::pair<TDib, TFilterDef> cases[] = {
      {newdib(4, 4, 8, nullptr, 0), FilterTable[0]},
      {TDib{}, FilterTable[0]},
      {newdib(4, 4, 24, nullptr, 0), zero},
  };
  for (const auto& [pic, f] : cases) EXPECT_TRUE(filterDib(pic, f).empty());
}

}  // namespace
}  // namespace tessaro
