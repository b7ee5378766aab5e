// Dot posters from the command line, read back through poppler's tools: the ink they put on
// paper, their joints between sheets, their screens' angles, and what else their sheets carry.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <map>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "CliRun.h"
#include "picture/CodecRegistry.h"
#include "print/PaperSizes.h"
#include "print/SheetBand.h"
#include "support/PdfContent.h"
#include "support/PdfPages.h"
#include "support/PosterPictures.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;
using test::runCli;

constexpr int kDpi = 300;
// 5.08 mm are 60 pixels at 300 dpi: the cells' pitch in whole device pixels.
constexpr const char* kCellMm = "5.08";
constexpr double kPitch = 60;

// A picture of vertical stripes of the given colours.
void writeStripes(const fs::path& path, const std::vector<Color>& colours, int32_t width = 40, int32_t height = 30) {
  TDib pic = newdib(width, height, 24, nullptr, 0);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      test::setColor(pic, x, y, colours[static_cast<size_t>(x) * colours.size() / static_cast<size_t>(width)]);
  ASSERT_TRUE(SaveDib(pic, path.string(), kFormatBmp, {}));
}

PageMetrics a4() { return paperMetrics(*findPaper("A4"), kDpi); }

bool inked(Color c) { return std::min({colorRed(c), colorGreen(c), colorBlue(c)}) < 250; }

uint8_t darkest(Color c) { return std::min({colorRed(c), colorGreen(c), colorBlue(c)}); }

// The share of an anti-aliased page the dots cover: a pixel that an edge crosses is white mixed
// with the dots' colour in proportion, which the channel darkest in that colour tells.
double inkedShare(const test::RgbPage& page) {
  int ink = 255;
  for (int y = 0; y < page.height; ++y)
    for (int x = 0; x < page.width; ++x) ink = std::min<int>(ink, darkest(page.at(x, y)));
  if (ink == 255) return 0;
  double sum = 0;
  for (int y = 0; y < page.height; ++y)
    for (int x = 0; x < page.width; ++x) sum += (255.0 - darkest(page.at(x, y))) / (255 - ink);
  return sum / (static_cast<double>(page.width) * page.height);
}

std::vector<std::string> dotArgs(const std::string& in, const std::vector<std::string>& more) {
  std::vector<std::string> args{"poster", in, "-o", "d.pdf", "--dpi", std::to_string(kDpi), "--dots", kCellMm};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(DotPoster, InkedShareOfFlatGreysIsTheIntendedCoverage) {
  // Grey g has darkness 1 - g / 255 and coverage darkness ^ gamma, none below the smallest dot.
  // In CMYK a grey is black ink alone (its cyan, magenta and yellow all go to black), screened
  // at 45°. Counted over whole periods of the screen, well inside the picture: the pattern
  // repeats every cell at 0° and every cell times √2 along both axes at 45°.
  struct Case {
    int grey;
    std::vector<std::string> options;
    double coverage;
    bool jpeg = false;  // the picture as a JPEG, whose data alone would do for a pixel poster
  };
  const Case cases[] = {
      {255, {}, 0},
      {230, {"--dot-colour", "black", "--dot-curve", "linear"}, 25.0 / 255},
      {191, {"--dot-angle", "0"}, 64.0 / 255},
      {128, {"--dot-curve", "2"}, std::pow(127.0 / 255, 2)},
      {128, {"--dot-shape", "line"}, 127.0 / 255, true},
      {0, {"--dot-angle", "0"}, 1},
      {64, {"--dot-shape", "square", "--dot-colour", "#0000FF"}, 191.0 / 255},
      {191, {"--dot-shape", "diamond", "--dot-colour", "picture"}, 64.0 / 255},
      {128, {"--dot-shape", "line", "--dot-angle", "0"}, 127.0 / 255},
      {230, {"--dot-colour", "cmyk"}, 25.0 / 255},
      {64, {"--dot-shape", "square", "--dot-colour", "cmyk", "--dot-curve", "2"}, std::pow(191.0 / 255, 2)},
      {191, {"--dot-min", "0.3"}, 0},
      {191, {"--dot-min", "20%", "--dot-angle", "0"}, 64.0 / 255},
  };
  const fs::path dir = test::freshFolder("cli-dot-coverage");
  const PageMetrics m = a4();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.grey) + " " + testing::PrintToString(c.options));
    writeStripes(dir / "in.bmp", {rgbColor(c.grey, c.grey, c.grey)});
    if (c.jpeg)
      ASSERT_EQ(std::system(("cjpeg -quality 100 " + test::quoted((dir / "in.bmp").string()) + " > " +
                             test::quoted((dir / "in.jpg").string()))
                                .c_str()),
                0);
    const test::CliRun r = runCli(dir, dotArgs(c.jpeg ? "in.jpg" : "in.bmp", c.options));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Punkteraster 5.08 mm"), std::string::npos) << r.out;
    bool straight = false;
    for (size_t i = 0; i + 1 < c.options.size(); ++i)
      straight = straight || (c.options[i] == "--dot-angle" && c.options[i + 1] == "0");
    const int side = static_cast<int>(std::lround((straight ? 8 : 6 * std::numbers::sqrt2) * kPitch));
    const auto page = test::renderPdfPage((dir / "d.pdf").string(), 1, kDpi, false,
                                          test::PageWindow{m.offsetX + 2 * static_cast<int>(kPitch),
                                                           m.offsetY + 2 * static_cast<int>(kPitch), side, side},
                                          true);
    ASSERT_TRUE(page);
    EXPECT_NEAR(inkedShare(*page), c.coverage, 0.03);
  }
}

// Lengths and starts of the inked runs of a line of pixels.
struct InkRun {
  int start, length;
};
std::vector<InkRun> runs(const std::vector<bool>& line) {
  std::vector<InkRun> out;
  for (int i = 0; i < static_cast<int>(line.size()); ++i)
    if (line[i] && (i == 0 || !line[i - 1]))
      out.push_back({i, 1});
    else if (line[i])
      ++out.back().length;
  return out;
}

TEST(DotPoster, DotsCutBySheetEdgesJoinWhereTheSheetsAreGlued) {
  // Two sheets side by side, the first's picture cut at its glue strip, the second's starting at
  // its left edge: put together there, every dot across the joint is as wide as the others and
  // sits on the pitch, and the rows inked on both sides of the joint are the same, each within a
  // device pixel.
  struct Case {
    std::vector<std::string> options;
  };
  const Case cases[] = {
      {{"--dot-shape", "square", "--dot-angle", "0"}},
      {{"--dot-shape", "line", "--dot-angle", "90"}},
  };
  const fs::path dir = test::freshFolder("cli-dot-joint");
  writeStripes(dir / "in.bmp", {rgbColor(51, 51, 51)});  // darkness 0.8: dots much wider than gaps
  const PageMetrics m = a4();
  const int32_t seam = areaWidth(m.pageWidth, Options{}, {5, 5});
  constexpr int kBeside = 200, kTop = 200, kRows = 400;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.options));
    // Without cut lines, which mark the joint on the second sheet over its picture.
    std::vector<std::string> more{"--across", "2", "--no-cut-lines"};
    more.insert(more.end(), c.options.begin(), c.options.end());
    const test::CliRun r = runCli(dir, dotArgs("in.bmp", more));
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string pdf = (dir / "d.pdf").string();
    const auto left = test::renderPdfPage(
        pdf, 1, kDpi, false, test::PageWindow{m.offsetX + seam - kBeside, m.offsetY + kTop, kBeside, kRows});
    const auto right =
        test::renderPdfPage(pdf, 2, kDpi, false, test::PageWindow{m.offsetX, m.offsetY + kTop, kBeside, kRows});
    ASSERT_TRUE(left && right);
    const auto at = [&](int x, int y) {
      return x < kBeside ? inked(left->at(x, y)) : inked(right->at(x - kBeside, y));
    };
    std::vector<bool> lastLeft(kRows), firstRight(kRows);
    for (int y = 0; y < kRows; ++y) {
      lastLeft[y] = at(kBeside - 1, y);
      firstRight[y] = at(kBeside, y);
      std::vector<bool> row(2 * kBeside);
      for (int x = 0; x < 2 * kBeside; ++x) row[x] = at(x, y);
      const std::vector<InkRun> found = runs(row);
      for (size_t i = 1; i + 1 < found.size(); ++i) {  // whole runs only
        EXPECT_NEAR(found[i].length, found[1].length, 1) << "row " << y << " run at " << found[i].start;
        const double off = std::remainder(found[i].start - found[1].start, kPitch);
        EXPECT_LE(std::abs(off), 1) << "row " << y << " run at " << found[i].start;
      }
    }
    const std::vector<InkRun> a = runs(lastLeft), b = runs(firstRight);
    ASSERT_FALSE(a.empty()) << "no dot is cut by the joint";
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
      EXPECT_NEAR(a[i].start, b[i].start, 1);
      EXPECT_NEAR(a[i].start + a[i].length, b[i].start + b[i].length, 1);
    }
  }
}

TEST(DotPoster, CmykScreensLieAtTheirAngles) {
  // Red, green and blue stripes need all four inks. Each screen's dots are the marks placed in
  // its ink's colour; the way from each dot to its nearest neighbour lies along one of the
  // screen's two axes, whose angle modulo 90° on the paper (y up) is the screen's angle. As a
  // line screen, each mark's longer side lies along its screen's lines too.
  const fs::path dir = test::freshFolder("cli-dot-cmyk");
  writeStripes(dir / "in.bmp", {rgbColor(200, 60, 40), rgbColor(50, 190, 80), rgbColor(70, 90, 210)}, 60, 40);
  const test::CliRun r =
      runCli(dir, dotArgs("in.bmp", {"--dot-colour", "cmyk", "--dot-shape", "line", "--across", "1"}));
  ASSERT_EQ(r.code, 0) << r.err;
  // "r g b rg" sets the ink; "q a b c d e f cm /Dn Do Q" places a dot centred at (e, f).
  std::map<std::string, std::vector<std::pair<double, double>>> centres;
  std::map<std::string, std::complex<double>> sides;  // longer sides' angles, four turns to one
  std::istringstream content(test::firstPageContent(test::readAll(dir / "d.pdf")));
  std::vector<std::string> w;
  std::string ink;
  for (std::string word; content >> word;) {
    w.push_back(word);
    const size_t n = w.size();
    if (word == "rg" && n >= 4) ink = w[n - 4] + " " + w[n - 3] + " " + w[n - 2];
    if (word != "Do" || n < 9 || w[n - 3] != "cm" || !w[n - 2].starts_with("/D")) continue;
    centres[ink].emplace_back(std::stod(w[n - 5]), std::stod(w[n - 4]));
    const double a = std::stod(w[n - 9]), b = std::stod(w[n - 8]), c = std::stod(w[n - 7]), d = std::stod(w[n - 6]);
    sides[ink] += std::hypot(a, b) > std::hypot(c, d) ? std::polar(1.0, 4 * std::atan2(-b, a))
                                                      : std::polar(1.0, 4 * std::atan2(-d, c));
  }
  const std::pair<const char*, double> screens[] = {{"0 1 1", 15}, {"1 0 1", 75}, {"1 1 0", 0}, {"0 0 0", 45}};
  for (const auto& [colour, angle] : screens) {
    SCOPED_TRACE(colour);
    const auto& dots = centres[colour];
    ASSERT_GT(dots.size(), 50u);
    // Angles modulo 90° averaged as points on a circle, four turns to one.
    std::complex<double> sum;
    for (const auto& [x, y] : dots) {
      double best = 1e300, dx = 0, dy = 0;
      for (const auto& [x2, y2] : dots) {
        const double d = (x2 - x) * (x2 - x) + (y2 - y) * (y2 - y);
        if (d > 1 && d < best) best = d, dx = x2 - x, dy = y2 - y;
      }
      sum += std::polar(1.0, 4 * std::atan2(-dy, dx));
    }
    const double measured = std::arg(sum) / 4 * 180 / std::numbers::pi;
    EXPECT_NEAR(std::remainder(measured - angle, 90), 0, 0.5) << measured;
    const double side = std::arg(sides[colour]) / 4 * 180 / std::numbers::pi;
    EXPECT_NEAR(std::remainder(side - angle, 90), 0, 0.5) << side;
  }
  // Printed over each other the inks multiply: where cyan and magenta dots overlap in the blue
  // stripe the paper shows blue, which neither ink alone is.
  const PageMetrics m = a4();
  const auto blue = test::renderPdfPage((dir / "d.pdf").string(), 1, kDpi, false,
                                        test::PageWindow{m.offsetX + 1700, m.offsetY + 300, 400, 400});
  ASSERT_TRUE(blue);
  int64_t overlaps = 0;
  for (int y = 0; y < blue->height; ++y)
    for (int x = 0; x < blue->width; ++x) {
      const Color c = blue->at(x, y);
      overlaps += colorRed(c) < 40 && colorGreen(c) < 40 && colorBlue(c) > 215;
    }
  EXPECT_GT(overlaps, 1000);
}

TEST(DotPoster, SheetsHoldNoPictureAndKeepEverythingElse) {
  // The same poster as dots and as pixels: images only on the overview page of the dot poster;
  // the same text; and outside the picture (the glue strips with their labels, lines and
  // rulers) the same pixels on every sheet.
  const fs::path dir = test::freshFolder("cli-dot-sheets");
  writeStripes(dir / "in.bmp", {rgbColor(40, 40, 40), rgbColor(200, 120, 60)}, 60, 20);
  const std::vector<std::string> common{"--across", "2",       "--dpi",      "72",          "--edge-glue",
                                        "--labels", "--ruler", "--overview", "--glue-lines"};
  std::vector<std::string> pixels{"poster", "in.bmp", "-o", "p.pdf"},
      dots{"poster", "in.bmp", "-o", "d.pdf", "--dots", "8"};
  pixels.insert(pixels.end(), common.begin(), common.end());
  dots.insert(dots.end(), common.begin(), common.end());
  ASSERT_EQ(runCli(dir, pixels).code, 0);
  const test::CliRun r = runCli(dir, dots);
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string p = (dir / "p.pdf").string(), d = (dir / "d.pdf").string();
  FILE* images =
      ::popen(("pdfimages -list " + test::quoted(d) + " | awk 'NR > 2 { print $1 }' | sort -u").c_str(), "r");
  ASSERT_TRUE(images);
  char buf[64] = {};
  const size_t n = std::fread(buf, 1, sizeof buf - 1, images);
  ::pclose(images);
  EXPECT_EQ(std::string(buf, n), "1\n") << "pages with images";
  EXPECT_EQ(test::pdfText(d), test::pdfText(p));
  const PageMetrics m = paperMetrics(*findPaper("A4"), 72);
  Options options;
  options.OptNoEdgeGlue = false;
  const int32_t w = areaWidth(m.pageWidth, options, {5, 5}), h = areaHeight(m.pageHeight, options, {5, 5});
  ASSERT_EQ(test::pdfPageCount(d), 3);
  for (int page = 2; page <= 3; ++page) {
    SCOPED_TRACE("page " + std::to_string(page));
    const auto a = test::renderPdfPage(p, page, 72), b = test::renderPdfPage(d, page, 72);
    ASSERT_TRUE(a && b);
    int64_t marks = 0, differing = 0;
    for (int y = m.offsetY; y < m.offsetY + m.pageHeight; ++y)
      for (int x = m.offsetX; x < m.offsetX + m.pageWidth; ++x) {
        if (x < m.offsetX + w && y < m.offsetY + h) continue;
        marks += inked(a->at(x, y));
        differing += a->at(x, y) != b->at(x, y);
      }
    EXPECT_GT(marks, 100) << "nothing printed beside the picture";
    EXPECT_EQ(differing, 0);
  }
}

}  // namespace
}  // namespace tessaro
