#include "retouch/Filters.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <limits>
#include <new>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "retouch/Crop.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TESSARO_FILTER_AVX2 1
#endif

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

// The kernel as a few vertical bases, each weighing the five rows, whose sums are formed once per
// row, and horizontal terms that add shifted multiples of those sums; the centre weight may stand
// apart as a term of its own when that leaves fewer bases. Every sum stays the exact integer the
// 25 products give, so no byte differs.
struct Term {
  int base = 0;
  int column = 0;
  int32_t weight = 0;
};

struct Plan {
  int bases = 0;
  std::array<std::array<int32_t, 5>, 5> base{};  // base[b][row]
  int terms = 0;
  std::array<Term, 25> term{};
  int32_t center = 0;  // times the middle sample, added after the terms
  int32_t divisor = 1;
  int32_t bias = 0;
  bool narrow = false;  // every sum fits 16 bits
  // Several bases, each weighing row 0 as row 4 and row 1 as row 3: the two row pairs are added
  // once and shared.
  bool symmetric = false;
  // |sum| / divisor as (|sum| x recip) >> (16 + recipShift), checked for every |sum| the kernel
  // can reach; recip 0 when no such pair exists.
  uint16_t recip = 0;
  int recipShift = 0;
  // Quotient plus bias stays within 16 bits, so the last step needs no wider lanes.
  bool narrowFinish = false;
  // No base weighs rows 0 and 4: those rows are left out altogether.
  bool small = false;
};

// A multiplier and shift that give the exact quotient for every numerator 0..top, found by trying
// them all, so no rounding argument has to hold.
void findReciprocal(Plan& p, int64_t top) {
  if (p.divisor <= 1) return;
  const uint32_t d = static_cast<uint32_t>(p.divisor);
  for (int s = 0; s < 16; ++s) {
    const uint64_t m = ((uint64_t{1} << (16 + s)) + d - 1) / d;
    if (m > 0xFFFF) return;
    bool exact = true;
    for (uint32_t u = 0; exact && u <= static_cast<uint32_t>(top); ++u)
      exact = ((u * static_cast<uint32_t>(m)) >> (16 + s)) == u / d;
    if (exact) {
      p.recip = static_cast<uint16_t>(m);
      p.recipShift = s;
      return;
    }
  }
}

using Kernel = std::array<std::array<int32_t, 5>, 5>;

// v divided by the gcd of its entries, first nonzero entry positive; the factor is what was taken
// out (0 for a zero vector).
int32_t normalize(std::array<int32_t, 5>& v) {
  int32_t g = 0, sign = 0;
  for (int32_t w : v) {
    g = std::gcd(g, w);
    if (!sign && w) sign = w < 0 ? -1 : 1;
  }
  if (!g) return 0;
  for (int32_t& w : v) w /= g * sign;
  return g * sign;
}

int findOrAdd(std::array<std::array<int32_t, 5>, 5>& list, int& count, const std::array<int32_t, 5>& v) {
  int i = 0;
  while (i < count && list[i] != v) ++i;
  if (i == count) list[count++] = v;
  return i;
}

// Columns that are multiples of one another share a base: the base is the column, the term its
// multiple.
void splitByColumns(Plan& p, const Kernel& k) {
  for (int kx = 0; kx < 5; ++kx) {
    std::array<int32_t, 5> col;
    for (int ky = 0; ky < 5; ++ky) col[ky] = k[ky][kx];
    if (const int32_t factor = normalize(col)) p.term[p.terms++] = {findOrAdd(p.base, p.bases, col), kx, factor};
  }
}

// Rows that are multiples of one another share a base: the base weighs those rows by their
// multiples, the terms are the row's weights.
void splitByRows(Plan& p, const Kernel& k) {
  std::array<std::array<int32_t, 5>, 5> rows{};
  int count = 0;
  for (int ky = 0; ky < 5; ++ky) {
    std::array<int32_t, 5> row = k[ky];
    const int32_t factor = normalize(row);
    if (!factor) continue;
    const int r = findOrAdd(rows, count, row);
    p.bases = std::max(p.bases, r + 1);
    p.base[r][ky] = factor;
  }
  for (int r = 0; r < count; ++r) {
    const int32_t g = normalize(p.base[r]);
    for (int kx = 0; kx < 5; ++kx)
      if (rows[r][kx]) p.term[p.terms++] = {r, kx, rows[r][kx] * g};
  }
}

// A symmetric base of weights 0 and 1 only: its sums are the row pairs and the middle row added.
bool unitBase(const std::array<int32_t, 5>& w) {
  return w[0] == w[4] && w[1] == w[3] && (w[0] | w[1] | w[2]) == 1 && w[0] >= 0 && w[1] >= 0 && w[2] >= 0;
}

void markShape(Plan& p) {
  p.symmetric = p.bases > 1;
  p.small = true;
  for (int b = 0; b < p.bases; ++b) {
    p.symmetric = p.symmetric && p.base[b][0] == p.base[b][4] && p.base[b][1] == p.base[b][3];
    p.small = p.small && !p.base[b][0] && !p.base[b][4];
  }
}

// Vector operations per group of lanes, roughly: each pass loads, multiplies and adds its inputs
// and stores once.
int cost(const Plan& p) {
  const int rows = p.small ? 3 : 5;
  int c = p.symmetric ? 2 * (p.small ? 1 : 2) : p.bases * (rows + 1);
  for (int b = 0; p.symmetric && b < p.bases; ++b)
    c += unitBase(p.base[b]) ? (p.base[b][0] + p.base[b][1] + p.base[b][2]) + 1 : rows / 2 + 2;
  c += p.terms + 2 * ((p.terms + 4) / 5);
  return c + (p.center ? 4 : 0);
}

Plan makePlan(const TFilterDef& f) {
  Plan p;
  Kernel k;
  int64_t pos = 0, neg = 0;
  for (int ky = 0; ky < 5; ++ky)
    for (int kx = 0; kx < 5; ++kx) {
      k[ky][kx] = f.Kernel[ky][kx];
      (k[ky][kx] > 0 ? pos : neg) += int64_t{255} * std::abs(int64_t{k[ky][kx]});
    }
  // Both ways of splitting, the kernel as it is first, then with the centre weight standing apart
  // so that a different weight remains in the middle.
  int best = std::numeric_limits<int>::max();
  const auto consider = [&](int32_t rest) {
    Kernel r = k;
    r[2][2] = rest;
    for (const auto split : {splitByColumns, splitByRows}) {
      Plan c;
      c.center = k[2][2] - rest;
      split(c, r);
      markShape(c);
      if (const int n = cost(c); n < best) {
        best = n;
        p = c;
      }
    }
  };
  consider(k[2][2]);
  for (int32_t rest = -255; rest <= 255; ++rest)
    if (rest != k[2][2]) consider(rest);
  p.divisor = f.Divisor;
  // Wrapping 16-bit sums end on the exact value when the final sum fits 16 bits: every kernel in
  // the table does, and twice as many lanes fit a vector.
  p.narrow = pos <= 32767 && neg <= 32768;
  if (p.narrow) findReciprocal(p, std::max(pos, neg));
  // Beyond what any quotient can reach the bias only pushes the value further past 0 or 255.
  const int64_t reach = std::max(pos, neg) + 256;
  p.bias = static_cast<int32_t>(std::clamp<int64_t>(f.Bias, -reach, reach));
  p.narrowFinish =
      p.narrow && (p.divisor == 1 || p.recip) && std::max(pos, neg) / p.divisor + std::abs(p.bias) <= 32767;
  return p;
}

// One pass over the five rows per base: a zero weight costs less than another pass over the sums.
template <typename T, bool Small>
void verticalSum(T* out, const uint8_t* const rows[5], const std::array<int32_t, 5>& w, int32_t n) {
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
void pairedSum(T* out, const T* outer, const T* inner, const uint8_t* middle, const std::array<int32_t, 5>& w,
               int32_t n) {
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

// pairedSum for a unit base: additions only.
template <typename T, bool Outer, bool Inner, bool Middle>
void unitPairedSum(T* out, const T* outer, const T* inner, const uint8_t* middle, int32_t n) {
  for (int32_t i = 0; i < n; ++i)
    out[i] = static_cast<T>((Outer ? outer[i] : T{0}) + (Inner ? inner[i] : T{0}) + (Middle ? middle[i] : 0));
}

template <typename T>
void unitPairedSumOf(const std::array<int32_t, 5>& w, T* out, const T* outer, const T* inner, const uint8_t* middle,
                     int32_t n) {
  switch (w[0] * 4 + w[1] * 2 + w[2]) {
    case 1:
      return unitPairedSum<T, false, false, true>(out, outer, inner, middle, n);
    case 2:
      return unitPairedSum<T, false, true, false>(out, outer, inner, middle, n);
    case 3:
      return unitPairedSum<T, false, true, true>(out, outer, inner, middle, n);
    case 4:
      return unitPairedSum<T, true, false, false>(out, outer, inner, middle, n);
    case 5:
      return unitPairedSum<T, true, false, true>(out, outer, inner, middle, n);
    case 6:
      return unitPairedSum<T, true, true, false>(out, outer, inner, middle, n);
    default:
      return unitPairedSum<T, true, true, true>(out, outer, inner, middle, n);
  }
}

// acc (= or +=) the sum of N terms: weight x a base's sums shifted by the term's column; `sums`
// holds each base's sums with two replicated pixels on either side.
template <typename T, int N, bool Add>
void horizontalPass(T* acc, const T* sums, size_t stride, const Term* t, int32_t n) {
  const T* s[N];
  T k[N];
  for (int j = 0; j < N; ++j) {
    s[j] = sums + static_cast<size_t>(t[j].base) * stride + 3 * t[j].column;
    k[j] = static_cast<T>(t[j].weight);
  }
  for (int32_t i = 0; i < n; ++i) {
    T v = Add ? acc[i] : T{0};
    for (int j = 0; j < N; ++j) v = static_cast<T>(v + static_cast<T>(k[j] * s[j][i]));
    acc[i] = v;
  }
}

template <typename T, bool Add>
void horizontalPassOf(int count, T* acc, const T* sums, size_t stride, const Term* t, int32_t n) {
  switch (count) {
    case 1:
      return horizontalPass<T, 1, Add>(acc, sums, stride, t, n);
    case 2:
      return horizontalPass<T, 2, Add>(acc, sums, stride, t, n);
    case 3:
      return horizontalPass<T, 3, Add>(acc, sums, stride, t, n);
    case 4:
      return horizontalPass<T, 4, Add>(acc, sums, stride, t, n);
    default:
      return horizontalPass<T, 5, Add>(acc, sums, stride, t, n);
  }
}

// All terms, five to a pass, then the centre weight times the middle samples.
template <typename T>
void horizontalSum(T* acc, const T* sums, size_t stride, const Plan& p, const uint8_t* middle, int32_t n) {
  if (!p.terms) std::fill_n(acc, n, T{0});
  for (int first = 0; first < p.terms; first += 5) {
    const int count = std::min(5, p.terms - first);
    if (first)
      horizontalPassOf<T, true>(count, acc, sums, stride, p.term.data() + first, n);
    else
      horizontalPassOf<T, false>(count, acc, sums, stride, p.term.data() + first, n);
  }
  if (!p.center) return;
  const T c = static_cast<T>(p.center);
  for (int32_t i = 0; i < n; ++i) acc[i] = static_cast<T>(acc[i] + static_cast<T>(c * middle[i]));
}

// |x| / divisor and the bias in 16-bit lanes; (|x| * recip) >> 16 is the high half of one 16-bit
// multiply.
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

#ifdef TESSARO_FILTER_AVX2
// Sixteen samples of finishNarrow before the pack: the quotient is the high half of a 16-bit
// multiply of |x| (abs(-32768) reads as 32768 taken unsigned), shifted; sign() negates it where
// x < 0.
__attribute__((target("avx2"))) inline __m256i narrowValues(const int16_t* at, __m256i m, __m128i shift, __m256i bias,
                                                            bool divide) {
  const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
  if (!divide) return _mm256_add_epi16(x, bias);
  const __m256i q = _mm256_srl_epi16(_mm256_mulhi_epu16(_mm256_abs_epi16(x), m), shift);
  return _mm256_add_epi16(_mm256_sign_epi16(q, x), bias);
}

// finishNarrow 32 samples at a time: left to itself the compiler widens the quotient to 32 bits.
// The saturating pack clamps to 0..255 as the plain loop does.
__attribute__((target("avx2"))) inline void finishNarrowAvx2(uint8_t* out, const int16_t* acc, const Plan& p,
                                                             int32_t n) {
  const __m256i bias = _mm256_set1_epi16(static_cast<int16_t>(p.bias));
  const __m256i m = _mm256_set1_epi16(static_cast<int16_t>(p.recip));
  const __m128i shift = _mm_cvtsi32_si128(p.recipShift);
  const bool divide = p.divisor != 1;
  int32_t i = 0;
  for (; i + 32 <= n; i += 32) {
    const __m256i packed = _mm256_packus_epi16(narrowValues(acc + i, m, shift, bias, divide),
                                               narrowValues(acc + i + 16, m, shift, bias, divide));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_permute4x64_epi64(packed, 0xD8));
  }
  finishNarrow(out + i, acc + i, p, n - i);
}
#endif

// A quotient through single-precision division is exact here: numerator and divisor lie below
// 2^24, so the rounding error stays smaller than the distance 1/divisor to the next integer.
template <typename T>
void finishRow(uint8_t* out, const T* acc, const Plan& p, int32_t n) {
  const int32_t bias = p.bias;
  if constexpr (sizeof(T) == 2) {
#ifdef TESSARO_FILTER_AVX2
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (p.narrowFinish && avx2) return finishNarrowAvx2(out, acc, p, n);
#endif
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

struct Job {
  const TDib& src;
  TDib& dst;
  const Plan& plan;
};

// Per-thread sums of one row, made before any thread starts so that a lack of memory ends the
// operation cleanly.
template <typename T>
struct RowBuffers {
  RowBuffers(const Job& job)
      : stride(3 * static_cast<size_t>(DibWidth(job.src)) + 12),
        sums(stride * static_cast<size_t>(std::max(job.plan.bases, 1))),  // zeros for an all-zero kernel
        acc(stride),
        pairs(job.plan.symmetric ? 2 * stride : 0) {}
  size_t stride;
  std::vector<T> sums, acc;
  std::vector<T> pairs;  // rows 0 + 4 and rows 1 + 3 of a piece, when the plan shares them
};

constexpr int32_t kPiece = 1024;
static_assert(kPiece > 6);

// Each base's vertical sums of the samples i - 6 .. i + m + 5 of a row of n, the samples beyond the
// row being its edge pixels repeated (only the first piece reaches the left edge: kPiece > 6);
// sums[b * stride + k] holds sample i - 6 + k.
template <typename T, bool Small>
void verticalSums(RowBuffers<T>& buf, const Plan& plan, const uint8_t* const rows[5], int32_t i, int32_t m, int32_t n) {
  const int32_t lo = std::max(i - 6, 0), hi = std::min(i + m + 6, n), end = n - (i - 6);
  const uint8_t* from[5];
  for (int ky = 0; ky < 5; ++ky) from[ky] = rows[ky] + lo;
  if (plan.symmetric) addPairs<T, Small>(buf.pairs.data(), buf.pairs.data() + buf.stride, from, hi - lo);
  for (int b = 0; b < plan.bases; ++b) {
    T* s = buf.sums.data() + static_cast<size_t>(b) * buf.stride;
    if (plan.symmetric && unitBase(plan.base[b]))
      unitPairedSumOf<T>(plan.base[b], s + (lo - (i - 6)), buf.pairs.data(), buf.pairs.data() + buf.stride, from[2],
                         hi - lo);
    else if (plan.symmetric)
      pairedSum<T, Small>(s + (lo - (i - 6)), buf.pairs.data(), buf.pairs.data() + buf.stride, from[2], plan.base[b],
                          hi - lo);
    else
      verticalSum<T, Small>(s + (lo - (i - 6)), from, plan.base[b], hi - lo);
    for (int c = 0; c < 3; ++c) {
      if (i == 0) s[c] = s[c + 3] = s[c + 6];
      if (i + m + 6 > n) s[end + c] = s[end + 3 + c] = s[end - 3 + c];
    }
  }
}

template <typename T, bool Small>
void filterRowsOf(const Job& job, RowBuffers<T>& buf, int32_t y0, int32_t y1, RowProgress* progress) {
  const int32_t W = DibWidth(job.src), H = DibHeight(job.src), n = 3 * W;
  for (int32_t y = y0; y < y1; ++y) {
    if (progress) progress->row(y);
    const uint8_t* rows[5];
    for (int ky = 0; ky < 5; ++ky) rows[ky] = job.src.row(std::clamp(y + ky - 2, 0, H - 1));
    // In pieces, so that the sums are still in the first-level cache when they are used.
    for (int32_t i = 0; i < n; i += kPiece) {
      const int32_t m = std::min(kPiece, n - i);
      verticalSums<T, Small>(buf, job.plan, rows, i, m, n);
      horizontalSum<T>(buf.acc.data(), buf.sums.data(), buf.stride, job.plan, rows[2] + i, m);
      finishRow(job.dst.row(y) + i, buf.acc.data(), job.plan, m);
    }
  }
}

template <typename T>
using RowsFn = void (*)(const Job&, RowBuffers<T>&, int32_t, int32_t, RowProgress*);

template <typename T, bool Small>
void rowsPlain(const Job& job, RowBuffers<T>& buf, int32_t y0, int32_t y1, RowProgress* progress) {
  filterRowsOf<T, Small>(job, buf, y0, y1, progress);
}

#ifdef TESSARO_FILTER_AVX2
// The same loops compiled for 256-bit vectors, where the processor has them.
template <typename T, bool Small>
__attribute__((target("avx2"), flatten)) void rowsAvx2(const Job& job, RowBuffers<T>& buf, int32_t y0, int32_t y1,
                                                       RowProgress* progress) {
  filterRowsOf<T, Small>(job, buf, y0, y1, progress);
}

template <typename T, bool Small>
RowsFn<T> rowsFor() {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return avx2 ? rowsAvx2<T, Small> : rowsPlain<T, Small>;
}
#else
template <typename T, bool Small>
RowsFn<T> rowsFor() {
  return rowsPlain<T, Small>;
}
#endif

// The lower half of the rows goes to a second thread when the picture is big enough to pay for
// it; this thread does the upper half and reports the progress.
template <typename T>
void runRows(const Job& job, const ProgressFn& progress) {
  const RowsFn<T> rows = job.plan.small ? rowsFor<T, true>() : rowsFor<T, false>();
  const int32_t H = DibHeight(job.src);
  const int64_t pixels = int64_t{DibWidth(job.src)} * H;
  const int32_t mid = pixels >= 256 * 256 && std::thread::hardware_concurrency() > 1 ? H / 2 : H;
  RowBuffers<T> upper(job);
  RowProgress report(progress, mid);
  if (mid == H) return rows(job, upper, 0, H, &report);
  RowBuffers<T> lowerBuf(job);
  std::thread lower(rows, std::cref(job), std::ref(lowerBuf), mid, H, nullptr);
  rows(job, upper, 0, mid, &report);
  lower.join();
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
  const Plan plan = makePlan(f);
  try {
    const Job job{picture, out, plan};
    if (plan.narrow)
      runRows<int16_t>(job, progress);
    else
      runRows<int32_t>(job, progress);
  } catch (const std::exception&) {  // no memory for the row buffers or no second thread
    return {};
  }
  if (progress) progress(0);
  return out;
}

}  // namespace tessaro
