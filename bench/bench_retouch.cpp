// Crop, mirrors, quarter turns and resize of a 6000 x 4000 picture at each depth, each timed
// beside a memcpy of as many pixel bytes as its result holds, into a picture allocated the same
// way: the "x_memcpy" counter is the ratio of the two from the same run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <map>

#include "picture/MirrorRotate.h"
#include "retouch/Crop.h"
#include "retouch/Resize.h"

using namespace tessaro;

namespace {

constexpr int32_t kW = 6000, kH = 4000;

const TDib& picture(int32_t bits) {
  static std::map<int32_t, TDib> pictures;
  TDib& pic = pictures[bits];
  if (pic.empty()) {
    pic = newdib(kW, kH, bits, nullptr, 0);
    uint32_t seed = 1;
    for (size_t i = 0; i < pic.pixelBytes(); ++i) {
      seed = seed * 1664525u + 1013904223u;
      pic.Bits[i] = static_cast<uint8_t>((seed >> 24) ^ (i / 3000));
    }
  }
  return pic;
}

using Op = std::function<TDib(const TDib&)>;

double seconds(const std::function<void()>& f) {
  const auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void run(benchmark::State& state, const Op& op) {
  const int32_t bits = static_cast<int32_t>(state.range(0));
  const TDib& pic = picture(bits);
  const TDib probe = op(pic);
  const TDib from = copyDib(probe);  // a filled block of the result's size to copy from
  double opTime = 0, copyTime = 0;
  for (auto _ : state) {
    TDib result;
    const double t = seconds([&] { result = op(pic); });
    benchmark::DoNotOptimize(result.Bits);
    TDib copy;
    copyTime += seconds([&] {
      copy = allocateDib(DibWidth(probe), DibHeight(probe), bits, true);
      std::memcpy(copy.Bits, from.Bits, from.pixelBytes());
    });
    benchmark::DoNotOptimize(copy.Bits);
    opTime += t;
    state.SetIterationTime(t);
  }
  state.counters["x_memcpy"] = opTime / copyTime;
  state.counters["MB"] = static_cast<double>(probe.pixelBytes()) / 1e6;
}

void BM_Crop(benchmark::State& s) {
  run(s, [](const TDib& p) { return cropDib(p, 301, 203, kW - 297, kH - 199, {}); });
}
void BM_FlipH(benchmark::State& s) {
  run(s, [](const TDib& p) { return flipHorizontal(p, {}); });
}
void BM_FlipV(benchmark::State& s) {
  run(s, [](const TDib& p) { return flipVertical(p, {}); });
}
void BM_RotateLeft(benchmark::State& s) {
  run(s, [](const TDib& p) { return rotateLeft(p, {}); });
}
void BM_RotateRight(benchmark::State& s) {
  run(s, [](const TDib& p) { return rotateRight(p, {}); });
}
void BM_Resize2x(benchmark::State& s) {
  run(s, [](const TDib& p) { return resizeDib(p, 2 * kW, 2 * kH, true, {}); });
}

}  // namespace

#define DEPTHS ->Arg(24)->Arg(8)->Arg(4)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)
BENCHMARK(BM_Crop) DEPTHS;
BENCHMARK(BM_FlipH) DEPTHS;
BENCHMARK(BM_FlipV) DEPTHS;
BENCHMARK(BM_RotateLeft) DEPTHS;
BENCHMARK(BM_RotateRight) DEPTHS;
BENCHMARK(BM_Resize2x) DEPTHS;
BENCHMARK_MAIN();
