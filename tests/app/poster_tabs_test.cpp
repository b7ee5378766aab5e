#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <functional>

#include "app/PosterSizeTab.h"
#include "app/PrintTab.h"
#include "app/SettingsTab.h"
#include "app/WindowFixture.h"
#include "layout/PreviewGrid.h"
#include "support/PosterPictures.h"

using namespace tessaro;

namespace {

// A small page keeps the test printer's pages small enough to read back as rasters.
PageMetrics smallPage() {
  PageMetrics m;
  m.physicalWidth = 440;
  m.physicalHeight = 640;
  m.dpiX = m.dpiY = 50;
  m.offsetX = m.offsetY = 20;
  m.pageWidth = 400;
  m.pageHeight = 600;
  return m;
}

struct PosterWindow : test::WindowFixture {
  PosterWindow() : test::WindowFixture(smallPage()) {
    form.resize(800, 600);
    form.show();
    form.pageControl()->setCurrentWidget(form.posterSizeTab());
    QApplication::processEvents();
    form.state().Picture = test::blockPicture(300, 200, 3, 2);
    form.settingsTab()->CheckBox6->setChecked(false);  // exactly the sheets typed
    form.posterSizeTab()->BreitEd->setValue(3.0);
    form.posterSizeTab()->HochEd->setValue(2.0);
  }
  // Centre of sheet (col, row) in the preview box.
  QPoint cellCentre(int col, int row) {
    PosterSizeTab* t = form.posterSizeTab();
    PreviewBox b{t->VorschauBox()->width(), t->VorschauBox()->height(), t->ZoomEd->value(),
                 form.state().ZoomBaseHeight, smallPage().pageWidth, smallPage().pageHeight};
    const PreviewCells cells = previewCells(b, form.state().poster, form.state().options, form.glueMargins());
    const CellRect r = sheetCell(cells, form.state().poster, form.state().options, col, row);
    return {r.x0 + r.w / 2, r.y0 + r.h / 2};
  }
};

}  // namespace

TEST(PosterPreview, AClickCrossesASheetOutAndASecondBringsItBack) {
  PosterWindow w;
  PaintBox* box = w.form.posterSizeTab()->VorschauBox();
  const QPoint centre = w.cellCentre(1, 0);
  // Before: the band of the middle block of the top row.
  const Color band = test::blockColor(1, 0);
  EXPECT_EQ(box->grab().toImage().pixelColor(centre), QColor(colorRed(band), colorGreen(band), colorBlue(band)));
  QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, centre);
  EXPECT_TRUE(w.form.state().SheetOff.off(1, 0));
  EXPECT_EQ(box->grab().toImage().pixelColor(centre), QColor(Qt::red));
  QTest::mouseClick(box, Qt::RightButton, Qt::NoModifier, centre);
  EXPECT_FALSE(w.form.state().SheetOff.off(1, 0));
  // A click into the gap left of the first sheet toggles nothing.
  QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 2; ++r) EXPECT_FALSE(w.form.state().SheetOff.off(c, r));
}

TEST(PosterPrint, SkipsClickedOutSheetsAndCountsEverySheet) {
  PosterWindow w;
  QTest::mouseClick(w.form.posterSizeTab()->VorschauBox(), Qt::LeftButton, Qt::NoModifier, w.cellCentre(1, 0));
  PrintTab* p = w.form.printTab();
  std::vector<int> progress;
  QObject::connect(p->ProgressBar1, &QProgressBar::valueChanged, [&](int v) { progress.push_back(v); });

  // All pages, although one is clicked out.
  w.form.PrintBtnClick();
  EXPECT_EQ(w.printer.pageCount(), 6u);
  EXPECT_EQ(w.printer.title, "Tessaro Poster");
  // A step per sheet and one for handing the document over: full once it is out.
  EXPECT_EQ(p->ProgressBar1->maximum(), 7);
  EXPECT_EQ(p->ProgressBar1->value(), 7);

  // Without the clicked-out one: five pages, the bar still counting six sheets.
  test::FakePrintService& printer = w.printer;
  printer.events.clear();
  p->RadioButton4->setChecked(true);
  progress.clear();
  const size_t before = printer.pageCount();
  w.form.PrintBtnClick();
  EXPECT_EQ(printer.pageCount() - before, 5u);
  EXPECT_NE(std::find(progress.begin(), progress.end(), 6), progress.end());
  EXPECT_EQ(p->ProgressBar1->value(), 7);
  // The second page printed is sheet (2, 0): the picture's right top block.
  test::RasterDevice* page = printer.rasterPage(before + 1);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->pixel(100, 100), test::blockColor(2, 0));
  EXPECT_TRUE(w.boxes.shown.isEmpty());
}

TEST(PosterPrint, AFailingPrinterIsReported) {
  PosterWindow w;
  w.printer.failBeginDoc = true;
  w.form.PrintBtnClick();
  ASSERT_EQ(w.boxes.shown.size(), 1);
  EXPECT_TRUE(w.boxes.shown[0].startsWith("Fehler: ")) << w.boxes.shown[0].toStdString();
  EXPECT_EQ(w.form.printTab()->ProgressBar1->value(), 0);
}

// The figures of the hand-computed A4 example in poster_print_size_test.cpp, followed through a
// change of each thing they depend on.
TEST(PosterPrintSize, TheLabelsFollowEveryChangeAndTurnRedBelow100Dpi) {
  test::WindowFixture w(defaultA4Metrics());
  PosterSizeTab* t = w.form.posterSizeTab();
  SettingsTab* s = w.form.settingsTab();
  w.form.state().Picture = test::blockPicture(2000, 3000, 2, 3);
  s->CheckBox6->setChecked(false);   // exactly the sheets typed
  s->CheckBox10->setChecked(false);  // every sheet keeps its glue strip
  struct Step {
    const char* what;
    std::function<void()> change;
    const char* size;
    const char* dpi;
    bool red;
    bool actualSize = false;  // "Originalgröße" enabled
  };
  const Step steps[] = {
      {"2 x 3 sheets",
       [&] {
         t->BreitEd->setValue(2.0);
         t->HochEd->setValue(3.0);
       },
       "Postergröße: 38.3 x 82.2 cm", "Auflösung: 93 dpi", true},
      // 2000 * 600 / 4523 = 265.3 across, 3000 * 600 / 6475 = 278 down.
      {"one sheet",
       [&] {
         t->BreitEd->setValue(1.0);
         t->HochEd->setValue(1.0);
       },
       "Postergröße: 19.1 x 27.4 cm", "Auflösung: 265 dpi", false},
      {"10 % glue across", [&] { s->KrandxlEd->setValue(10); }, "Postergröße: 18.1 x 27.4 cm", "Auflösung: 278 dpi",
       false},
      // The whole page 4761 x 6816: 2000 * 600 / 4761 = 252.
      {"no glue strips", [&] { s->CheckBox8->setChecked(false); }, "Postergröße: 20.2 x 28.9 cm", "Auflösung: 252 dpi",
       false},
      // 400 x 600 dots at 50 dpi: 20.32 x 30.48 cm, 2000 * 50 / 400 = 250.
      {"other paper",
       [&] {
         w.printer.setMetrics(smallPage());
         w.form.BitBtn3Click();
       },
       "Postergröße: 20.3 x 30.5 cm", "Auflösung: 250 dpi", false},
      // 200 * 50 / 400 = 25.
      {"smaller picture",
       [&] {
         w.form.state().Picture = test::blockPicture(200, 300, 2, 3);
         w.form.pictureChanged();
       },
       "Postergröße: 20.3 x 30.5 cm", "Auflösung: 25 dpi", true},
      {"5 dpi picture",
       [&] {
         w.form.state().Picture.Dpi = {5, 5};
         w.form.pictureChanged();
       },
       "Postergröße: 20.3 x 30.5 cm", "Auflösung: 25 dpi", true},
      // 3000 * 50 / 400 = 375 across, 2000 * 50 / 600 = 166.7 down.
      {"300 dpi picture",
       [&] {
         w.form.state().Picture = test::blockPicture(3000, 2000, 3, 2);
         w.form.state().Picture.Dpi = {300, 300};
         w.form.pictureChanged();
       },
       "Postergröße: 20.3 x 30.5 cm", "Auflösung: 167 dpi", false, true},
      // 10 x 6.667 inches.
      {"Originalgröße", [&] { t->ActualSizeBtn->click(); }, "Postergröße: 25.40 x 16.93 cm", "Auflösung: 300 dpi",
       false, true},
      {"whole sheets wanted", [&] { s->CheckBox5->setChecked(true); }, "Postergröße: 25.40 x 16.93 cm",
       "Auflösung: 300 dpi", false, true},
      {"glue strips back", [&] { s->CheckBox8->setChecked(true); }, "Postergröße: 25.40 x 16.93 cm",
       "Auflösung: 300 dpi", false, true},
      {"3 % glue across", [&] { s->KrandxlEd->setValue(3); }, "Postergröße: 25.40 x 16.93 cm", "Auflösung: 300 dpi",
       false, true},
  };
  const QColor normal = t->palette().color(QPalette::WindowText);
  ASSERT_NE(normal, QColor(Qt::red));
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.change();
    EXPECT_EQ(w.find<QLabel>("PosterSizeLabel")->text().toStdString(), step.size);
    QLabel* dpi = w.find<QLabel>("PosterDpiLabel");
    EXPECT_EQ(dpi->text().toStdString(), step.dpi);
    EXPECT_EQ(dpi->accessibleName(), dpi->text());
    EXPECT_EQ(dpi->palette().color(dpi->foregroundRole()), step.red ? QColor(Qt::red) : normal);
    EXPECT_EQ(dpi->toolTip().startsWith("Unter 100 dpi wirkt der Druck grob."), step.red);
    EXPECT_EQ(t->ActualSizeBtn->isEnabled(), step.actualSize);
  }
}
