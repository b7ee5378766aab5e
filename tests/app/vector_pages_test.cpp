// Vector pages in the window: the page asked for, its size shown, and its turning into pixels.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "app/LoadTab.h"
#include "app/RetouchTab.h"
#include "app/WindowFixture.h"
#include "support/TestData.h"
#include "ui/PageChoiceDialog.h"
#include "ui/RasterizeDialog.h"
#include "vector/VectorPicture.h"

using namespace tessaro;

namespace {

QByteArray fixture(const char* name) { return QByteArray::fromStdString(test::dataPath(std::string("vector/") + name)); }

}  // namespace

// sizes.pdf: page 1 a red 100 pt square, page 2 green A4 portrait, page 3 blue A4 landscape.
// 595.276 x 841.89 pt are 210.0 x 297.0 mm; rotate90.pdf shows its 612 x 792 pt page turned,
// 792 x 612 pt = 279.4 x 215.9 mm.
TEST(VectorPages, SeveralPagesAskWhichOneAndThePageShowsItsSize) {
  const struct {
    const char* file;
    int page;  // chosen in the dialog; 0: no dialog expected, -1: cancelled
    QRgb preview;
    const char *width, *height;
  } cases[] = {
      {"mm.svg", 0, 0, "210.0 mm", "297.0 mm"},
      {"rotate90.pdf", 0, 0, "279.4 mm", "215.9 mm"},
      {"sizes.pdf", 2, qRgb(0, 255, 0), "210.0 mm", "297.0 mm"},
      {"sizes.pdf", 3, qRgb(0, 0, 255), "297.0 mm", "210.0 mm"},
      {"sizes.pdf", -1, qRgb(255, 0, 0), "320", "200"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " page " + std::to_string(c.page));
    test::WindowFixture w;
    int asked = 0;
    w.form.runDialog = [&](QDialog& d) {
      ++asked;
      auto* choice = qobject_cast<PageChoiceDialog*>(&d);
      if (!choice) return int(QDialog::Rejected);
      EXPECT_EQ(choice->PageEdit->maximum(), 3);
      if (c.page > 0) choice->PageEdit->setValue(c.page);
      const QImage preview = choice->Preview->pixmap().toImage();
      EXPECT_LE(preview.width(), choice->Preview->width());  // drawn at the preview's size only
      EXPECT_LE(preview.height(), choice->Preview->height());
      EXPECT_EQ(preview.pixel(preview.width() / 2, preview.height() / 2), c.preview);
      return int(c.page > 0 ? QDialog::Accepted : QDialog::Rejected);
    };
    EXPECT_EQ(w.form.openFile(fixture(c.file)), c.page >= 0);
    EXPECT_EQ(asked, c.page == 0 ? 0 : 1);
    EXPECT_EQ(w.find<QLineEdit>("Breit")->text().toStdString(), c.width);
    EXPECT_EQ(w.find<QLineEdit>("Hoch")->text().toStdString(), c.height);
    EXPECT_EQ(w.find<QLineEdit>("Tief")->text() == "Vektorseite", c.page >= 0);
    EXPECT_EQ(w.form.loadTab()->RasterBtn->isVisibleTo(&w.form), c.page >= 0);
    EXPECT_TRUE(w.boxes.shown.isEmpty());
  }
}

// mm.svg: 210 x 297 mm with a red rectangle from 20 to 120 mm across, 20 to 70 mm down. At 50 dpi
// it becomes 413 x 585 pixels; mirrored, the rectangle lies from 90 to 190 mm across.
TEST(VectorPages, PixelWorkFirstTurnsThePageIntoAPictureWhichUndoTakesBack) {
  test::WindowFixture w;
  ASSERT_TRUE(w.form.openFile(fixture("mm.svg")));
  QString shownDpi;
  bool accept = false;
  w.form.runDialog = [&](QDialog& d) {
    auto* dialog = qobject_cast<RasterizeDialog*>(&d);
    if (!dialog) return int(QDialog::Rejected);
    shownDpi = dialog->DpiEdit->text();
    for (const char* refused : {"abc", "0", "-5", "100000"}) {
      dialog->DpiEdit->setText(refused);
      dialog->OkBtn->click();
      EXPECT_NE(dialog->result(), QDialog::Accepted) << refused;
    }
    dialog->DpiEdit->setText("50");
    if (accept) dialog->OkBtn->click();
    return dialog->result();
  };
  w.form.retouchTab()->FlipHBtn->click();  // cancelled: still the page
  EXPECT_TRUE(isVectorPage(w.form.state().Picture));
  EXPECT_FALSE(w.form.history().canUndo());
  EXPECT_EQ(shownDpi, "600");  // the A4 page prints at 100 % on the 600 dpi printer, well within the limit
  ASSERT_EQ(w.boxes.shown.size(), 4);
  EXPECT_EQ(w.boxes.shown[0], "Fehler: Bitte geben Sie die Auflösung als Zahl größer als 0 ein, z. B. 300.");
  EXPECT_EQ(w.boxes.shown[3],
            "Fehler: Bei 100000 dpi würde das Bild zu groß. Bitte geben Sie eine kleinere Auflösung ein.");

  accept = true;
  MainState& st = w.form.state();
  st.CropLeft = st.CropRight / 2;  // the frame round the right half stays round it
  w.form.retouchTab()->FlipHBtn->click();
  const TDib& pic = st.Picture;
  ASSERT_FALSE(isVectorPage(pic));
  EXPECT_NEAR(DibWidth(pic), 413, 1);
  EXPECT_NEAR(DibHeight(pic), 585, 1);
  EXPECT_DOUBLE_EQ(pic.Dpi.x, 50);
  EXPECT_NEAR(st.CropLeft, DibWidth(pic) / 2, 1);
  EXPECT_EQ(st.CropRight, DibWidth(pic));
  const auto at = [&](double xMm, double yMm) { return getpixel(pic, int(xMm / 25.4 * 50), int(yMm / 25.4 * 50)); };
  EXPECT_EQ(at(140, 45), 0xff0000);
  EXPECT_EQ(at(45, 45), 0xffffff);
  EXPECT_EQ(w.find<QLineEdit>("Breit")->text(), QString::number(DibWidth(pic)));
  EXPECT_FALSE(w.form.loadTab()->RasterBtn->isVisibleTo(&w.form));

  w.form.UndoClick();  // the mirror
  EXPECT_EQ(getpixel(w.form.state().Picture, int(45 / 25.4 * 50), int(45 / 25.4 * 50)), 0xff0000);
  w.form.UndoClick();  // the conversion
  EXPECT_TRUE(isVectorPage(w.form.state().Picture));
  EXPECT_EQ(w.find<QLineEdit>("Tief")->text(), "Vektorseite");
  EXPECT_EQ(w.find<QLineEdit>("Breit")->text(), "210.0 mm");
}
