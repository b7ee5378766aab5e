#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "print/GlueNotes.h"
#include "print/GuideLines.h"
#include "support/RasterDevice.h"

using namespace tessaro;
using tessaro::test::RasterDevice;

namespace {

constexpr Color kPaper = rgbColor(128, 128, 128);  // neither of the line colours

// Colour of step s (0-based) of a pattern that starts black: it switches after every 30 steps
// counted from 1, so the first black run is one short.
Color patternColor(int32_t s) { return ((s + 1) / 30) % 2 == 0 ? kBlack : kWhite; }
bool dashShown(int32_t s) { return (s + 1) % 30 < 10; }

Options linesOnly(bool cut, bool glue, bool noEdgeLines, bool noEdgeGlue) {
  Options o;
  o.OptCutLines = cut;
  o.OptGlueLines = glue;
  o.OptNoEdgeLines = noEdgeLines;
  o.OptNoEdgeGlue = noEdgeGlue;
  return o;
}

constexpr int32_t kAW = 180, kAH = 130;

}  // namespace

TEST(GuideLines, CutLinesShareOnePattern) {
  RasterDevice page(200, 150, kPaper);
  drawCutLines(page, linesOnly(true, false, false, false), 0, 0, kAW, kAH);
  for (int32_t x = 2; x < kAW; ++x) {
    for (int32_t y : {0, 1}) ASSERT_EQ(page.pixel(x, y), patternColor(x)) << x << "," << y;
    ASSERT_EQ(page.pixel(x, 2), kPaper) << x;
  }
  // The left line carries on where the top line stopped.
  for (int32_t y = 0; y < kAH; ++y) {
    for (int32_t x : {0, 1}) ASSERT_EQ(page.pixel(x, y), patternColor(kAW + y)) << x << "," << y;
    if (y >= 2) ASSERT_EQ(page.pixel(2, y), kPaper) << y;
  }
  EXPECT_EQ(page.pixel(kAW, 0), kPaper);
  EXPECT_EQ(page.pixel(0, kAH), kPaper);
  // First black run of 29 pixels, then 30 white.
  EXPECT_EQ(page.pixel(28, 0), kBlack);
  EXPECT_EQ(page.pixel(29, 0), kWhite);
  EXPECT_EQ(page.pixel(58, 1), kWhite);
  EXPECT_EQ(page.pixel(59, 1), kBlack);
}

TEST(GuideLines, LeftCutLineStartsFreshWithoutTheTopOne) {
  RasterDevice page(200, 150, kPaper);
  drawCutLines(page, linesOnly(true, false, true, false), 1, 0, kAW, kAH);
  EXPECT_EQ(page.pixel(10, 0), kPaper);  // first row: no top cut line
  for (int32_t y = 0; y < kAH; ++y) ASSERT_EQ(page.pixel(1, y), patternColor(y)) << y;
}

TEST(GuideLines, GlueLinesAreDashesOfAlternatingColour) {
  RasterDevice page(200, 150, kPaper);
  drawGlueLines(page, linesOnly(false, true, false, false), 3, 3, 0, 0, kAW, kAH);
  for (int32_t x = 0; x < kAW - 2; ++x) {
    const Color want = dashShown(x) ? patternColor(x) : kPaper;
    for (int32_t y : {kAH - 2, kAH - 1}) ASSERT_EQ(page.pixel(x, y), want) << x;
    ASSERT_EQ(page.pixel(x, kAH - 3), kPaper);
  }
  for (int32_t y = 0; y < kAH - 2; ++y) {
    const int32_t s = kAW + y;
    const Color want = dashShown(s) ? patternColor(s) : kPaper;
    for (int32_t x : {kAW - 2, kAW - 1}) ASSERT_EQ(page.pixel(x, y), want) << y;
  }
  // The first dash is 9 black pixels, the next one 10 white.
  EXPECT_EQ(page.pixel(8, kAH - 1), kBlack);
  EXPECT_EQ(page.pixel(9, kAH - 1), kPaper);
  EXPECT_EQ(page.pixel(29, kAH - 1), kWhite);
  EXPECT_EQ(page.pixel(38, kAH - 1), kWhite);
  EXPECT_EQ(page.pixel(39, kAH - 1), kPaper);
}

TEST(GuideLines, WhichLinesOnWhichSheets) {
  struct Case {
    bool noEdgeLines, noEdgeGlue;
    int col, row;
    bool top, left, bottom, right;
  };
  // A 3 x 3 poster.
  const std::vector<Case> cases = {
      {false, false, 0, 0, true, true, true, true},  {true, false, 0, 0, false, false, true, true},
      {true, false, 2, 2, true, true, false, false}, {false, true, 2, 2, true, true, false, false},
      {false, true, 0, 0, true, true, true, true},   {false, true, 2, 0, true, true, true, false},
      {true, true, 1, 2, true, true, false, true},   {true, false, 0, 1, true, false, true, true},
      {false, false, 2, 2, true, true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.noEdgeLines << c.noEdgeGlue << " sheet " << c.col << "," << c.row);
    RasterDevice page(200, 150, kPaper);
    const Options o = linesOnly(true, true, c.noEdgeLines, c.noEdgeGlue);
    drawCutLines(page, o, c.col, c.row, kAW, kAH);
    drawGlueLines(page, o, 3, 3, c.col, c.row, kAW, kAH);
    // Each line's stretch away from the corners it shares with the others.
    EXPECT_EQ(page.countNot(kPaper, 2, 0, kAW - 2, 2) > 0, c.top);
    EXPECT_EQ(page.countNot(kPaper, 0, 2, 2, kAH - 2) > 0, c.left);
    EXPECT_EQ(page.countNot(kPaper, 2, kAH - 2, kAW - 2, kAH) > 0, c.bottom);
    EXPECT_EQ(page.countNot(kPaper, kAW - 2, 2, kAW, kAH - 2) > 0, c.right);
  }
}

TEST(GuideLines, OffOptionsDrawNothing) {
  RasterDevice page(200, 150, kPaper);
  drawCutLines(page, linesOnly(false, false, false, false), 1, 1, kAW, kAH);
  drawGlueLines(page, linesOnly(false, false, false, false), 3, 3, 1, 1, kAW, kAH);
  EXPECT_EQ(page.calls().size(), 0u);
}

TEST(GuideLines, SetInRunsNotPixels) {
  const int32_t aw = 1900, ah = 2700;
  RasterDevice page(aw, ah, kPaper);
  const Options o = linesOnly(true, true, false, false);
  drawCutLines(page, o, 1, 1, aw, ah);
  drawGlueLines(page, o, 3, 3, 1, 1, aw, ah);
  const int64_t set = page.countNot(kPaper, 0, 0, aw, ah);
  EXPECT_GT(set, 2 * (aw + ah));
  // One call per run: about one per 30 positions along each line.
  EXPECT_LE(page.count("fillRect"), 2 * (aw + ah) / 29 + 8);
  EXPECT_EQ(page.count("setPixel"), 0);
}

namespace {

Options noteOptions(bool glueMargin, bool hints) {
  Options o;
  o.OptGlueMargin = glueMargin;
  o.OptEdgeHints = hints;
  return o;
}

}  // namespace

TEST(GlueNotes, OnlyOnInnerSheetsWithMarginAndHints) {
  for (bool margin : {false, true}) {
    for (bool hints : {false, true}) {
      for (int col = 0; col < 3; ++col) {
        for (int row = 0; row < 3; ++row) {
          RasterDevice page(400, 300, kPaper);
          drawGlueNotes(page, noteOptions(margin, hints), 3, 3, col, row, 400, 300, 360, 270);
          const bool want = margin && hints && col < 2 && row < 2;
          EXPECT_EQ(page.count("textOut"), want ? 38 : 0) << margin << hints << col << row;
          EXPECT_EQ(page.countNot(kPaper, 0, 0, 400, 300) > 0, want);
        }
      }
    }
  }
}

TEST(GlueNotes, PlacedInTheStrips) {
  const int32_t pw = 400, ph = 300, aw = 360, ah = 270;
  RasterDevice page(pw, ph, kPaper);
  drawGlueNotes(page, noteOptions(true, true), 2, 2, 0, 0, pw, ph, aw, ah);
  EXPECT_EQ(page.fontHeight(), 9);  // three tenths of the 30-pixel bottom strip
  std::vector<const test::DeviceCall*> outs;
  for (const auto& c : page.calls()) {
    if (c.name == "textOut") outs.push_back(&c);
  }
  ASSERT_EQ(outs.size(), 38u);
  const auto& line = *outs[0];
  EXPECT_EQ(line.text, std::string(kGlueNote));
  const int32_t lineW = page.textExtent(line.text).width;
  // Centred over the page width and inside the bottom strip.
  EXPECT_LE(std::abs(static_cast<int32_t>(line.args[0]) * 2 + lineW - pw), 1);
  EXPECT_GE(line.args[1], ah);
  EXPECT_LE(line.args[1] + 9, ph);
  // The picture area stays untouched.
  EXPECT_EQ(page.countNot(kPaper, 0, 0, aw, ah), 0);

  // Down the right strip: one code point per call, the ü whole.
  const std::vector<std::string> chars = utf8Characters(kGlueNote);
  ASSERT_EQ(chars.size(), 37u);
  EXPECT_EQ(outs[1 + 6]->text, "ü");
  const int32_t space = page.textExtent(" ").width;
  const int64_t x = outs[1]->args[0];
  EXPECT_GE(x, aw);
  EXPECT_LE(std::abs((x - aw) - (pw - x - space)), 1);
  for (size_t i = 0; i < chars.size(); ++i) {
    EXPECT_EQ(outs[1 + i]->text, chars[i]);
    EXPECT_EQ(outs[1 + i]->args[0], x);
    if (i > 0) EXPECT_EQ(outs[1 + i]->args[1] - outs[i]->args[1], 9);
  }
  // The column is centred over the page height (it overhangs both ends alike).
  const int64_t top = outs[1]->args[1], bottom = outs.back()->args[1] + 9;
  EXPECT_LE(std::abs(top - (ph - bottom)), 1);
}

TEST(GlueNotes, RightColumnNeverLeftOfTheStrip) {
  // No right strip: the centred column would start left of it.
  RasterDevice page(400, 300, kPaper);
  drawGlueNotes(page, noteOptions(true, true), 2, 2, 0, 0, 400, 300, 400, 270);
  EXPECT_EQ(page.last("textOut").args[0], 400);
}

TEST(GlueNotes, FontHeightIsThreeTenthsOfTheStrip) {
  for (int32_t strip : {0, 1, 3, 10, 29, 30, 333, 701}) {
    EXPECT_EQ(glueNoteFontHeight(7000, 7000 - strip), strip * 3 / 10) << strip;
  }
}

TEST(GlueNotes, Utf8Characters) {
  EXPECT_EQ(utf8Characters("aü€😀b"), (std::vector<std::string>{"a", "ü", "€", "😀", "b"}));
  // Broken sequences stay single bytes and do not swallow what follows.
  EXPECT_EQ(utf8Characters("\xC3x\xE2\x82"), (std::vector<std::string>{"\xC3", "x", "\xE2", "\x82"}));
  EXPECT_TRUE(utf8Characters("").empty());
}
