// Repainting a large picture into the small preview and into a window-sized image through
// QtDevice, cold and cached, beside one drawImage of a picture that is already a QImage.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>

#include "picture/Dib.h"
#include "platform/QtDevice.h"

namespace {

using namespace tessaro;

constexpr int kPicW = 6000, kPicH = 4000;
const QSize kBoxes[] = {{221, 194}, {800, 600}};

const TDib& picture() {
  static const TDib dib = [] {
    TDib d = newdib(kPicW, kPicH, 24, nullptr, 0);
    for (int y = 0; y < kPicH; ++y) {
      uint8_t* row = d.storedRow(y);
      for (int x = 0; x < kPicW; ++x) {
        row[3 * x] = static_cast<uint8_t>(x);
        row[3 * x + 1] = static_cast<uint8_t>(y);
        row[3 * x + 2] = static_cast<uint8_t>(x ^ y);
      }
    }
    touchDib(d);
    return d;
  }();
  return dib;
}

void paint(QImage& target, const QSize box) {
  const TDib& dib = picture();
  QPainter painter(&target);
  QtDevice dc(painter);
  dc.setSourcePicture(dib.Id, dib.Generation);
  dc.stretchDIBits(0, 0, box.width(), box.height(), 0, 0, kPicW, kPicH, dib.Bits, *dib.info(), SRCCOPY);
}

void BM_StretchDIBitsCold(benchmark::State& state) {
  const QSize box = kBoxes[state.range(0)];
  QImage target(box, QImage::Format_RGB32);
  for (auto _ : state) {
    QtDevice::clearCache();
    paint(target, box);
    benchmark::DoNotOptimize(target.constBits());
  }
  state.SetLabel(QStringLiteral("%1x%2").arg(box.width()).arg(box.height()).toStdString());
}

void BM_StretchDIBitsCached(benchmark::State& state) {
  const QSize box = kBoxes[state.range(0)];
  QImage target(box, QImage::Format_RGB32);
  QtDevice::clearCache();
  paint(target, box);
  for (auto _ : state) {
    paint(target, box);
    benchmark::DoNotOptimize(target.constBits());
  }
  if (QtDevice::cacheStats().hits == 0) state.SkipWithError("the cache was never hit");
  state.SetLabel(QStringLiteral("%1x%2").arg(box.width()).arg(box.height()).toStdString());
}

// The floor: the whole picture already converted, drawn once into the box.
void BM_DrawImageConverted(benchmark::State& state) {
  const QSize box = kBoxes[state.range(0)];
  QImage target(box, QImage::Format_RGB32);
  const TDib& dib = picture();
  const QImage converted =
      QImage(dib.Bits, kPicW, kPicH, dib.RowBytes, QImage::Format_BGR888).mirrored().convertToFormat(QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&target);
    painter.drawImage(QRect(QPoint(0, 0), box), converted);
    benchmark::DoNotOptimize(target.constBits());
  }
  state.SetLabel(QStringLiteral("%1x%2").arg(box.width()).arg(box.height()).toStdString());
}

BENCHMARK(BM_StretchDIBitsCold)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StretchDIBitsCached)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawImageConverted)->DenseRange(0, 1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
