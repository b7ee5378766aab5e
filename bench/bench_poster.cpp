// The poster preview against a single draw of the whole picture into the same box: the preview
// draws one band per sheet, so its cost should stay close to one full draw.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "layout/PreviewGrid.h"
#include "picture/DrawDib.h"
#include "print/SheetBand.h"

using namespace tessaro;

namespace {

// Counts calls and reads the source pixel of every target pixel, as a painter would, without
// keeping a raster.
class CountingDevice : public Device {
 public:
  CountingDevice(int32_t w, int32_t h) : w_(w), h_(h) {}
  int64_t calls = 0;
  uint64_t sink = 0;

  uint32_t rasterCaps() const override { return RC_STRETCHDIB; }
  int bitsPerPixel() const override { return 24; }
  int stretchDIBits(int32_t, int32_t, int32_t destW, int32_t destH, int32_t srcX, int32_t srcY, int32_t srcW,
                    int32_t srcH, const uint8_t* bits, const BitmapInfo& info, uint32_t) override {
    ++calls;
    if (destW <= 0 || destH <= 0) return 0;
    const int64_t rowBytes = (static_cast<int64_t>(info.bmiHeader.biWidth) * info.bmiHeader.biBitCount + 31) / 32 * 4;
    const int bytes = info.bmiHeader.biBitCount / 8;
    for (int32_t y = 0; y < destH; ++y) {
      const int64_t sy = srcY + static_cast<int64_t>(y) * srcH / destH;
      const uint8_t* row = bits + sy * rowBytes;
      for (int32_t x = 0; x < destW; ++x) sink += row[(srcX + static_cast<int64_t>(x) * srcW / destW) * bytes];
    }
    return srcH;
  }
  int setDIBitsToDevice(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t numScans,
                        const uint8_t*, const BitmapInfo&) override {
    ++calls;
    return numScans;
  }
  std::unique_ptr<DeviceBitmap> createCompatibleBitmap(int32_t, int32_t) override { return nullptr; }
  bool stretchBlt(int32_t, int32_t, int32_t, int32_t, const DeviceBitmap&, int32_t, int32_t, int32_t, int32_t,
                  uint32_t) override {
    return false;
  }
  const PaletteObject* selectPalette(const PaletteObject* p) override {
    ++calls;
    return p;
  }
  void realizePalette() override { ++calls; }
  void setStretchMode(int) override { ++calls; }
  void setPen(Color, PenStyle) override { ++calls; }
  void setBrush(Color) override { ++calls; }
  void line(int32_t, int32_t, int32_t, int32_t) override { ++calls; }
  void rectangle(int32_t, int32_t, int32_t, int32_t) override { ++calls; }
  void fillRect(int32_t, int32_t, int32_t, int32_t, Color) override { ++calls; }
  void setPixel(int32_t, int32_t, Color) override { ++calls; }
  void setFontHeight(int32_t) override { ++calls; }
  TextSize textExtent(const std::string&) override { return {}; }
  void textOut(int32_t, int32_t, const std::string&) override { ++calls; }
  int32_t width() const override { return w_; }
  int32_t height() const override { return h_; }

 private:
  int32_t w_, h_;
};

const TDib& bigPicture() {
  static const TDib pic = [] {
    TDib d = newdib(6000, 4000, 24, nullptr, 0);
    for (size_t i = 0; i < d.pixelBytes(); ++i) d.Bits[i] = static_cast<uint8_t>(i * 131);
    return d;
  }();
  return pic;
}

constexpr PreviewBox kBox{800, 600, 1.0, 600, 4600, 6800};

PosterState tenByTen() {
  PosterState p;
  p.SheetsX = p.SheetsY = 10;
  p.PosterWidth = p.PosterHeight = 10.0;
  return p;
}

void BM_PosterPreview10x10(benchmark::State& state) {
  setScreenBitsPerPixel(24);
  const TDib& pic = bigPicture();
  Options o;
  o.OptShowGlue = true;
  SheetGrid off;
  off.toggle(3, 4);
  CountingDevice dc(kBox.width, kBox.height);
  for (auto _ : state) {
    paintPreview(dc, pic, kBox, tenByTen(), o, {5, 5}, off);
    benchmark::DoNotOptimize(dc.sink);
  }
  state.counters["calls/paint"] = static_cast<double>(dc.calls) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PosterPreview10x10)->Unit(benchmark::kMillisecond);

void BM_PreviewGeometryOnly(benchmark::State& state) {
  const PosterLayout layout{6000, 4000, 10, 10, 10.0, 10.0};
  Options o;
  for (auto _ : state) {
    const PreviewCells cells = previewCells(kBox, tenByTen(), o, {5, 5});
    for (int i = 0; i < 10; ++i) {
      for (int j = 0; j < 10; ++j) {
        const CellRect r = sheetCell(cells, tenByTen(), o, i, j);
        benchmark::DoNotOptimize(
            sheetBand(layout, o, {5, 5}, i, j, {r.x0, r.y0, r.x0 + cells.innerW, r.y0 + cells.innerH}, false));
      }
    }
  }
}
BENCHMARK(BM_PreviewGeometryOnly);

void BM_WholePictureIntoTheBox(benchmark::State& state) {
  setScreenBitsPerPixel(24);
  const TDib& pic = bigPicture();
  CountingDevice dc(kBox.width, kBox.height);
  for (auto _ : state) {
    DrawDib(dc, 0, 0, kBox.width, kBox.height, pic, 0, 0, 6000, 4000, true, SRCCOPY);
    benchmark::DoNotOptimize(dc.sink);
  }
}
BENCHMARK(BM_WholePictureIntoTheBox)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
