#include "retouch/Resize.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace tessaro {

namespace {

constexpr int32_t kMaxEdit = 32767;  // the size dialog's spin edits

// Source column or row of result column or row i, in 1/1024 steps: the integer part.
int32_t sourceIndex(int32_t i, int32_t step) { return static_cast<int32_t>(static_cast<uint32_t>(i * step) >> 10); }

struct Sampler {
  const TDib& src;
  TDib& dst;
  std::vector<int32_t> column;  // source column of each result column
};

void sampleBits(const Sampler& s, const uint8_t* from, uint8_t* to) {
  const int32_t nw = DibWidth(s.dst);
  for (int32_t x0 = 0; x0 < nw; x0 += 8) {
    uint8_t v = 0;
    for (int32_t k = 0; k < 8 && x0 + k < nw; ++k) {
      const int32_t sx = s.column[static_cast<size_t>(x0 + k)];
      v |= static_cast<uint8_t>((from[sx >> 3] >> (7 - (sx & 7)) & 1) << (7 - k));
    }
    to[x0 >> 3] = v;
  }
}

void sampleNibbles(const Sampler& s, const uint8_t* from, uint8_t* to) {
  const int32_t nw = DibWidth(s.dst);
  auto nibble = [&](int32_t x) {
    const int32_t sx = s.column[static_cast<size_t>(x)];
    return (sx & 1) ? from[sx >> 1] & 0x0f : from[sx >> 1] >> 4;
  };
  for (int32_t x = 0; x + 1 < nw; x += 2) to[x >> 1] = static_cast<uint8_t>(nibble(x) << 4 | nibble(x + 1));
  if (nw % 2) to[nw >> 1] = static_cast<uint8_t>(nibble(nw - 1) << 4);
}

void sampleBytes(const Sampler& s, const uint8_t* from, uint8_t* to) {
  const int32_t nw = DibWidth(s.dst);
  for (int32_t x = 0; x < nw; ++x) to[x] = from[s.column[static_cast<size_t>(x)]];
}

void sampleTriples(const Sampler& s, const uint8_t* from, uint8_t* to) {
  const int32_t nw = DibWidth(s.dst);
  for (int32_t x = 0; x < nw; ++x, to += 3)
    std::memcpy(to, from + 3 * static_cast<size_t>(s.column[static_cast<size_t>(x)]), 3);
}

using SampleFn = void (*)(const Sampler&, const uint8_t*, uint8_t*);

// Nearest neighbour. 1-bit rows are counted from the top, the others as stored (from the
// bottom), as the window always did; with a height change the two pick different rows. A result
// row that takes the same source row as the one before is a copy of it.
void nearest(const Sampler& s, int32_t stepY, RowProgress& rows) {
  const int32_t bits = DibBitCount(s.src), nh = DibHeight(s.dst);
  const SampleFn sample = bits == 1 ? sampleBits : bits == 4 ? sampleNibbles : bits == 8 ? sampleBytes : sampleTriples;
  auto srcRow = [&](int32_t y) { return bits == 1 ? s.src.row(y) : s.src.storedRow(y); };
  auto dstRow = [&](int32_t y) { return bits == 1 ? s.dst.row(y) : s.dst.storedRow(y); };
  for (int32_t y = 0; y < nh; ++y) {
    rows.row(y);
    const int32_t sy = sourceIndex(y, stepY);
    if (y > 0 && sy == sourceIndex(y - 1, stepY))
      std::memcpy(dstRow(y), dstRow(y - 1), static_cast<size_t>(s.dst.RowBytes));
    else
      sample(s, srcRow(sy), dstRow(y));
  }
}

// Bilinear: a source row interpolated across is the same for every result row that uses it, so
// each is made once and kept while the rows above and below it are blended.
class Bilinear {
 public:
  Bilinear(const TDib& src, int32_t nw, int32_t stepX) : src_(src) {
    const int32_t w = DibWidth(src);
    const size_t bytes = 3 * static_cast<size_t>(nw);
    left_.resize(bytes);
    right_.resize(bytes);
    weight_.resize(bytes);
    for (int32_t x = 0; x < nw; ++x) {
      const int32_t sx = sourceIndex(x, stepX), sx1 = std::min(sx + 1, w - 1);
      for (int c = 0; c < 3; ++c) {
        const size_t j = 3 * static_cast<size_t>(x) + static_cast<size_t>(c);
        left_[j] = 3 * sx + c;
        right_[j] = 3 * sx1 + c;
        weight_[j] = static_cast<uint32_t>(x * stepX) & 1023;
      }
    }
    for (Line& l : lines_) l.values.resize(bytes);
  }

  void row(int32_t sy, int32_t sy1, uint32_t ay, uint8_t* to) {
    const uint16_t* upper = line(sy, sy1);
    const uint16_t* lower = line(sy1, sy);
    const size_t bytes = left_.size();
    for (size_t j = 0; j < bytes; ++j) to[j] = static_cast<uint8_t>((upper[j] * (1024 - ay) + lower[j] * ay) >> 10);
  }

 private:
  struct Line {
    int32_t source = -1;
    std::vector<uint16_t> values;
  };

  // Source row r interpolated across; the slot that does not hold row `keep` is reused.
  const uint16_t* line(int32_t r, int32_t keep) {
    for (Line& l : lines_)
      if (l.source == r) return l.values.data();
    Line& l = lines_[0].source == keep ? lines_[1] : lines_[0];
    const uint8_t* p = src_.storedRow(r);
    for (size_t j = 0; j < left_.size(); ++j) {
      const uint32_t a = weight_[j];
      l.values[j] = static_cast<uint16_t>((p[left_[j]] * (1024 - a) + p[right_[j]] * a) >> 10);
    }
    l.source = r;
    return l.values.data();
  }

  const TDib& src_;
  std::vector<int32_t> left_, right_;
  std::vector<uint32_t> weight_;
  Line lines_[2];
};

void bilinear(const TDib& src, TDib& dst, int32_t stepX, int32_t stepY, RowProgress& rows) {
  const int32_t h = DibHeight(src), nh = DibHeight(dst);
  Bilinear blend(src, DibWidth(dst), stepX);
  for (int32_t y = 0; y < nh; ++y) {
    rows.row(y);
    const int32_t sy = sourceIndex(y, stepY), sy1 = std::min(sy + 1, h - 1);
    blend.row(sy, sy1, static_cast<uint32_t>(y * stepY) & 1023, dst.storedRow(y));
  }
}

}  // namespace

TDib resizeDib(const TDib& picture, int32_t nw, int32_t nh, bool interpolate, const ProgressFn& progress) {
  if (picture.empty() || nw <= 0 || nh <= 0) return TDib();
  const int32_t w = DibWidth(picture), h = DibHeight(picture), bits = DibBitCount(picture);
  const int32_t stepX = static_cast<int32_t>(int64_t{w} * 1024 / nw);
  const int32_t stepY = static_cast<int32_t>(int64_t{h} * 1024 / nh);
  TDib result = newDibLike(picture, nw, nh);
  result.Dpi = resizedResolution(picture.Dpi, w, h, nw, nh);
  if (result.empty() || (bits != 1 && bits != 4 && bits != 8 && bits != 24)) return result;
  RowProgress rows(progress, nh);
  if (bits == 24 && interpolate && nw >= w && nh >= h) {
    bilinear(picture, result, stepX, stepY, rows);
  } else {
    Sampler s{picture, result, std::vector<int32_t>(static_cast<size_t>(nw))};
    for (int32_t x = 0; x < nw; ++x) s.column[static_cast<size_t>(x)] = sourceIndex(x, stepX);
    nearest(s, stepY, rows);
  }
  if (progress) progress(0);
  touchDib(result);
  return result;
}

int32_t coupledHeight(int32_t width, int32_t origW, int32_t origH) {
  if (origW <= 0) return 1;
  const long double h = std::nearbyint(static_cast<long double>(int64_t{width} * origH) / origW);
  return static_cast<int32_t>(std::clamp<long double>(h, 1, kMaxEdit));
}

}  // namespace tessaro
