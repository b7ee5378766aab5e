// A 6000 x 4000 photo-like picture printed as a 10 x 10 A4 poster at 600 dpi into a PDF, beside
// writing the same picture once as PNG: compressing every pixel once is the floor for both size
// and time. Counters: size, time and peak memory of the PDF against the PNG and the picture.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "pdf/PdfPrintService.h"
#include "picture/CodecRegistry.h"
#include "print/PosterPrintJob.h"

namespace {

using namespace tessaro;
namespace fs = std::filesystem;

constexpr int kPicW = 6000, kPicH = 4000;

// Fractal value noise: smooth random lattices of falling weight, bilinearly interpolated, as
// a stand-in for a photo's mix of soft areas, edges and texture.
class Noise {
 public:
  explicit Noise(unsigned seed) : lattice_(kSize * kSize) {
    std::mt19937 random(seed);
    for (float& v : lattice_) v = static_cast<float>(random() & 0xffff) / 65535.0f;
  }
  float at(float x, float y) const {
    float sum = 0, weight = 0.5f;
    for (int octave = 0; octave < 6; ++octave, x *= 2.03f, y *= 2.03f, weight *= 0.5f) sum += weight * smooth(x, y);
    return sum;
  }

 private:
  static constexpr int kSize = 256;
  float cell(int x, int y) const {
    return lattice_[static_cast<size_t>((y & (kSize - 1)) * kSize + (x & (kSize - 1)))];
  }
  float smooth(float x, float y) const {
    const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    float fx = x - static_cast<float>(ix), fy = y - static_cast<float>(iy);
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    const float top = cell(ix, iy) + fx * (cell(ix + 1, iy) - cell(ix, iy));
    const float bottom = cell(ix, iy + 1) + fx * (cell(ix + 1, iy + 1) - cell(ix, iy + 1));
    return top + fy * (bottom - top);
  }
  std::vector<float> lattice_;
};

const TDib& picture() {
  static const TDib dib = [] {
    TDib d = newdib(kPicW, kPicH, 24, nullptr, 0);
    const Noise light(1), hue(2), texture(3);
    std::mt19937 grain(4);
    for (int y = 0; y < kPicH; ++y) {
      uint8_t* row = d.row(y);
      for (int x = 0; x < kPicW; ++x) {
        const float u = static_cast<float>(x) / 700, v = static_cast<float>(y) / 700;
        const float l = light.at(u, v) * 200 + texture.at(u * 9, v * 9) * 40;
        const float h = hue.at(u * 0.5f, v * 0.5f) * 6.2832f;
        const float g = static_cast<float>(static_cast<int>(grain() % 7) - 3);
        const float rgb[3] = {l + 40 * std::cos(h) + g, l + 40 * std::cos(h - 2.094f) + g,
                              l + 40 * std::cos(h + 2.094f) + g};
        for (int c = 0; c < 3; ++c)
          row[3 * x + 2 - c] = static_cast<uint8_t>(std::clamp(static_cast<int>(rgb[c]), 0, 255));
      }
    }
    touchDib(d);
    return d;
  }();
  return dib;
}

// The process's peak resident memory since the last reset, in bytes.
double peakResident() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) * 1024;
  return 0;
}

void resetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }

double secondsOf(const std::function<bool()>& work, bool& ok) {
  const auto start = std::chrono::steady_clock::now();
  ok = work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_PdfPosterAgainstPng(benchmark::State& state) {
  const TDib& dib = picture();
  const fs::path dir = fs::temp_directory_path() / ("tessaro_bench_pdf_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string png = (dir / "picture.png").string(), pdf = (dir / "poster.pdf").string();
  PosterState poster;
  poster.PosterWidth = poster.PosterHeight = 10;
  poster.SheetsX = poster.SheetsY = 10;
  for (auto _ : state) {
    bool ok = false;
    const double pngSeconds = secondsOf([&] { return SaveDib(dib, png, kFormatPng, {}); }, ok);
    if (!ok) state.SkipWithError("PNG not written");
    resetPeakResident();
    PdfPrintService printer(pdf);
    const double pdfSeconds = secondsOf(
        [&] {
          const PosterPrintResult r =
              printPoster(printer, dib, poster, Options{}, GlueMargins{}, SheetGrid{}, PosterPrintRequest{});
          return r.ok() && r.pagesPrinted == 100;
        },
        ok);
    const double peak = peakResident();
    if (!ok) state.SkipWithError("PDF not written");
    const double pngBytes = static_cast<double>(fs::file_size(png)), pdfBytes = static_cast<double>(fs::file_size(pdf));
    state.counters["pdf_MB"] = pdfBytes / 1e6;
    state.counters["png_MB"] = pngBytes / 1e6;
    state.counters["pdf_s"] = pdfSeconds;
    state.counters["png_s"] = pngSeconds;
    state.counters["size_x_png"] = pdfBytes / pngBytes;
    state.counters["time_x_png"] = pdfSeconds / pngSeconds;
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["peak_x_picture"] = peak / static_cast<double>(dib.pixelBytes());
  }
  fs::remove_all(dir);
}
BENCHMARK(BM_PdfPosterAgainstPng)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
