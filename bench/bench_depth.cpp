// Reducing a 6000 x 4000 photo-like 24-bit picture to 8 bits the three ways people choose most:
// optimised palette with Floyd-Steinberg, standard palette with ordered dither, optimised palette
// with the nearest colour.
#include <benchmark/benchmark.h>

#include <cmath>

#include "depth/ColourDepth.h"

using namespace tessaro;

namespace {

// Soft gradients, a few large shapes and a little grain: many distinct colours, smoothly spread,
// as in a photo.
const TDib& photo() {
  static TDib pic;
  if (!pic.empty()) return pic;
  constexpr int32_t kW = 6000, kH = 4000;
  pic = newdib(kW, kH, 24, nullptr, 0);
  uint32_t seed = 7;
  for (int32_t y = 0; y < kH; ++y) {
    uint8_t* row = pic.row(y);
    for (int32_t x = 0; x < kW; ++x, row += 3) {
      seed = seed * 1664525u + 1013904223u;
      const int grain = int(seed >> 29) - 4;
      const double hill = 900 + 250 * std::sin(x / 700.0) + 80 * std::sin(x / 130.0);
      const bool sky = y < hill;
      const double t = double(y) / kH, s = double(x) / kW;
      int r =
          sky ? int(60 + 150 * t + 30 * std::sin(x / 300.0 + y / 500.0)) : int(50 + 90 * s + 40 * std::sin(y / 90.0));
      int g = sky ? int(110 + 120 * t) : int(90 + 70 * t + 30 * std::cos(x / 210.0));
      int b = sky ? int(185 + 60 * t) : int(30 + 40 * s);
      auto clamp = [&](int v) { return uint8_t(std::min(255, std::max(0, v + grain))); };
      row[0] = clamp(b), row[1] = clamp(g), row[2] = clamp(r);
    }
  }
  return pic;
}

void reduce(benchmark::State& state, DepthOptions options) {
  const TDib& pic = photo();
  for (auto _ : state) {
    TDib result = DepthDownTo(pic, options);
    benchmark::DoNotOptimize(result.Bits);
  }
  state.SetItemsProcessed(state.iterations() * int64_t{DibWidth(pic)} * DibHeight(pic));
}

}  // namespace

BENCHMARK_CAPTURE(reduce, optimised_fs, DepthOptions{8, true, DepthMethod::FloydSteinberg, true})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(reduce, standard_ordered, DepthOptions{8, false, DepthMethod::Ordered, false})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(reduce, optimised_nearest, DepthOptions{8, true, DepthMethod::Nearest, true})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
