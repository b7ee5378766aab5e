// The dot poster's preview: renderDotPicture of about a quarter million dots into a preview-sized
// picture, which must redraw well within 100 ms; and the screen made from a 24-megapixel photo.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "print/DotScreen.h"

using namespace tessaro;

namespace {

// A photo-like picture: smooth gradients with some texture, so cells differ.
TDib photo(int32_t w, int32_t h) {
  TDib d = newdib(w, h, 24, nullptr, 0);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = d.row(y);
    for (int32_t x = 0; x < w; ++x, row += 3) {
      row[0] = static_cast<uint8_t>(x * 255 / w);
      row[1] = static_cast<uint8_t>(y * 255 / h);
      row[2] = static_cast<uint8_t>((x ^ y) & 0xff);
    }
  }
  return d;
}

// 2000 x 1400 pixels printed at 5 x 3.5 m; 8.4 mm cells at 45° make about 248 000 dots.
DotScreen screen(DotShape shape, DotColourMode mode) {
  static const TDib picture = photo(2000, 1400);
  DotSettings s;
  s.cellMm = mode == DotColourMode::Cmyk ? 16.8 : 8.4;  // CMYK: four screens of a quarter each
  s.shape = shape;
  s.colourMode = mode;
  return DotScreen::make(picture, s, 2.5, 2.5);
}

void BM_DotPreview(benchmark::State& state) {
  const DotScreen dots = screen(static_cast<DotShape>(state.range(0)), static_cast<DotColourMode>(state.range(1)));
  for (auto _ : state) {
    TDib shown = renderDotPicture(dots, 1000, 700);
    benchmark::DoNotOptimize(shown.Bits);
  }
  state.counters["dots"] = static_cast<double>(dots.dotCount());
}

void BM_DotScreenFromPhoto(benchmark::State& state) {
  static const TDib picture = photo(6000, 4000);
  DotSettings s;
  s.cellMm = 10;
  s.colourMode = static_cast<DotColourMode>(state.range(0));
  // 6000 x 4000 pixels at 0.5 mm: 3 x 2 m, 60 000 cells of 10 mm per screen.
  for (auto _ : state) {
    DotScreen dots = DotScreen::make(picture, s, 0.5, 0.5);
    benchmark::DoNotOptimize(dots.dotCount());
  }
}

}  // namespace

// Shapes: 0 circle, 1 square, 2 diamond, 3 line; colour modes: 0 black, 2 picture, 3 CMYK.
BENCHMARK(BM_DotPreview)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({3, 0})
    ->Args({0, 2})
    ->Args({0, 3})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DotScreenFromPhoto)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
