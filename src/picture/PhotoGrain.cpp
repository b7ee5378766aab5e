#include "picture/PhotoGrain.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

namespace tessaro {

namespace {
constexpr int kBands = 8;                    // spread over the picture, so no one region decides
constexpr uint64_t kShare = 64;              // the sample is at most this fraction of the picture...
constexpr uint64_t kMinSample = 64u << 10;   // ...unless the picture is small anyway
constexpr uint64_t kMaxSample = 1u << 20;
constexpr uint64_t kRowsPerBand = 4;
constexpr uLong kFlatRatio = 32;  // the fast setting shrinks flat areas to under this fraction

uLong packedSize(const std::vector<uint8_t>& data, int level) {
  uLongf packed = compressBound(static_cast<uLong>(data.size()));
  std::vector<uint8_t> sink(packed);
  return compress2(sink.data(), &packed, data.data(), static_cast<uLong>(data.size()), level) == Z_OK ? packed : 0;
}
}  // namespace

bool looksLikeAPhoto(const uint8_t* rows, uint64_t stride, uint64_t rowBytes, int32_t height) {
  if (!rows || height < 2 || rowBytes == 0) return false;
  const auto rowCount = static_cast<uint64_t>(height);
  const uint64_t sampleBytes = std::clamp(rowBytes * rowCount / kShare, kMinSample, kMaxSample);
  // Bytes taken from each row: a few extremely wide rows still give several rows per band. Each
  // band takes them from another place along the rows, from the left edge down to the right.
  const uint64_t slice = std::min(rowBytes, sampleBytes / (kRowsPerBand * kBands));
  const uint64_t perBand = std::clamp<uint64_t>(sampleBytes / (slice * kBands), std::min(kRowsPerBand, rowCount), rowCount);
  const uint64_t bands = std::clamp<uint64_t>(rowCount / perBand, 1, kBands);
  // Up-filtered, as the writers' filters would leave smooth rows.
  std::vector<uint8_t> sample;
  sample.reserve(slice * (perBand - 1) * bands);
  for (uint64_t b = 0; b < bands; ++b) {
    const uint64_t first = (rowCount - perBand) * (2 * b + 1) / (2 * bands);
    const uint64_t column = bands > 1 ? (rowBytes - slice) * b / (bands - 1) : (rowBytes - slice) / 2;
    for (uint64_t r = first + 1; r < first + perBand; ++r) {
      const uint8_t* before = rows + stride * (r - 1) + column;
      const uint8_t* row = rows + stride * r + column;
      for (uint64_t i = 0; i < slice; ++i) sample.push_back(static_cast<uint8_t>(row[i] - before[i]));
    }
  }
  // The slow setting costs the more, the more symbols it has to find matches for: on grain and on
  // smooth shading (enlarged photos) several times the fast setting's time. Only flat areas and
  // drawings, which the fast setting already shrinks to a small fraction, get it, and only where
  // it pays: there it finds long exact repeats, cheaply.
  const uLong fast = packedSize(sample, kPhotoLevel);
  if (fast == 0 || fast * kFlatRatio > sample.size()) return true;
  const uLong thorough = packedSize(sample, kDrawingLevel);
  return thorough == 0 || thorough * 11 >= fast * 10;
}

}  // namespace tessaro
