// Decoding and encoding a 6000 x 4000 photograph-like picture as JPEG, PNG and TIFF, beside the
// command-line tools built on the same libraries, run on the same files in the same process
// so the times sit side by side.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "picture/Stream.h"
#include "picture/codecs/Codecs.h"

using namespace tessaro;

namespace {

constexpr int32_t kWidth = 6000, kHeight = 4000;

std::string workDir() {
  static const std::string dir = [] {
    const std::filesystem::path shm("/dev/shm");
    const auto base = std::filesystem::exists(shm) ? shm : std::filesystem::temp_directory_path();
    const auto d = base / "tessaro-bench-libcodecs";
    std::filesystem::create_directories(d);
    return d.string();
  }();
  return dir;
}

std::string file(const std::string& name) { return workDir() + "/" + name; }

// Smooth shapes with a little sensor-like noise, so the compressors see a photograph rather
// than flat colour.
const TDib& photo() {
  static const TDib dib = [] {
    TDib d = newdib(kWidth, kHeight, 24, nullptr, 0);
    uint32_t seed = 12345;
    for (int32_t y = 0; y < kHeight; ++y) {
      uint8_t* p = d.row(y);
      for (int32_t x = 0; x < kWidth; ++x, p += 3) {
        seed = seed * 1664525u + 1013904223u;
        const int noise = static_cast<int>(seed >> 29) - 4;
        const double fx = x / 600.0, fy = y / 400.0;
        const int r = static_cast<int>(128 + 100 * std::sin(fx) * std::cos(fy * 0.7)) + noise;
        const int g = static_cast<int>(128 + 90 * std::sin(fx * 0.5 + fy)) + noise;
        const int b = static_cast<int>(128 + 110 * std::cos(fx * 0.3 - fy * 1.3)) + noise;
        p[0] = static_cast<uint8_t>(std::clamp(b, 0, 255));
        p[1] = static_cast<uint8_t>(std::clamp(g, 0, 255));
        p[2] = static_cast<uint8_t>(std::clamp(r, 0, 255));
      }
    }
    return d;
  }();
  return dib;
}

bool save(const Codec& codec, const std::string& path) {
  FileOutputStream out(path);
  return out.isOpen() && codec.encode(photo(), out) && out.close();
}

void writePpm(const std::string& path) {
  FileOutputStream out(path);
  const std::string header = "P6\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n";
  out.write(header.data(), header.size());
  std::vector<uint8_t> row(static_cast<size_t>(kWidth) * 3);
  for (int32_t y = 0; y < kHeight; ++y) {
    const uint8_t* p = photo().row(y);
    for (int32_t x = 0; x < kWidth; ++x) {
      row[3 * x] = p[3 * x + 2];
      row[3 * x + 1] = p[3 * x + 1];
      row[3 * x + 2] = p[3 * x];
    }
    out.write(row.data(), row.size());
  }
  out.close();
}

// The sample files, written once: ours, and a raw PPM and uncompressed TIFF for the encoders.
void prepare() {
  static const bool done = [] {
    save(jpegCodec(), file("photo.jpg"));
    save(pngCodec(), file("photo.png"));
    save(tiffCodec(), file("photo.tif"));
    writePpm(file("photo.ppm"));
    return std::system(("tiffcp -c none " + file("photo.tif") + " " + file("raw.tif")).c_str()) == 0;
  }();
  if (!done) std::abort();
}

void decode(benchmark::State& state, const Codec& codec, const std::string& name) {
  prepare();
  for (auto _ : state) {
    FileInputStream in(file(name));
    TDib dib = codec.decode(in, nullptr);
    if (dib.empty()) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(dib.Bits);
  }
}

void encode(benchmark::State& state, const Codec& codec, const std::string& name) {
  prepare();
  for (auto _ : state)
    if (!save(codec, file(name))) state.SkipWithError("encode failed");
}

void tool(benchmark::State& state, const std::string& command) {
  prepare();
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError(command.c_str());
}

// The floor under every decode: getting and first touching the picture's memory.
void allocateOnly(benchmark::State& state) {
  for (auto _ : state) {
    TDib dib = allocateDib(kWidth, kHeight, 24, false);
    std::fill_n(dib.Bits, dib.pixelBytes(), uint8_t{1});
    benchmark::DoNotOptimize(dib.Bits);
  }
}

}  // namespace

BENCHMARK(allocateOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(decode, Jpeg, jpegCodec(), "photo.jpg")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(tool, JpegDecode_djpeg, "djpeg -outfile /dev/null " + file("photo.jpg"))
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(decode, Png, pngCodec(), "photo.png")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(tool, PngDecode_pngtopnm, "pngtopnm " + file("photo.png") + " > /dev/null")
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(decode, Tiff, tiffCodec(), "photo.tif")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(tool, TiffDecode_tiffcp, "tiffcp -c none " + file("photo.tif") + " " + file("out-raw.tif"))
    ->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_CAPTURE(encode, Jpeg, jpegCodec(), "out.jpg")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(tool, JpegEncode_cjpeg, "cjpeg -quality 90 -outfile /dev/null " + file("photo.ppm"))
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(encode, Png, pngCodec(), "out.png")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(tool, PngEncode_pnmtopng, "pnmtopng " + file("photo.ppm") + " > /dev/null")
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(encode, Tiff, tiffCodec(), "out.tif")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(tool, TiffEncode_tiffcp, "tiffcp -c lzw " + file("raw.tif") + " " + file("out-lzw.tif"))
    ->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
