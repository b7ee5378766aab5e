// DrawDib of a large photo into a window-sized device and into the small preview box, directly
// (true-colour screen) and through the halftoned copy (palette screen).
#include <benchmark/benchmark.h>

#include "picture/DrawDib.h"
#include "support/RasterDevice.h"

using namespace tessaro;

namespace {

const TDib& photo() {
  static const TDib pic = [] {
    TDib d = newdib(6000, 4000, 24, nullptr, 0);
    for (int32_t y = 0; y < 4000; ++y) {
      uint8_t* row = d.storedRow(y);
      for (int32_t x = 0; x < 6000; ++x) {
        row[3 * x] = static_cast<uint8_t>(x * 7 + y);
        row[3 * x + 1] = static_cast<uint8_t>(x ^ y);
        row[3 * x + 2] = static_cast<uint8_t>(y * 3);
      }
    }
    return d;
  }();
  return pic;
}

void drawInto(benchmark::State& state, int32_t w, int32_t h) {
  setScreenBitsPerPixel(static_cast<int>(state.range(0)));
  const TDib& pic = photo();
  test::RasterDevice dev(w, h);
  for (auto _ : state) {
    DrawDib(dev, 0, 0, w, h, pic, 0, 0, 6000, 4000, true, SRCCOPY);
    dev.clearCalls();
    benchmark::DoNotOptimize(dev.pixels().data());
  }
  setScreenBitsPerPixel(24);
}

void BM_DrawDibWindow(benchmark::State& state) { drawInto(state, 800, 600); }
void BM_DrawDibPreview(benchmark::State& state) { drawInto(state, 221, 194); }

}  // namespace

BENCHMARK(BM_DrawDibWindow)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawDibPreview)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
