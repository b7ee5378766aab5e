#include <gtest/gtest.h>

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include "PdfCheck.h"
#include "app/WindowFixture.h"

using namespace tessaro;

namespace {

// A small page keeps the file and its rendering small.
PageMetrics smallPage() {
  PageMetrics m;
  m.dpiX = m.dpiY = 72;
  m.offsetX = m.offsetY = 10;
  m.pageWidth = 400;
  m.pageHeight = 560;
  m.physicalWidth = 420;
  m.physicalHeight = 580;
  return m;
}

}  // namespace

TEST(PdfButton, WritesThePagesPrintingWouldMakeOrSaysWhyNot) {
  QTemporaryDir dir;
  const struct {
    const char* name;
    QString chosen;
    QString written;  // empty: the write fails
  } cases[] = {
      {"name without extension", dir.filePath("plakat"), dir.filePath("plakat.pdf")},
      {"missing folder", dir.filePath("fehlt/plakat.pdf"), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::WindowFixture w(smallPage());
    w.form.state().Picture = newdib(40, 30, 24, nullptr, 0);
    w.form.PrintBtnClick();
    const size_t printed = w.printer.pageCount();
    ASSERT_GT(printed, 0u);
    auto* button = w.find<QPushButton>("PdfBtn");
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->accessibleName().isEmpty());
    w.form.runPdfDialog = [&c](QWidget*, QString& name) {
      name = c.chosen;
      return true;
    };
    button->click();
    if (c.written.isEmpty()) {
      ASSERT_EQ(w.boxes.shown.size(), 1);
      EXPECT_FALSE(QFile::exists(c.chosen));
      continue;
    }
    EXPECT_TRUE(w.boxes.shown.isEmpty());
    EXPECT_EQ(test::pdfInfoField(c.written, "Pages").toULongLong(), printed);
    // Page size from the printer's metrics: 420 x 580 device pixels at 72 dpi are points.
    EXPECT_TRUE(test::pdfInfoField(c.written, "Page size").startsWith("420 x 580 pts"));
  }
}

// The start picture is no poster anyone wants: exporting it needs a yes, as printing does.
TEST(PdfButton, AsksBeforeExportingTheStartPicture) {
  QTemporaryDir dir;
  for (const bool answer : {false, true}) {
    SCOPED_TRACE(answer);
    test::WindowFixture w(smallPage());
    const QString file = dir.filePath(answer ? "ja.pdf" : "nein.pdf");
    w.form.runPdfDialog = [&file](QWidget*, QString& name) {
      name = file;
      return true;
    };
    w.boxes.answer = answer;
    w.form.PdfBtnClick();
    EXPECT_EQ(w.boxes.shown, QStringList{"Als PDF speichern: Es ist noch kein Bild geladen. Trotzdem drucken?"});
    EXPECT_EQ(QFile::exists(file), answer);
  }
}
