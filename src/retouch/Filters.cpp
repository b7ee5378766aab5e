#include "retouch/Filters.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "retouch/FilterRows.h"

namespace tessaro {

const std::array<TFilterDef, kFilterCount> FilterTable = {{
    {9, 0, {{{0, 0, 0, 0, 0}, {0, 1, 1, 1, 0}, {0, 1, 1, 1, 0}, {0, 1, 1, 1, 0}, {0, 0, 0, 0, 0}}}, "Weichzeichnen"},
    {5,
     0,
     {{{0, 0, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 1, 1, 1, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, 0, 0}}},
     "Schwach Weichzeichnen"},
    {25,
     0,
     {{{1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}}},
     "Stark Weichzeichnen"},
    {12,
     0,
     {{{0, 0, 0, 0, 0}, {0, -1, -1, -1, 0}, {0, -1, 20, -1, 0}, {0, -1, -1, -1, 0}, {0, 0, 0, 0, 0}}},
     "Schärfen"},
    {36,
     0,
     {{{-1, -1, -1, -1, -1}, {-1, -1, -1, -1, -1}, {-1, -1, 60, -1, -1}, {-1, -1, -1, -1, -1}, {-1, -1, -1, -1, -1}}},
     "Stark Schärfen"},
    {1, 0, {{{0, 0, 0, 0, 0}, {0, 1, 1, 1, 0}, {0, 1, -7, 1, 0}, {0, 1, 1, 1, 0}, {0, 0, 0, 0, 0}}}, "Grease"},
    {1,
     0,
     {{{-1, -1, -1, -1, -1},
       {-1, -10, -10, -10, -1},
       {-1, -10, 98, -10, -1},
       {-1, -10, -10, -10, -1},
       {-1, -1, -1, -1, -1}}},
     "Lithograph"},
    {1,
     0,
     {{{0, -1, -2, -3, -4}, {0, -1, 3, 2, 1}, {0, -1, 10, 2, 1}, {0, -1, 3, 2, 1}, {0, -1, -2, -3, -4}}},
     "Psychdist"},
    {1,
     0,
     {{{0, 0, 0, 0, 0}, {0, -1, -1, -1, 0}, {0, -1, 9, -1, 0}, {0, -1, -1, -1, 0}, {0, 0, 0, 0, 0}}},
     "Ecken hervorheben"},
    {1,
     0,
     {{{0, 0, 0, 0, 0}, {0, -1, -1, -1, 0}, {0, -1, 8, -1, 0}, {0, -1, -1, -1, 0}, {0, 0, 0, 0, 0}}},
     "Ecken finden"},
    {1,
     0,
     {{{0, 0, 0, 0, 0}, {0, -1, 0, 1, 0}, {0, -1, 0, 1, 0}, {0, -1, 0, 1, 0}, {0, 0, 0, 0, 0}}},
     "Ecken horizontal finden"},
    {1,
     0,
     {{{0, 0, 0, 0, 0}, {0, -1, -1, -1, 0}, {0, 0, 0, 0, 0}, {0, 1, 1, 1, 0}, {0, 0, 0, 0, 0}}},
     "Ecken vertikal finden"},
    {1, 128, {{{0, 0, 0, 0, 0}, {0, -1, 0, 1, 0}, {0, -1, 0, 1, 0}, {0, -1, 0, 1, 0}, {0, 0, 0, 0, 0}}}, "Emboss"},
    {1,
     128,
     {{{0, 0, 0, 0, 0}, {0, -1, -1, -1, 0}, {0, 0, 0, 0, 0}, {0, 1, 1, 1, 0}, {0, 0, 0, 0, 0}}},
     "Emboss vertikal"},
}};

namespace {

using filters::Group;
using filters::Job;
using filters::Plan;
using filters::RowBuffers;
using filters::RowWeights;

// The plain row loop, left to the compiler's vectoriser: any kernel, 16- or 32-bit sums.

// One pass over the five rows per base: a zero weight costs less than another pass over the sums.
template <typename T, bool Small>
void verticalSum(T* out, const uint8_t* const rows[5], const RowWeights& w, int32_t n) {
  const T k0 = static_cast<T>(w[0]), k1 = static_cast<T>(w[1]), k2 = static_cast<T>(w[2]), k3 = static_cast<T>(w[3]),
          k4 = static_cast<T>(w[4]);
  const uint8_t *r0 = rows[0], *r1 = rows[1], *r2 = rows[2], *r3 = rows[3], *r4 = rows[4];
  if constexpr (Small) {
    for (int32_t i = 0; i < n; ++i)
      out[i] = static_cast<T>(static_cast<T>(k1 * r1[i]) + static_cast<T>(k2 * r2[i]) + static_cast<T>(k3 * r3[i]));
  } else {
    for (int32_t i = 0; i < n; ++i)
      out[i] = static_cast<T>(static_cast<T>(k0 * r0[i]) + static_cast<T>(k1 * r1[i]) + static_cast<T>(k2 * r2[i]) +
                              static_cast<T>(k3 * r3[i]) + static_cast<T>(k4 * r4[i]));
  }
}

template <typename T, bool Small>
void addPairs(T* outer, T* inner, const uint8_t* const rows[5], int32_t n) {
  const uint8_t *r0 = rows[0], *r1 = rows[1], *r3 = rows[3], *r4 = rows[4];
  if constexpr (Small) {
    for (int32_t i = 0; i < n; ++i) inner[i] = static_cast<T>(r1[i] + r3[i]);
  } else {
    for (int32_t i = 0; i < n; ++i) {
      outer[i] = static_cast<T>(r0[i] + r4[i]);
      inner[i] = static_cast<T>(r1[i] + r3[i]);
    }
  }
}

// verticalSum for a base that weighs the rows symmetrically, from the shared row pairs.
template <typename T, bool Small>
void pairedSum(T* out, const T* outer, const T* inner, const uint8_t* middle, const RowWeights& w, int32_t n) {
  const T k0 = static_cast<T>(w[0]), k1 = static_cast<T>(w[1]), k2 = static_cast<T>(w[2]);
  if constexpr (Small) {
    for (int32_t i = 0; i < n; ++i)
      out[i] = static_cast<T>(static_cast<T>(k1 * inner[i]) + static_cast<T>(k2 * middle[i]));
  } else {
    for (int32_t i = 0; i < n; ++i)
      out[i] = static_cast<T>(static_cast<T>(k0 * outer[i]) + static_cast<T>(k1 * inner[i]) +
                              static_cast<T>(k2 * middle[i]));
  }
}

// acc (= or +=) the group's N columns of bases' sums, each times its weight; `sums` holds each
// base's sums with two replicated pixels on either side.
template <typename T, int N, bool Add>
void groupPass(T* acc, const T* sums, size_t stride, const Group& g, int32_t n) {
  const T* s[N];
  T w[N];
  for (int j = 0; j < N; ++j) {
    s[j] = sums + static_cast<size_t>(g.base[j]) * stride + 3 * g.column[j];
    w[j] = static_cast<T>(g.weight[j]);
  }
  for (int32_t i = 0; i < n; ++i) {
    T v = Add ? acc[i] : T{0};
    for (int j = 0; j < N; ++j) v = static_cast<T>(v + static_cast<T>(w[j] * s[j][i]));
    acc[i] = v;
  }
}

template <typename T, bool Add>
void groupPassOf(T* acc, const T* sums, size_t stride, const Group& g, int32_t n) {
  switch (g.count) {
    case 1:
      return groupPass<T, 1, Add>(acc, sums, stride, g, n);
    case 2:
      return groupPass<T, 2, Add>(acc, sums, stride, g, n);
    case 3:
      return groupPass<T, 3, Add>(acc, sums, stride, g, n);
    case 4:
      return groupPass<T, 4, Add>(acc, sums, stride, g, n);
    default:
      return groupPass<T, 5, Add>(acc, sums, stride, g, n);
  }
}

// All groups, a pass each, then the centre weight times the middle samples.
template <typename T>
void horizontalSum(T* acc, const T* sums, size_t stride, const Plan& p, const uint8_t* middle, int32_t n) {
  if (!p.groups) std::fill_n(acc, n, T{0});
  for (int g = 0; g < p.groups; ++g) {
    if (g)
      groupPassOf<T, true>(acc, sums, stride, p.group[g], n);
    else
      groupPassOf<T, false>(acc, sums, stride, p.group[g], n);
  }
  if (!p.center) return;
  const T c = static_cast<T>(p.center);
  for (int32_t i = 0; i < n; ++i) acc[i] = static_cast<T>(acc[i] + static_cast<T>(c * middle[i]));
}

// |x| / divisor and the bias in 16-bit lanes; (|x| * recip) >> 16 is the high half of one 16-bit
// multiply, as in the vector loop.
inline void finishNarrow(uint8_t* out, const int16_t* acc, const Plan& p, int32_t n) {
  const auto bias = static_cast<int16_t>(p.bias);
  if (p.divisor == 1) {
    for (int32_t i = 0; i < n; ++i)
      out[i] = static_cast<uint8_t>(std::clamp<int16_t>(static_cast<int16_t>(acc[i] + bias), 0, 255));
    return;
  }
  const uint16_t m = p.recip;
  const int shift = p.recipShift;
  for (int32_t i = 0; i < n; ++i) {
    const int16_t x = acc[i];
    const auto ax = static_cast<uint16_t>(x < 0 ? -x : x);
    const auto q = static_cast<int16_t>(static_cast<uint16_t>((uint32_t{ax} * m) >> 16) >> shift);
    const auto v = static_cast<int16_t>(x < 0 ? bias - q : bias + q);
    out[i] = static_cast<uint8_t>(std::clamp<int16_t>(v, 0, 255));
  }
}

// A quotient through single-precision division is exact here: numerator and divisor lie below
// 2^24, so the rounding error stays smaller than the distance 1/divisor to the next integer.
template <typename T>
void finishRow(uint8_t* out, const T* acc, const Plan& p, int32_t n) {
  const int32_t bias = p.bias;
  if constexpr (sizeof(T) == 2) {
    if (p.narrowFinish) return finishNarrow(out, acc, p, n);
  }
  if (p.divisor == 1) {
    for (int32_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(std::clamp<int32_t>(acc[i] + bias, 0, 255));
  } else if (sizeof(T) == 2 && p.recip) {
    const uint32_t m = p.recip;
    const int shift = 16 + p.recipShift;
    for (int32_t i = 0; i < n; ++i) {
      const int32_t x = acc[i];
      const auto q = static_cast<int32_t>((static_cast<uint32_t>(std::abs(x)) * m) >> shift);
      out[i] = static_cast<uint8_t>(std::clamp<int32_t>((x < 0 ? -q : q) + bias, 0, 255));
    }
  } else if (sizeof(T) == 2) {
    const float d = static_cast<float>(p.divisor);
    for (int32_t i = 0; i < n; ++i) {
      const auto q = static_cast<int32_t>(static_cast<float>(acc[i]) / d);
      out[i] = static_cast<uint8_t>(std::clamp<int32_t>(q + bias, 0, 255));
    }
  } else {
    for (int32_t i = 0; i < n; ++i)
      out[i] = static_cast<uint8_t>(std::clamp<int64_t>(int64_t{acc[i]} / p.divisor + bias, 0, 255));
  }
}

// Each base's sums of the samples from lo to hi of a piece at i of m samples.
template <typename T, bool Small>
void verticalSums(RowBuffers<T>& buf, const Plan& plan, const uint8_t* const rows[5], int32_t i, int32_t m, int32_t n) {
  const int32_t lo = std::max(i - 6, 0), hi = std::min(i + m + 6, n);
  const uint8_t* from[5];
  for (int ky = 0; ky < 5; ++ky) from[ky] = rows[ky] + lo;
  T* const outer = buf.pairs.data();
  T* const inner = outer + buf.stride;
  if (plan.symmetric) addPairs<T, Small>(outer, inner, from, hi - lo);
  for (int b = 0; b < plan.bases; ++b) {
    T* s = buf.sums.data() + static_cast<size_t>(b) * buf.stride;
    if (plan.symmetric)
      pairedSum<T, Small>(s + (lo - (i - 6)), outer, inner, from[2], plan.base[b], hi - lo);
    else
      verticalSum<T, Small>(s + (lo - (i - 6)), from, plan.base[b], hi - lo);
    filters::repeatEdges(s, i, m, n);
  }
}

template <typename T, bool Small>
void plainRows(const Job& job, RowBuffers<T>& buf, int32_t y0, int32_t y1, RowProgress* progress) {
  const int32_t W = DibWidth(job.src), H = DibHeight(job.src), n = 3 * W;
  for (int32_t y = y0; y < y1; ++y) {
    if (progress) progress->row(y);
    const uint8_t* rows[5];
    for (int ky = 0; ky < 5; ++ky) rows[ky] = job.src.row(std::clamp(y + ky - 2, 0, H - 1));
    for (int32_t i = 0, m; i < n; i += m) {
      m = filters::pieceLength(i, n);
      verticalSums<T, Small>(buf, job.plan, rows, i, m, n);
      horizontalSum<T>(buf.acc.data(), buf.sums.data(), buf.stride, job.plan, rows[2] + i, m);
      finishRow(job.dst.row(y) + i, buf.acc.data(), job.plan, m);
    }
  }
}

template <typename T>
using RowsFn = void (*)(const Job&, RowBuffers<T>&, int32_t, int32_t, RowProgress*);

// Rows go out in bands from a shared counter to this thread and, when the picture is big enough
// to pay for it, a second one: a thread slowed by other work on its core then leaves more bands
// to the other instead of holding up the end. A band spans about 4 MB of the result where the
// picture has eight of them, so that the two threads seldom meet on one freshly mapped huge page,
// which only one of them can have cleared at a time. This thread reports the progress.
template <typename T>
void runRows(const Job& job, RowsFn<T> rows, const ProgressFn& progress) {
  const int32_t H = DibHeight(job.src);
  const auto fourMegabytes = static_cast<int32_t>((size_t{4} << 20) / static_cast<size_t>(job.dst.RowBytes));
  const int32_t band = std::max(32, std::min(fourMegabytes, H / 8));
  const bool twoThreads = int64_t{DibWidth(job.src)} * H >= 256 * 256 && std::thread::hardware_concurrency() > 1;
  RowBuffers<T> mine(job);
  RowProgress report(progress, H);
  if (!twoThreads) return rows(job, mine, 0, H, &report);
  RowBuffers<T> theirs(job);
  std::atomic<int32_t> next{0};
  const auto work = [&](RowBuffers<T>& buf, RowProgress* reportTo) {
    for (int32_t y; (y = next.fetch_add(band)) < H;) {
      if (reportTo) reportTo->row(y);
      rows(job, buf, y, std::min(y + band, H), nullptr);
    }
  };
  std::thread other([&] { work(theirs, nullptr); });
  work(mine, &report);
  other.join();
}

template <typename T>
RowsFn<T> plainRowsFor(const Plan& plan) {
  return plan.small ? plainRows<T, true> : plainRows<T, false>;
}

}  // namespace

int findFilter(std::string_view nameOrNumber) {
  const auto lower = [](std::string_view t) {
    std::string l(t);
    for (char& c : l) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return l;
  };
  for (int i = 0; i < kFilterCount; ++i)
    if (lower(FilterTable[static_cast<size_t>(i)].Name) == lower(nameOrNumber) || std::to_string(i + 1) == nameOrNumber)
      return i;
  return -1;
}

TDib filterDib(const TDib& picture, const TFilterDef& f, const ProgressFn& progress) {
  if (picture.empty() || DibBitCount(picture) != 24 || f.Divisor == 0) return {};
  TDib out = newDibLike(picture, DibWidth(picture), DibHeight(picture));
  if (out.empty()) return {};
  const Plan plan = filters::makePlan(f);
  try {
    const Job job{picture, out, plan};
    if (filters::vectorRowsFit(plan, 3 * DibWidth(picture)))
      runRows<int16_t>(job, filters::vectorRows, progress);
    else if (plan.narrow)
      runRows<int16_t>(job, plainRowsFor<int16_t>(plan), progress);
    else
      runRows<int32_t>(job, plainRowsFor<int32_t>(plan), progress);
  } catch (const std::exception&) {  // no memory for the row buffers or no second thread
    return {};
  }
  if (progress) progress(0);
  return out;
}

}  // namespace tessaro
