#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "print/PosterPrintJob.h"
#include "support/FakePrintService.h"
#include "support/PosterPictures.h"

using namespace tessaro;
using tessaro::test::FakePrintService;

namespace {

// Sheets that carry nothing but their band, so a page's centre tells its sheet.
Options bandOnly() {
  Options o;
  o.OptCutLines = o.OptGlueLines = o.OptGlueMargin = o.OptEdgeHints = false;
  o.OptNoEdgeGlue = false;
  return o;
}

struct Progress {
  std::vector<int32_t> positions;
  std::vector<int32_t> maxima;
  SheetProgressFn fn() {
    return [this](int32_t pos, int32_t max) {
      positions.push_back(pos);
      maxima.push_back(max);
    };
  }
};

// The sheet printed on each page, read from the block colour at the page's centre.
std::vector<std::pair<int32_t, int32_t>> printedSheets(FakePrintService& printer) {
  std::vector<std::pair<int32_t, int32_t>> out;
  for (size_t i = 0; i < printer.pageCount(); ++i) {
    const test::RasterDevice* page = printer.rasterPage(i);
    const auto block = test::blockOf(page->pixel(page->width() / 2, page->height() / 2));
    out.push_back(block.value_or(std::make_pair(-1, -1)));
  }
  return out;
}

}  // namespace

TEST(PosterPrintJob, PageOrderAndSkippedSheets) {
  const TDib pic = test::blockPicture(30, 20, 3, 2);
  using Sheets = std::vector<std::pair<int32_t, int32_t>>;
  struct Case {
    const char* name;
    PrintOrder order;
    bool skip;
    bool excludeOneZero;
    Sheets pages;
  };
  const std::vector<Case> cases = {
      {"rows", PrintOrder::Rows, false, false, {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}}},
      {"columns", PrintOrder::Columns, false, false, {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}}},
      {"skip (1,0)", PrintOrder::Rows, true, true, {{0, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}}},
      {"skip (1,0) by columns", PrintOrder::Columns, true, true, {{0, 0}, {0, 1}, {1, 1}, {2, 0}, {2, 1}}},
      {"excluded but all asked for", PrintOrder::Rows, false, true, {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakePrintService printer(test::smallPage(60, 40, 2));
    SheetGrid off;
    if (c.excludeOneZero) off.toggle(1, 0);
    Progress progress;
    const PosterPrintResult r =
        printPoster(printer, pic, test::wholeSheets(3, 2), bandOnly(), {5, 5}, off, {c.order, c.skip}, progress.fn());
    EXPECT_EQ(r.status, PosterPrintResult::Status::Printed);
    EXPECT_EQ(r.pagesPrinted, static_cast<int32_t>(c.pages.size()));
    EXPECT_EQ(printedSheets(printer), c.pages);
    EXPECT_EQ(printer.title, "Tessaro Poster");
    // One document: begun once, a new page for every later sheet, ended once.
    std::vector<std::string> want{"title", "begin"};
    for (size_t i = 1; i < c.pages.size(); ++i) want.push_back("newPage");
    want.push_back("end");
    EXPECT_EQ(printer.events, want);
    // Every visited sheet counts, printed or not, and the bar returns to 0.
    EXPECT_EQ(progress.positions, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 0}));
    EXPECT_EQ(progress.maxima, std::vector<int32_t>(8, 6));
  }
}

TEST(PosterPrintJob, EverySheetSkippedOpensNoDocument) {
  const TDib pic = test::blockPicture(30, 20, 3, 2);
  FakePrintService printer(test::smallPage(60, 40, 2));
  SheetGrid off;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 2; ++j) off.toggle(i, j);
  }
  Progress progress;
  const PosterPrintResult r = printPoster(printer, pic, test::wholeSheets(3, 2), bandOnly(), {5, 5}, off,
                                          {PrintOrder::Rows, true}, progress.fn());
  EXPECT_EQ(r.status, PosterPrintResult::Status::NothingPrinted);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.pagesPrinted, 0);
  EXPECT_EQ(printer.events, std::vector<std::string>{"title"});
  EXPECT_EQ(progress.positions, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 0}));
}

TEST(PosterPrintJob, OneByOnePoster) {
  const TDib pic = test::blockPicture(30, 20, 1, 1);
  FakePrintService printer(test::smallPage(60, 40, 2));
  const PosterPrintResult r = printPoster(printer, pic, test::wholeSheets(1, 1), bandOnly(), {5, 5}, SheetGrid{}, {});
  EXPECT_EQ(r.status, PosterPrintResult::Status::Printed);
  EXPECT_EQ(printer.pageCount(), 1u);
  EXPECT_EQ(printer.title, "Tessaro Poster");
  EXPECT_EQ(printer.rasterPage(0)->countNot(test::blockColor(0, 0), 0, 0, 60, 40), 0);
}

TEST(PosterPrintJob, PrinterFailuresAreReported) {
  const TDib pic = test::blockPicture(30, 20, 3, 2);
  struct Case {
    const char* name;
    bool failBegin;
    int failNewPageAt;
    bool failEnd;
    std::string reason;  // the printer's own words, which the user is shown when it has any
    int32_t pages;
    std::vector<std::string> events;
    int32_t lastProgress;
  };
  const std::vector<Case> cases = {
      {"begin", true, -1, false, "", 0, {"title", "begin"}, 0},
      {"begin, printer says why", true, -1, false, "Den Drucker gibt es nicht mehr.", 0, {"title", "begin"}, 0},
      // Page 2 fails: the job is aborted, not ended, so the first sheet is not printed on its
      // own; the bar stays where the job stopped.
      {"second page", false, 1, false, "", 1, {"title", "begin", "newPage", "abort"}, 1},
      {"end",
       false,
       -1,
       true,
       "",
       6,
       {"title", "begin", "newPage", "newPage", "newPage", "newPage", "newPage", "end"},
       0},
      {"end, printer says why",
       false,
       -1,
       true,
       "Die Datei ist unvollständig.",
       6,
       {"title", "begin", "newPage", "newPage", "newPage", "newPage", "newPage", "end"},
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakePrintService printer(test::smallPage(60, 40, 2));
    printer.failBeginDoc = c.failBegin;
    printer.failNewPageAt = c.failNewPageAt;
    printer.failEndDoc = c.failEnd;
    printer.reason = c.reason;
    Progress progress;
    const PosterPrintResult r =
        printPoster(printer, pic, test::wholeSheets(3, 2), bandOnly(), {5, 5}, SheetGrid{}, {}, progress.fn());
    EXPECT_EQ(r.status, PosterPrintResult::Status::Failed);
    EXPECT_FALSE(r.ok());
    if (c.reason.empty())
      EXPECT_FALSE(r.message.empty());
    else
      EXPECT_EQ(r.message, c.reason);
    EXPECT_EQ(r.pagesPrinted, c.pages);
    EXPECT_EQ(printer.pageCount(), static_cast<size_t>(c.pages));
    EXPECT_EQ(printer.events, c.events);
    EXPECT_FALSE(printer.documentOpen());
    EXPECT_EQ(progress.positions.back(), c.lastProgress);
  }
}

TEST(PosterPrintJob, SheetsCarryLinesAndNotes) {
  // Default options: glue margin without glue on the outer edge, cut lines, notes.
  const TDib pic = test::blockPicture(40, 40, 2, 2);
  const int32_t pw = 200, ph = 300;
  FakePrintService printer(test::smallPage(pw, ph, 2), rgbColor(1, 2, 3));
  Options o;
  o.OptGlueLines = true;
  const PosterPrintResult r = printPoster(printer, pic, test::wholeSheets(2, 2), o, {10, 10}, SheetGrid{}, {});
  ASSERT_EQ(r.status, PosterPrintResult::Status::Printed);
  ASSERT_EQ(printer.pageCount(), 4u);
  const int32_t aw = 180, ah = 270;
  // Sheet (0,0): no cut lines on the poster's edge, glue lines and the note on its strips.
  test::RasterDevice& first = *printer.rasterPage(0);
  EXPECT_TRUE(test::blockOf(first.pixel(5, 0)).has_value());
  EXPECT_EQ(first.pixel(5, ah - 1), kBlack);
  EXPECT_EQ(first.pixel(aw - 1, 5), kBlack);
  EXPECT_GT(first.countOf(kBlack, 0, ah, pw, ph), 0);
  EXPECT_EQ(first.count("textOut"), 38);
  // Sheet (1,1), the last: cut lines on top and left, its band runs on over the glue strips, no
  // note.
  test::RasterDevice& last = *printer.rasterPage(3);
  EXPECT_EQ(last.pixel(5, 0), kBlack);
  EXPECT_EQ(last.pixel(0, 5), kBlack);
  EXPECT_EQ(last.count("textOut"), 0);
  EXPECT_TRUE(test::blockOf(last.pixel(pw - 5, ph - 5)).has_value());
}

TEST(PosterPrintJob, BigPagesAreRecordedNotRastered) {
  const TDib pic = test::blockPicture(30, 20, 3, 2);
  const PageMetrics a4 = defaultA4Metrics();
  FakePrintService printer(a4);
  const PosterPrintResult r = printPoster(printer, pic, test::wholeSheets(1, 1), Options{}, {5, 5}, SheetGrid{}, {});
  ASSERT_EQ(r.status, PosterPrintResult::Status::Printed);
  ASSERT_EQ(printer.rasterPage(0), nullptr);
  auto& page = dynamic_cast<test::RecordingDevice&>(printer.pageDevice(0));
  ASSERT_EQ(page.count("stretchDIBits"), 1);
  // The whole picture goes to the device in one call; the core makes no page-sized copy.
  for (const auto& c : page.calls()) {
    if (c.name != "stretchDIBits") continue;
    EXPECT_EQ(c.dibWidth, 30);
    EXPECT_EQ(c.dibHeight, 20);
    EXPECT_EQ(c.args[2], a4.pageWidth);  // 1 x 1 with its edge glue strip printed on
  }
}
