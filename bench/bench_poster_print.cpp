// Printing a 10 x 10 poster of a 6000 x 4000 picture to PDF, beside writing that whole picture
// once as one PDF page; and repainting the poster's preview, beside drawing the whole picture
// once into the same box. Every pixel of the picture has to reach the PDF once, so the single
// page is the limit the poster is measured against.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFileInfo>
#include <algorithm>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>

#include "layout/PreviewGrid.h"
#include "picture/DrawDib.h"
#include "platform/QtDevice.h"
#include "platform/QtPrintService.h"
#include "print/PosterPrintJob.h"

namespace {

using namespace tessaro;

constexpr int kPicW = 6000, kPicH = 4000;

const TDib& picture() {
  static const TDib dib = [] {
    // Smooth gradients with some grain, so the PDF's compression works about as hard as on a photo.
    TDib d = newdib(kPicW, kPicH, 24, nullptr, 0);
    uint32_t seed = 12345;
    for (int y = 0; y < kPicH; ++y) {
      uint8_t* row = d.storedRow(y);
      for (int x = 0; x < kPicW; ++x) {
        seed = seed * 1664525u + 1013904223u;
        const int grain = static_cast<int>(seed >> 28) - 8;
        row[3 * x] = static_cast<uint8_t>(std::clamp(x / 24 + grain, 0, 255));
        row[3 * x + 1] = static_cast<uint8_t>(std::clamp(y / 16 + grain, 0, 255));
        row[3 * x + 2] = static_cast<uint8_t>(std::clamp((x + y) / 40 - grain, 0, 255));
      }
    }
    touchDib(d);
    return d;
  }();
  return dib;
}

PosterState tenByTen() {
  PosterState p;
  p.PosterWidth = p.PosterHeight = 10;
  p.SheetsX = p.SheetsY = 10;
  return p;
}

void BM_PrintPoster10x10ToPdf(benchmark::State& state) {
  QTemporaryDir dir;
  QtPrintService printer;
  printer.usePdfFile(dir.path());
  Options options;
  SheetGrid off;
  for (auto _ : state) {
    const PosterPrintResult r =
        printPoster(printer, picture(), tenByTen(), options, GlueMargins{}, off, PosterPrintRequest{});
    if (r.pagesPrinted != 100) state.SkipWithError("not 100 pages");
    state.counters["pdf_MB"] = QFileInfo(QString::fromStdString(printer.jobFile())).size() / 1e6;
    QFile::remove(QString::fromStdString(printer.jobFile()));
  }
}

void BM_WholePictureOnePdfPage(benchmark::State& state) {
  QTemporaryDir dir;
  for (auto _ : state) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("one.pdf"));
    printer.setResolution(600);
    QPainter painter(&printer);
    const QRect page = printer.pageLayout().paintRectPixels(600);
    // The whole picture at its own resolution, converted and embedded once.
    const TDib& dib = picture();
    QImage image(dib.Bits, kPicW, kPicH, dib.RowBytes, QImage::Format_BGR888);
    painter.drawImage(QRect(0, 0, page.width(), page.width() * kPicH / kPicW), image.mirrored());
    painter.end();
    state.counters["pdf_MB"] = QFileInfo(dir.filePath("one.pdf")).size() / 1e6;
  }
}

PreviewBox box800x600() {
  PreviewBox b;
  b.width = 800;
  b.height = 600;
  b.zoomBaseHeight = 600;
  b.pageWidth = 4761;
  b.pageHeight = 6816;
  return b;
}

void BM_PreviewRepaint10x10(benchmark::State& state) {
  QImage target(800, 600, QImage::Format_RGB32);
  Options options;
  SheetGrid off;
  for (auto _ : state) {
    QPainter painter(&target);
    QtDevice dc(painter);
    paintPreview(dc, picture(), box800x600(), tenByTen(), options, GlueMargins{}, off);
  }
}

void BM_WholePictureIntoTheBox(benchmark::State& state) {
  QImage target(800, 600, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&target);
    QtDevice dc(painter);
    DrawDib(dc, 10, 10, 780, 520, picture(), 0, 0, kPicW, kPicH, true, SRCCOPY);
  }
}

BENCHMARK(BM_PrintPoster10x10ToPdf)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_WholePictureOnePdfPage)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_PreviewRepaint10x10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholePictureIntoTheBox)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
