// The dot poster in the window: the screen the print tab's settings make, its dots in the poster
// preview and close up on the print tab, and its refusal before anything is printed.
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "app/DotCache.h"
#include "app/MainForm.h"
#include "app/PosterSizeTab.h"
#include "app/PrintTab.h"
#include "platform/MessageBoxes.h"
#include "platform/QtDevice.h"
#include "print/PosterPrintSize.h"

namespace tessaro {

namespace {

// The preview's dot picture stays below this many pixels however far it is zoomed.
constexpr double kMaxPreviewPixels = 2e6;
// The close-up shows this many cells across its shorter side.
constexpr double kZoomCells = 4;

// A band over `dest` drawn from the exact spans x and y of picture pixels.
SheetBand exactBand(const BandSpan& x, const BandSpan& y, const DeviceRect& dest) {
  SheetBand band;
  band.exactX = x;
  band.exactY = y;
  band.srcLeft = static_cast<int32_t>(std::floor(x.start));
  band.srcTop = static_cast<int32_t>(std::floor(y.start));
  band.srcWidth = std::max(1, static_cast<int32_t>(std::lround(x.length)));
  band.srcHeight = std::max(1, static_cast<int32_t>(std::lround(y.length)));
  band.dest = dest;
  band.physical = true;
  band.valid = true;
  return band;
}

// The band as it is drawn, carried to a picture `fx` x `fy` times the size. A scaled band seldom
// falls on whole pixels, so it is drawn from its exact span.
SheetBand scaledBand(const SheetBand& band, double fx, double fy) {
  const auto drawn = [](int32_t start, int32_t length, const BandSpan& exact, bool physical, double f) {
    const BandSpan s = drawnFromExactSpan(length, physical) ? exact : BandSpan{Ext(start), Ext(length)};
    return BandSpan{s.start * f, s.length * f};
  };
  return exactBand(drawn(band.srcLeft, band.srcWidth, band.exactX, band.physical, fx),
                   drawn(band.srcTop, band.srcHeight, band.exactY, band.physical, fy), band.dest);
}

}  // namespace

void TMainForm::connectDots() {
  DotPanel* dots = print_->Dots;
  dots->ZoomView->onPaint = [this](QPainter& p) { DotZoomViewPaint(p); };
  const auto shown = [this] {
    posterSize_->VorschauBox()->update();
    print_->Dots->ZoomView->update();
  };
  connect(print_->KindBox, &QComboBox::currentIndexChanged, this, shown);
  connect(dots, &DotPanel::changed, this, shown);
}

const DotScreen* TMainForm::dotScreen() {
  const std::optional<DotSettings> settings = print_->dotSettings();
  const TDib& picture = state_.Picture;
  if (!settings || picture.empty()) return nullptr;
  const PosterPrintSize size = posterPrintSize(metrics_, posterLayout(picture, state_.poster), state_.options,
                                               glueMargins());
  if (!size.valid) return nullptr;
  return &dotCache_->screen(picture, *settings, static_cast<double>(size.widthCm) * 10 / DibWidth(picture),
                            static_cast<double>(size.heightCm) * 10 / DibHeight(picture));
}

bool TMainForm::dotsRefused(const QString& caption) {
  const DotScreen* screen = dotScreen();
  if (!screen || screen->ok()) return false;
  print_->showStatus({});
  messageBoxes().tell(this, caption, QString::fromStdString(screen->message()), MessageBoxes::Icon::Warning);
  return true;
}

BandPainter TMainForm::dotBands(const PreviewBox& box) {
  const DotScreen* screen = dotScreen();
  if (!screen || !screen->ok()) return {};
  const PreviewCells cells = previewCells(box, state_.poster, state_.options, glueMargins());
  const PosterLayout layout = posterLayout(state_.Picture, state_.poster);
  const SheetBand first = sheetBand(layout, state_.options, glueMargins(), 0, 0,
                                    DeviceRect{0, 0, cells.innerW, cells.innerH}, state_.options.OptShowGlue);
  if (!cells.valid || !first.valid) return {};
  // As many pixels as the preview shows of the picture, within the limit.
  const Ext drawnW = drawnLength(first.srcWidth, first.exactX, first.physical);
  const Ext drawnH = drawnLength(first.srcHeight, first.exactY, first.physical);
  if (!(drawnW > 0) || !(drawnH > 0)) return {};
  double w = static_cast<double>(static_cast<Ext>(layout.W) * first.dest.width() / drawnW);
  double h = static_cast<double>(static_cast<Ext>(layout.H) * first.dest.height() / drawnH);
  if (w * h > kMaxPreviewPixels) {
    const double shrink = std::sqrt(kMaxPreviewPixels / (w * h));
    w *= shrink;
    h *= shrink;
  }
  const TDib& dots = dotCache_->picture(std::max<int32_t>(1, static_cast<int32_t>(std::lround(w))),
                                        std::max<int32_t>(1, static_cast<int32_t>(std::lround(h))));
  const double fx = static_cast<double>(DibWidth(dots)) / layout.W;
  const double fy = static_cast<double>(DibHeight(dots)) / layout.H;
  return [&dots, fx, fy](Device& dc, const SheetBand& band) { drawBand(dc, dots, scaledBand(band, fx, fy), false); };
}

void TMainForm::DotZoomViewPaint(QPainter& painter) {
  QtDevice dc(painter);
  const int32_t w = dc.width(), h = dc.height();
  dc.fillRect(0, 0, w, h, kWhite);
  const DotScreen* screen = dotScreen();
  if (!screen || w < 1 || h < 1) return;
  // Too many dots: the close-up says so before a print is tried.
  if (!screen->ok()) {
    painter.drawText(QRect(4, 4, w - 8, h - 8), Qt::AlignCenter | Qt::TextWordWrap,
                     QString::fromStdString(screen->message()));
    return;
  }
  const int32_t W = DibWidth(state_.Picture), H = DibHeight(state_.Picture);
  // Picture pixels across the view: a few cells around the poster's middle, at the real shape.
  const double mmAcross = kZoomCells * screen->settings().cellMm / std::min(w, h);
  const auto span = [mmAcross](int32_t pixels, double pictureMm, int32_t viewPixels) {
    const double perMm = pixels / pictureMm;
    const double length = viewPixels * mmAcross * perMm;
    return BandSpan{pixels / 2.0 - length / 2, length};
  };
  const SheetBand band =
      exactBand(span(W, screen->widthMm(), w), span(H, screen->heightMm(), h), DeviceRect{0, 0, w, h});
  drawDotBand(dc, *screen, band, W, H);
}

}  // namespace tessaro
