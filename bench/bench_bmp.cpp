// Loading and saving a 6000 x 4000 24-bit BMP, beside the time it takes only to read() the same
// file's bytes into a fresh buffer: the loader should cost little more than the read itself.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "picture/CodecRegistry.h"
#include "picture/codecs/Codecs.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

const std::string& benchFile() {
  static const std::string path = [] {
    const std::string p = "/tmp/tessaro_bench_bmp_" + std::to_string(::getpid()) + ".bmp";
    tessaro::TDib dib = tessaro::newdib(kWidth, kHeight, 24, nullptr, 0);
    for (size_t i = 0; i < dib.pixelBytes(); ++i) dib.Bits[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    tessaro::FileOutputStream out(p);
    if (!tessaro::bmpCodec().encode(dib, out) || !out.close()) std::abort();
    std::atexit([] { std::remove(benchFile().c_str()); });
    return p;
  }();
  return path;
}

double secondsToReadFile() {
  const auto start = std::chrono::steady_clock::now();
  const int fd = ::open(benchFile().c_str(), O_RDONLY);
  struct stat st {};
  ::fstat(fd, &st);
  std::unique_ptr<uint8_t[]> buf(new uint8_t[static_cast<size_t>(st.st_size)]);
  size_t done = 0;
  while (done < static_cast<size_t>(st.st_size)) {
    const ssize_t n = ::read(fd, buf.get() + done, static_cast<size_t>(st.st_size) - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  benchmark::DoNotOptimize(buf.get());
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM"); -1 when unavailable.
long statusKiB(const char* field) {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long value = -1;
  const size_t len = std::strlen(field);
  while (std::fgets(line, sizeof line, f))
    if (std::strncmp(line, field, len) == 0 && line[len] == ':') value = std::strtol(line + len + 1, nullptr, 10);
  std::fclose(f);
  return value;
}

// Resets the peak-RSS mark so that the next peak belongs to the next operation alone.
bool resetPeakRss() {
  FILE* f = std::fopen("/proc/self/clear_refs", "w");
  if (!f) return false;
  const bool ok = std::fputs("5", f) >= 0;
  return std::fclose(f) == 0 && ok;
}

void BM_ReadFileBytes(benchmark::State& state) {
  for (auto _ : state) state.SetIterationTime(secondsToReadFile());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * 3 * kHeight);
}

void BM_LoadBmp24(benchmark::State& state) {
  benchFile();
  double loadSeconds = 0;
  double readSeconds = 0;
  double peakKiB = 0;
  size_t pixelBytes = 0;
  for (auto _ : state) {
    readSeconds += secondsToReadFile();
    const bool peakReset = resetPeakRss();
    const long rssBefore = statusKiB("VmRSS");
    const auto start = std::chrono::steady_clock::now();
    tessaro::TDib dib = tessaro::OpenDib(benchFile(), 0, {});
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (dib.empty()) state.SkipWithError("load failed");
    if (peakReset) peakKiB = std::max(peakKiB, static_cast<double>(statusKiB("VmHWM") - rssBefore));
    pixelBytes = dib.pixelBytes();
    loadSeconds += s;
    state.SetIterationTime(s);
  }
  state.counters["load_over_read"] = loadSeconds / readSeconds;
  // Growth of resident memory during the load over the picture's pixel bytes.
  state.counters["peak_over_pixels"] = peakKiB * 1024.0 / static_cast<double>(pixelBytes);
  state.counters["peak_MiB"] = peakKiB / 1024.0;
  state.counters["pixel_MiB"] = static_cast<double>(pixelBytes) / (1024.0 * 1024.0);
}

void BM_SaveBmp24(benchmark::State& state) {
  tessaro::TDib dib = tessaro::OpenDib(benchFile(), 0, {});
  const std::string out = benchFile() + ".out.bmp";
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const bool ok = tessaro::SaveDib(dib, out, tessaro::kFormatBmp, {});
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (!ok) state.SkipWithError("save failed");
  }
  std::remove(out.c_str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(dib.pixelBytes()));
}

}  // namespace

BENCHMARK(BM_LoadBmp24)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ReadFileBytes)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_SaveBmp24)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
