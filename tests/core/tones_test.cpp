// Brightness and contrast against values worked out by hand and against a plain per-pixel
// reference written from the description of the two channel functions.
#include "retouch/Tones.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace tessaro {
namespace {

// The channel functions exactly as described, one value at a time.
int refBrightness(int v, int d) {
  const int r = v + d;
  return r > 255 ? 255 : (r < 0 ? 0 : r);
}
int refContrast(int v, int c) {
  if (c <= 100) return (v - 127) * c / 100 + 127;
  const int k = 200 - c;
  return v < 128 ? v * k / 100 : 255 - (255 - v) * k / 100;
}

// The described frame: 24-bit pixels byte by byte, palette pictures entry by entry in both the
// LogPalette and the colour table.
void refApply(TDib& pic, const std::function<int(int)>& f) {
  const int bits = DibBitCount(pic);
  if (bits == 24) {
    for (int y = 0; y < DibHeight(pic); ++y)
      for (int i = 0; i < DibWidth(pic) * 3; ++i) pic.row(y)[i] = static_cast<uint8_t>(f(pic.row(y)[i]));
    return;
  }
  for (int i = 0; i < (1 << bits); ++i) {
    PaletteEntry& e = pic.LogPalette.palPalEntry[i];
    e.peRed = static_cast<uint8_t>(f(e.peRed));
    e.peGreen = static_cast<uint8_t>(f(e.peGreen));
    e.peBlue = static_cast<uint8_t>(f(e.peBlue));
    pic.colors()[i].rgbRed = e.peRed;
    pic.colors()[i].rgbGreen = e.peGreen;
    pic.colors()[i].rgbBlue = e.peBlue;
  }
}

// Every byte random, the row padding too (it must come out untouched), and a random palette.
TDib randomPicture(int32_t w, int32_t h, int32_t bits, uint32_t seed) {
  std::mt19937 random(seed);
  TDib pic = newdib(w, h, bits, nullptr, 0);
  for (size_t i = 0; i < pic.pixelBytes(); ++i) pic.Bits[i] = static_cast<uint8_t>(random());
  if (bits <= 8) {
    for (int i = 0; i < (1 << bits); ++i)
      pic.colors()[i] = {static_cast<uint8_t>(random()), static_cast<uint8_t>(random()), static_cast<uint8_t>(random()),
                         static_cast<uint8_t>(i)};
    syncPaletteFromColors(pic, 1 << bits);
  }
  return pic;
}

void expectSamePicture(const TDib& got, const TDib& want) {
  ASSERT_EQ(got.pixelBytes(), want.pixelBytes());
  EXPECT_EQ(std::memcmp(got.Bits, want.Bits, want.pixelBytes()), 0) << "pixel bytes";
  if (DibBitCount(want) > 8) return;
  const int n = 1 << DibBitCount(want);
  EXPECT_EQ(std::memcmp(got.colors(), want.colors(), sizeof(RgbQuad) * n), 0) << "colour table";
  EXPECT_EQ(std::memcmp(&got.LogPalette, &want.LogPalette, 4 + 4 * n), 0) << "LogPalette";
  ASSERT_TRUE(got.Palette && got.Palette->size() == n);
  const PaletteEntry &a = got.Palette->entry(n - 1), &b = want.LogPalette.palPalEntry[n - 1];
  EXPECT_EQ(std::tie(a.peRed, a.peGreen, a.peBlue), std::tie(b.peRed, b.peGreen, b.peBlue)) << "Palette";
}

TEST(Tones, HandValuesOnAOnePixelPicture) {
  struct Case {
    int offset, percent;  // brightness first, then contrast, as the dialog applies them
    RgbQuad in, out;      // blue, green, red
  };
  const Case cases[] = {
      {127, 100, {0, 100, 200, 0}, {127, 227, 255, 0}},
      {-127, 100, {0, 100, 200, 0}, {0, 0, 73, 0}},
      {0, 0, {0, 128, 255, 0}, {127, 127, 127, 0}},
      {0, 200, {127, 128, 3, 0}, {0, 255, 0, 0}},
      {0, 200, {252, 0, 255, 0}, {255, 0, 255, 0}},
      {0, 101, {127, 128, 0, 0}, {125, 130, 0, 0}},
      {10, 50, {200, 0, 255, 0}, {168, 69, 191, 0}},
      {0, 50, {0, 255, 127, 0}, {64, 191, 127, 0}},
      // Outside the sliders' ranges the values still stay in 0..255 instead of wrapping.
      {2147483647, 100, {0, 100, 200, 0}, {255, 255, 255, 0}},
      {0, 250, {100, 200, 0, 0}, {0, 255, 0, 0}},
      {0, -100, {0, 255, 127, 0}, {254, 0, 127, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.offset << " / " << c.percent);
    TDib pic = newdib(1, 1, 24, nullptr, 0);
    std::memset(pic.Bits, 0xA5, pic.pixelBytes());
    std::memcpy(pic.Bits, &c.in, 3);
    Helligkeit(pic, c.offset);
    Kontrast(pic, c.percent);
    EXPECT_EQ(std::memcmp(pic.Bits, &c.out, 3), 0)
        << int(pic.Bits[0]) << " " << int(pic.Bits[1]) << " " << int(pic.Bits[2]);
    EXPECT_EQ(pic.Bits[3], 0xA5) << "row padding";
  }
}

TEST(Tones, OnePassEqualsBothStepsEqualsTheReferenceAndRestores) {
  struct Case {
    int32_t w, h, bits;
    int offset, percent;
  };
  const Case cases[] = {
      {1, 3, 24, 127, 100}, {7, 5, 24, -40, 0},  {13, 4, 24, 10, 50}, {33, 9, 24, 25, 160}, {5, 1, 24, -127, 200},
      {9, 3, 1, 60, 120},   {11, 7, 4, -30, 80}, {37, 5, 8, 10, 50},  {3, 2, 8, 0, 100},    {31, 6, 8, 127, 199},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << "x" << c.bits << " " << c.offset << "/" << c.percent);
    const TDib original = randomPicture(c.w, c.h, c.bits, static_cast<uint32_t>(c.w * 131 + c.bits));
    TDib want = copyDib(original);
    refApply(want, [&](int v) { return refContrast(refBrightness(v, c.offset), c.percent); });
    TDib twoSteps = copyDib(original);
    std::vector<int> reported;
    const ProgressFn record = [&](int p) { reported.push_back(p); };
    Helligkeit(twoSteps, c.offset, record);
    Kontrast(twoSteps, c.percent, record);
    TDib onePass = copyDib(original);
    const uint64_t generation = onePass.Generation;
    applyTones(onePass, c.offset, c.percent, record);
    expectSamePicture(twoSteps, want);
    expectSamePicture(onePass, want);
    EXPECT_NE(onePass.Generation, generation) << "caches must see the change";
    // Pixel indices of palette pictures stay as they were (checked above as pixel bytes).
    ASSERT_FALSE(reported.empty());
    EXPECT_EQ(reported.back(), 0);
    for (int p : reported) EXPECT_TRUE(p >= 0 && p <= 100) << p;
    // Back to the untouched copy, as every preview starts; a copy of another shape is not used.
    restoreTones(onePass, original);
    restoreTones(twoSteps, randomPicture(c.w + 1, c.h, c.bits, 7));
    expectSamePicture(onePass, original);
    expectSamePicture(twoSteps, want);
  }
}

}  // namespace
}  // namespace tessaro
