#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include "PdfCheck.h"
#include "app/WindowFixture.h"
#include "support/PosterPictures.h"
#include "ui/FloatEdit.h"
#include "ui/PictureButton.h"

using namespace tessaro;

namespace {}  // namespace

// Defaults on a square picture: copies 80.6 pixels wide, at x 20, 108, 196, 284 (the fifth would
// end at 452 + 20.15) and y 28, 119, 210, 301, 392 (a sixth would end at 563 + 28.15).
TEST(PassportTab, PrintsOnePageWithTheCopiesWhereTheLayoutPutsThem) {
  QTemporaryDir dir;
  const Color copy = test::blockColor(0, 0);
  struct Sample {
    int x, y;
    bool inCopy;
  };
  const Sample samples[] = {{60, 68, true},   {324, 432, true}, {104, 68, false},
                            {60, 114, false}, {380, 68, false}, {60, 520, false}};
  for (const bool toPdf : {false, true}) {
    SCOPED_TRACE(toPdf ? "pdf" : "printer");
    test::WindowFixture w(test::smallPage(403, 563));
    w.form.state().Picture = test::blockPicture(40, 40, 1, 1);
    const QString file = dir.filePath(toPdf ? "pass.pdf" : "unused.pdf");
    w.form.runPdfDialog = [&](QWidget*, QString& name) {
      name = file;
      return true;
    };
    if (toPdf)
      w.find<QPushButton>("PdfBtn3")->click();
    else
      w.find<PictureButton>("GoBtn2")->click();
    EXPECT_TRUE(w.boxes.shown.isEmpty());
    EXPECT_EQ(w.find<QProgressBar>("Print3Pro")->value(), 0);
    QImage page;
    int offset = 0;
    if (toPdf) {
      EXPECT_EQ(test::pdfInfoField(file, "Pages"), "1");
      EXPECT_EQ(test::pdfInfoField(file, "Title"), "Tessaro Passbilder");
      page = test::renderPdfPage(file, 1, 72);
      offset = 10;
    } else {
      ASSERT_EQ(w.printer.pageCount(), 1u);
      EXPECT_EQ(w.printer.title, "Tessaro Passbilder");
    }
    for (const Sample& s : samples) {
      const Color want = s.inCopy ? copy : kWhite;
      if (toPdf) {
        const QRgb got = page.pixel(s.x + offset, s.y + offset);
        EXPECT_TRUE(test::colourNear(got, qRgb(colorRed(want), colorGreen(want), colorBlue(want))))
            << s.x << "," << s.y;
      } else {
        EXPECT_EQ(w.printer.rasterPage(0)->pixel(s.x, s.y), want) << s.x << "," << s.y;
      }
    }
  }
}

// The test page is 4000 pixels at 600 dpi, 169.33 mm: 35 mm are 0.20669 of it, 40 mm 0.23622,
// two inches 0.3. "frei" keeps the width and shows it as the program always did:
// Trunc(4000 * 0.2067 * 297 / 3510 * 300 / 600) = 34.
TEST(PassportTab, PhotoSizeSetsTheWidthForThatSizeOnPaper) {
  const struct {
    const char* size;
    int picW, picH;
    const char* width;
    const char* label;  // a prefix for "frei", whose height follows the preview's page
  } rows[] = {
      {"2 x 2 Zoll (50,8 mm)", 100, 100, "0.3000", "51 x 51 mm"},
      {"40 x 50 mm", 400, 500, "0.2362", "40 x 50 mm"},
      {"35 x 45 mm", 350, 450, "0.2067", "35 x 45 mm"},
      {"frei", 350, 450, "0.2067", "34 x "},
  };
  test::WindowFixture w;
  auto* box = w.find<QComboBox>("PhotoSizeBox");
  auto* width = w.find<FloatEdit>("Breit3ED");
  auto* label = w.find<QLineEdit>("GroesseLabel");
  ASSERT_TRUE(box && width && label);
  EXPECT_EQ(box->currentText(), "frei");
  for (const auto& r : rows) {
    SCOPED_TRACE(r.size);
    w.form.state().Picture = test::blockPicture(r.picW, r.picH, 1, 1);
    box->setCurrentIndex(box->findText(r.size));
    EXPECT_EQ(width->text(), r.width);
    EXPECT_TRUE(label->text().startsWith(r.label)) << label->text().toStdString();
    EXPECT_EQ(box->currentText(), r.size);
  }
  // A width typed by hand is no size of the list.
  box->setCurrentIndex(1);
  width->setValue(0.25L);
  EXPECT_EQ(box->currentText(), "frei");
}
