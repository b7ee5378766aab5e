#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>

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
  EXPECT_EQ(p->ProgressBar1->value(), 0);

  // Without the clicked-out one: five pages, the bar still counting six sheets.
  test::FakePrintService& printer = w.printer;
  printer.events.clear();
  p->RadioButton4->setChecked(true);
  progress.clear();
  const size_t before = printer.pageCount();
  w.form.PrintBtnClick();
  EXPECT_EQ(printer.pageCount() - before, 5u);
  EXPECT_EQ(p->ProgressBar1->maximum(), 6);
  EXPECT_NE(std::find(progress.begin(), progress.end(), 6), progress.end());
  EXPECT_EQ(p->ProgressBar1->value(), 0);
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
}
