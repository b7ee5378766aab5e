#include "picture/PhotoGrain.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

namespace tessaro {

namespace {
constexpr uint64_t kSampleBytes = 1u << 20;
constexpr uLong kFlatRatio = 5;  // a sample shrunk to under a fifth counts as flat
}  // namespace

bool looksLikeAPhoto(const uint8_t* rows, uint64_t stride, uint64_t rowBytes, int32_t height) {
  if (!rows || height < 2 || rowBytes == 0) return false;
  // At most kSampleBytes in all, also from a picture of a few extremely wide rows.
  const uint64_t sampleBytes = std::min(rowBytes, kSampleBytes / 2);
  const auto count =
      static_cast<int32_t>(std::clamp<uint64_t>(kSampleBytes / sampleBytes, 2, static_cast<uint64_t>(height)));
  const int32_t first = (height - count) / 2;
  // Up-filtered: grain leaves the band large at level 1, flat content shrinks it to a fraction.
  std::vector<uint8_t> band(sampleBytes * static_cast<uint64_t>(count - 1));
  for (int32_t r = 1; r < count; ++r) {
    const uint8_t* before = rows + stride * static_cast<uint64_t>(first + r - 1);
    const uint8_t* row = rows + stride * static_cast<uint64_t>(first + r);
    uint8_t* out = band.data() + sampleBytes * static_cast<uint64_t>(r - 1);
    for (uint64_t i = 0; i < sampleBytes; ++i) out[i] = static_cast<uint8_t>(row[i] - before[i]);
  }
  uLongf packed = compressBound(static_cast<uLong>(band.size()));
  std::vector<uint8_t> sink(packed);
  if (compress2(sink.data(), &packed, band.data(), static_cast<uLong>(band.size()), kPhotoLevel) != Z_OK) return false;
  return packed * kFlatRatio > band.size();
}

}  // namespace tessaro
