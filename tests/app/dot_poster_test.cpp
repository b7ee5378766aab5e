// "Punkteraster" on the tab "Drucken": the panel, the dots in the poster preview and close up,
// the refusals, what the next window remembers and the dots printed as vectors.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <functional>

#include "PdfCheck.h"
#include "app/PosterSizeTab.h"
#include "app/PrintTab.h"
#include "app/SettingsTab.h"
#include "app/WindowFixture.h"
#include "support/PosterPictures.h"

using namespace tessaro;

namespace {

// A small page keeps the pages small enough to read back.
const PageMetrics kPage = test::smallPage(400, 600, 20, 50);

double darkness(QRgb c) { return 1 - (0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c)) / 255; }

struct Area {
  double darkness = 0;  // mean
  double paper = 0;     // share of (nearly) white pixels
};

Area measure(const QImage& image, const QRect& r) {
  Area a;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      const double d = darkness(image.pixel(x, y));
      a.darkness += d;
      a.paper += d < 0.05 ? 1 : 0;
    }
  const double n = static_cast<double>(r.width()) * r.height();
  return {a.darkness / n, a.paper / n};
}

// 3 x 2 sheets of a picture black on its left half and grey 191 (darkness 0.251) on its right.
struct DotWindow : test::WindowFixture {
  PrintTab* print = form.printTab();
  DotPanel* dots = print->Dots;
  DotWindow() : test::WindowFixture(kPage) {
    form.resize(800, 600);
    form.show();
    form.pageControl()->setCurrentWidget(form.posterSizeTab());
    TDib picture = newdib(60, 40, 24, nullptr, 0);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 60; ++x) test::setColor(picture, x, y, x < 30 ? kBlack : rgbColor(191, 191, 191));
    form.state().Picture = std::move(picture);
    form.settingsTab()->CheckBox6->setChecked(false);  // exactly the sheets typed
    form.posterSizeTab()->BreitEd->setValue(3.0);
    form.posterSizeTab()->HochEd->setValue(2.0);
  }
  // The picture area of sheet (col, row) in the preview, less an edge of 3 pixels.
  QRect sheetArea(int col, int row) {
    PosterSizeTab* t = form.posterSizeTab();
    const PreviewBox b{t->VorschauBox()->width(), t->VorschauBox()->height(), t->ZoomEd->value(),
                       form.state().ZoomBaseHeight, kPage.pageWidth, kPage.pageHeight};
    const PreviewCells cells = previewCells(b, form.state().poster, form.state().options, form.glueMargins());
    const CellRect r = sheetCell(cells, form.state().poster, form.state().options, col, row);
    return QRect(r.x0, r.y0, cells.innerW, cells.innerH).adjusted(3, 3, -3, -3);
  }
  QImage preview() { return form.posterSizeTab()->VorschauBox()->grab().toImage(); }
  // A value typed into an edit and the edit left.
  static void type(FloatEdit* edit, const QString& text) {
    edit->setText(text);
    emit edit->editingFinished();
  }
};

}  // namespace

TEST(DotPoster, ThePanelDrivesThePreviewRefusesBadValuesIsRememberedAndPrintsVectors) {
  DotWindow w;
  EXPECT_FALSE(w.dots->isVisibleTo(w.print));
  const QImage picture = w.preview();
  // Sheet (0, 0) lies in the black half, sheet (2, 0) in the grey one.
  const Area pictureGrey = measure(picture, w.sheetArea(2, 0));
  EXPECT_NEAR(pictureGrey.darkness, 0.251, 0.02);
  EXPECT_EQ(pictureGrey.paper, 0);

  QColor chosen(0, 0, 255);
  w.dots->chooseColour = [&chosen](QWidget*, const QColor&) { return std::optional<QColor>(chosen); };
  const double blue = darkness(qRgb(0, 0, 255));
  // Each step changes one control; the dots' inked share is coverage (darkness ^ gamma, none
  // below the smallest dot) times the ink's darkness.
  const struct {
    const char* what;
    std::function<void()> change;
    double black, grey;  // mean darkness of the sheets in either half
  } steps[] = {
      {"Punkteraster", [&] { w.print->KindBox->setCurrentIndex(1); }, 1, 0.251},
      {"Rasterweite", [&] { DotWindow::type(w.dots->CellEd, "20"); }, 1, 0.251},
      {"Form", [&] { w.dots->ShapeBox->setCurrentIndex(1); }, 1, 0.251},
      {"Winkel", [&] { DotWindow::type(w.dots->AngleEd, "30"); }, 1, 0.251},
      {"Tonkurve",
       [&] {
         w.dots->CurveBox->setCurrentIndex(1);
         DotWindow::type(w.dots->GammaEd, "2");
       },
       1, 0.063},
      {"Bildfarben", [&] { w.dots->ColourBox->setCurrentIndex(2); }, 1, 0.063 * 0.251},
      {"Eigene Farbe",
       [&] {
         w.dots->ColourBox->setCurrentIndex(1);
         w.dots->ColourBtn->click();
       },
       blue, 0.063 * blue},
      {"Kleinster Punkt", [&] { DotWindow::type(w.dots->MinDotEd, "10"); }, blue, 0},
      {"CMYK", [&] { w.dots->ColourBox->setCurrentIndex(3); }, 1, 0},
  };
  QImage before = picture, zoomBefore = w.dots->ZoomView->grab().toImage();
  for (const auto& s : steps) {
    SCOPED_TRACE(s.what);
    s.change();
    const QImage now = w.preview(), zoom = w.dots->ZoomView->grab().toImage();
    EXPECT_NE(now, before);
    EXPECT_NE(zoom, zoomBefore);
    EXPECT_NEAR(measure(now, w.sheetArea(0, 1)).darkness, s.black, 0.04);
    const Area grey = measure(now, w.sheetArea(2, 0));
    EXPECT_NEAR(grey.darkness, s.grey, 0.03);
    // Dots on paper, not the picture's grey.
    EXPECT_GT(grey.paper, 0.3);
    before = now;
    zoomBefore = zoom;
  }
  EXPECT_TRUE(w.dots->isVisibleTo(w.print));
  EXPECT_FALSE(w.dots->AngleEd->isEnabled());
  EXPECT_TRUE(w.boxes.shown.isEmpty()) << w.boxes.shown.join('\n').toStdString();

  // Out of range: the message and nothing changes.
  w.dots->ColourBox->setCurrentIndex(0);
  const DotSettings accepted = w.dots->settings();
  const struct {
    FloatEdit* edit;
    const char* text;
    const char* message;
  } refused[] = {
      {w.dots->CellEd, "1.9", "Die Rasterweite muss zwischen 2 und 100 mm liegen."},
      {w.dots->CellEd, "100.1", "Die Rasterweite muss zwischen 2 und 100 mm liegen."},
      {w.dots->AngleEd, "-1", "Der Rasterwinkel muss zwischen 0 und 90° liegen."},
      {w.dots->AngleEd, "90.5", "Der Rasterwinkel muss zwischen 0 und 90° liegen."},
      {w.dots->GammaEd, "0.1", "Der Gammawert der Tonkurve muss zwischen 0,2 und 5 liegen."},
      {w.dots->GammaEd, "5.5", "Der Gammawert der Tonkurve muss zwischen 0,2 und 5 liegen."},
      {w.dots->MinDotEd, "51", "Der kleinste Punkt muss zwischen 0 und 50 % einer Rasterzelle liegen."},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.text);
    w.boxes.shown.clear();
    const Ext value = r.edit->value();
    DotWindow::type(r.edit, r.text);
    EXPECT_EQ(w.boxes.shown, QStringList{QStringLiteral("Punkteraster: ") + r.message});
    EXPECT_EQ(r.edit->value(), value);
    EXPECT_EQ(w.dots->settings(), accepted);
  }

  // The next window starts with the dots as this one left them.
  {
    TMainForm again(w.printer, {});
    EXPECT_EQ(again.printTab()->KindBox->currentIndex(), 1);
    EXPECT_EQ(again.printTab()->Dots->settings(), accepted);
  }

  // Into a PDF file: the dots as vectors, no picture on any page.
  QTemporaryDir dir;
  const QString pdf = dir.filePath("punkte.pdf");
  int asked = 0;
  w.form.runPdfDialog = [&](QWidget*, QString& name) {
    ++asked;
    name = pdf;
    return true;
  };
  w.boxes.shown.clear();
  w.form.PdfBtnClick();
  EXPECT_TRUE(w.boxes.shown.isEmpty()) << w.boxes.shown.join('\n').toStdString();
  const auto images = test::runTool("pdfimages", {"-list", pdf});
  ASSERT_TRUE(images);
  EXPECT_EQ(images->split('\n', Qt::SkipEmptyParts).size(), 2);  // the two heading lines only
  const QImage page = test::renderPdfPage(pdf, 1, 50);
  ASSERT_FALSE(page.isNull());
  EXPECT_GT(measure(page, page.rect()).darkness, 0.5);  // sheet (0, 0): the black half

  // 20 x 20 sheets at 2 mm make more dots than a printer takes: said, and nothing printed.
  w.form.posterSizeTab()->BreitEd->setValue(20.0);
  w.form.posterSizeTab()->HochEd->setValue(20.0);
  DotWindow::type(w.dots->CellEd, "2");
  QFile::remove(pdf);
  w.boxes.shown.clear();
  w.form.PdfBtnClick();
  ASSERT_EQ(w.boxes.shown.size(), 1);
  EXPECT_TRUE(w.boxes.shown[0].startsWith("Als PDF speichern: Das Punkteraster hätte ")) << w.boxes.shown[0].toStdString();
  EXPECT_TRUE(w.boxes.shown[0].endsWith(" mm wählen.")) << w.boxes.shown[0].toStdString();
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(QFile::exists(pdf));
  // The close-up shows no dots then: only the message's text on paper.
  const double text = measure(w.dots->ZoomView->grab().toImage(), w.dots->ZoomView->rect()).darkness;
  EXPECT_GT(text, 0.002);
  EXPECT_LT(text, 0.1);
  const size_t pages = w.printer.pageCount();
  w.form.PrintBtnClick();
  EXPECT_EQ(w.printer.pageCount(), pages);
  EXPECT_EQ(w.boxes.shown.size(), 2);
}
