#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstring>
#include <tuple>

#include "PdfCheck.h"
#include "app/RetouchTab.h"
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
    EXPECT_EQ(w.find<QProgressBar>("Print3Pro")->value(), 100);
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
// Trunc(4000 * 0.2067 * 297 / 3510 * 300 / 600) = 34. A 450 x 300 picture 35 mm wide prints
// 35 * 300 / 450 = 23.3 mm high; 351 x 450 is 0.3 % off 35 x 45, within the 1 % that shows nothing.
TEST(PassportTab, PhotoSizeSetsTheWidthForThatSizeOnPaper) {
  const struct {
    const char* size;
    int picW, picH;
    const char* width;
    const char* label;  // a prefix for "frei", whose height follows the preview's page
    QString shapeHint;  // in red; empty: hidden
    QString cropButton;  // empty: disabled
  } rows[] = {
      {"2 x 2 Zoll (50.8 mm)", 100, 100, "0.3000", "51 x 51 mm", "", "Auf 2 × 2 Zoll zuschneiden"},
      {"35 x 45 mm", 450, 300, "0.2067", "35 x 23 mm", "druckt 35 × 23 mm", "Auf 35 × 45 zuschneiden"},
      {"40 x 50 mm", 400, 500, "0.2362", "40 x 50 mm", "", "Auf 40 × 50 zuschneiden"},
      {"35 x 45 mm", 351, 450, "0.2067", "35 x 45 mm", "", "Auf 35 × 45 zuschneiden"},
      {"frei", 450, 300, "0.2067", "34 x ", "", ""},
  };
  test::WindowFixture w;
  auto* box = w.find<QComboBox>("PhotoSizeBox");
  auto* width = w.find<FloatEdit>("Breit3ED");
  auto* label = w.find<QLineEdit>("GroesseLabel");
  auto* hint = w.find<QLabel>("PassShapeLabel");
  auto* crop = w.find<QPushButton>("FitCropBtn");
  ASSERT_TRUE(box && width && label && hint && crop);
  EXPECT_EQ(box->currentText(), "frei");
  for (const auto& r : rows) {
    SCOPED_TRACE(r.size);
    w.form.state().Picture = test::blockPicture(r.picW, r.picH, 1, 1);
    w.form.pictureChanged();
    box->setCurrentIndex(box->findText(r.size));
    EXPECT_EQ(width->text(), r.width);
    EXPECT_TRUE(label->text().startsWith(r.label)) << label->text().toStdString();
    EXPECT_EQ(box->currentText(), r.size);
    EXPECT_EQ(hint->isHidden(), r.shapeHint.isEmpty());
    if (!r.shapeHint.isEmpty()) EXPECT_EQ(hint->text(), r.shapeHint);
    EXPECT_EQ(crop->isEnabled(), !r.cropButton.isEmpty());
    if (!r.cropButton.isEmpty()) EXPECT_EQ(crop->text(), r.cropButton);
  }
  // A width typed by hand is no size of the list.
  box->setCurrentIndex(1);
  width->setValue(0.25L);
  EXPECT_EQ(box->currentText(), "frei");
}

// The crop keeps the largest part of the size's shape from the middle of the retouch frame; the
// whole 240 x 160 picture at 35 x 45 keeps 160 * 35 / 45 = 124.4, so 124 columns from
// (240 - 124) / 2 = 58. A frame (20, 10)-(140, 130) keeps 93 of its 120 columns from 20 + 13; one
// of the size's shape already is kept as drawn. Undo brings back picture and frame.
TEST(PassportTab, FitCropCutsTheSizesShapeAsOneUndoStep) {
  const struct {
    const char* size;
    int picW, picH;
    PixelRect frame, kept;
  } rows[] = {
      {"35 x 45 mm", 240, 160, {0, 0, 240, 160}, {58, 0, 182, 160}},
      {"50 x 50 mm", 100, 200, {0, 0, 100, 200}, {0, 50, 100, 150}},
      {"35 x 45 mm", 240, 160, {20, 10, 140, 130}, {33, 10, 126, 130}},
      {"35 x 45 mm", 240, 160, {100, 20, 170, 110}, {100, 20, 170, 110}},
  };
  test::WindowFixture w;
  MainState& state = w.form.state();
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << r.size << " frame " << r.frame.left << "," << r.frame.top);
    // Every pixel its own colour: its column in red, its row in green.
    TDib picture = newdib(r.picW, r.picH, 24, nullptr, 0);
    for (int y = 0; y < r.picH; ++y)
      for (int x = 0; x < r.picW; ++x) test::setColor(picture, x, y, rgbColor(static_cast<uint8_t>(x), static_cast<uint8_t>(y), 77));
    state.Picture = copyDib(picture);
    std::tie(state.CropLeft, state.CropTop, state.CropRight, state.CropBottom) =
        std::make_tuple(r.frame.left, r.frame.top, r.frame.right, r.frame.bottom);
    auto* box = w.find<QComboBox>("PhotoSizeBox");
    box->setCurrentIndex(box->findText(r.size));
    w.find<QPushButton>("FitCropBtn")->click();
    const int keptW = r.kept.right - r.kept.left, keptH = r.kept.bottom - r.kept.top;
    ASSERT_EQ(DibWidth(state.Picture), keptW);
    ASSERT_EQ(DibHeight(state.Picture), keptH);
    EXPECT_EQ(getpixel(state.Picture, 0, 0), getpixel(picture, r.kept.left, r.kept.top));
    EXPECT_EQ(getpixel(state.Picture, keptW - 1, keptH - 1), getpixel(picture, r.kept.right - 1, r.kept.bottom - 1));
    EXPECT_TRUE(w.find<QLabel>("PassShapeLabel")->isHidden());

    w.form.retouchTab()->UndoBtn->click();
    ASSERT_EQ(state.Picture.pixelBytes(), picture.pixelBytes());
    EXPECT_EQ(std::memcmp(state.Picture.Bits, picture.Bits, picture.pixelBytes()), 0);
    EXPECT_EQ(std::make_tuple(state.CropLeft, state.CropTop, state.CropRight, state.CropBottom),
              std::make_tuple(r.frame.left, r.frame.top, r.frame.right, r.frame.bottom));
  }
}
