// The filters' row loop written out for 256-bit vectors of sixteen 16-bit lanes. The bases are
// formed from one another by additions, the groups of each output step are added in registers,
// and the division, bias and clamp follow before anything is stored. Loops end on a full vector
// that overlaps the one before instead of on single samples.
#include <array>
#include <atomic>
#include <utility>

#include "retouch/FilterRows.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define TESSARO_FILTER_AVX2 1
#endif

namespace tessaro::filters {

namespace {
std::atomic<bool> vectorsAllowed{true};
}

void allowVectorRows(bool allowed) { vectorsAllowed = allowed; }

#ifdef TESSARO_FILTER_AVX2

namespace {

#define TESSARO_AVX2 __attribute__((target("avx2"), always_inline)) inline

TESSARO_AVX2 __m256i widen(const uint8_t* p) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}
TESSARO_AVX2 __m256i load(const int16_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
TESSARO_AVX2 void store(int16_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

// Rows and feature outputs of a piece, held in locals: stores through pointers kept in an array
// could reach the array itself, which would then be read anew every step.
struct FeatureRows {
  const uint8_t *r0, *r1, *r2, *r3, *r4;
  int16_t *middle, *inner3, *all5, *outer, *innerDiff, *flat;
  __m256i flatOuter, flatInner;  // the flat feature's weights
};

// The features in F of the sixteen samples from k.
template <unsigned F>
TESSARO_AVX2 void featureStep(const FeatureRows& at, int32_t k) {
  constexpr bool middle = F & (kMiddle | kInner3 | kAll5 | kFlat), inner = F & (kInner3 | kAll5 | kFlat),
                 pair = F & (kInner3 | kAll5 | kInnerDiff | kFlat), outer = F & (kAll5 | kOuter | kFlat);
  __m256i m{}, a1{}, a3{}, inner3{}, outerPair{};
  if constexpr (middle) m = widen(at.r2 + k);
  if constexpr (pair) {
    a1 = widen(at.r1 + k);
    a3 = widen(at.r3 + k);
  }
  if constexpr (inner) inner3 = _mm256_add_epi16(_mm256_add_epi16(a1, a3), m);
  if constexpr (outer) outerPair = _mm256_add_epi16(widen(at.r0 + k), widen(at.r4 + k));
  if constexpr ((F & kMiddle) != 0) store(at.middle + k, m);
  if constexpr ((F & kInner3) != 0) store(at.inner3 + k, inner3);
  if constexpr ((F & kAll5) != 0) store(at.all5 + k, _mm256_add_epi16(inner3, outerPair));
  if constexpr ((F & kOuter) != 0) store(at.outer + k, outerPair);
  if constexpr ((F & kInnerDiff) != 0) store(at.innerDiff + k, _mm256_sub_epi16(a1, a3));
  if constexpr ((F & kFlat) != 0)
    store(at.flat + k,
          _mm256_add_epi16(_mm256_mullo_epi16(outerPair, at.flatOuter), _mm256_mullo_epi16(inner3, at.flatInner)));
}

// How far ahead the newest row is fetched. The other four rows were read for the rows above and
// wait in the second-level cache, but the newest comes from main memory, and the processor's own
// prefetch does not run far enough ahead of five interleaved streams to hide that: fetching it a
// kilobyte early cut the time of the slowest filters by about a tenth.
constexpr int32_t kFetchAhead = 1024;

// The features in F of the samples 0 .. n of five rows (n >= 16), feature bit b going to out[b];
// flat holds the flat feature's weights of the outer pair and the inner three.
template <unsigned F>
__attribute__((target("avx2"))) void featureSums(int16_t* const out[kFeatureKinds], const uint8_t* const rows[5],
                                                 const int16_t flat[2], int32_t n) {
  const __m256i flatOuter = _mm256_set1_epi16(flat[0]), flatInner = _mm256_set1_epi16(flat[1]);
  const FeatureRows at{rows[0], rows[1], rows[2], rows[3], rows[4],   out[0],   out[1],
                       out[2],  out[3],  out[4],  out[5],  flatOuter, flatInner};
  int32_t j = 0;
  for (; j + 32 <= n; j += 32) {
    _mm_prefetch(reinterpret_cast<const char*>(at.r4 + j + kFetchAhead), _MM_HINT_T0);
    featureStep<F>(at, j);
    featureStep<F>(at, j + 16);
  }
  for (; j + 16 <= n; j += 16) featureStep<F>(at, j);
  if (j < n) featureStep<F>(at, n - 16);
}

using FeatureFn = void (*)(int16_t* const[kFeatureKinds], const uint8_t* const[5], const int16_t[2], int32_t);

template <size_t... F>
constexpr std::array<FeatureFn, sizeof...(F)> featureTable(std::index_sequence<F...>) {
  return {featureSums<static_cast<unsigned>(F)>...};
}
constexpr auto kFeatureSums = featureTable(std::make_index_sequence<1u << kFeatureKinds>());

struct GroupAt {
  const int16_t* column[5];  // each column's sums of its base
  int count;
  bool uniform;
  __m256i weight[5];
};

// Adds weight x the group's columns to the four vectors of a step at k: a uniform group adds its
// columns first and multiplies once, a mixed one multiplies each column by its own weight. Count
// is the number of columns, or 0 when it is known only at run time.
template <bool Uniform, int Count>
TESSARO_AVX2 void addGroup(const GroupAt& g, int32_t k, __m256i (&acc)[4]) {
  const int count = Count ? Count : g.count;
  if constexpr (Uniform) {
    __m256i s[4];
    for (int q = 0; q < 4; ++q) s[q] = load(g.column[0] + k + 16 * q);
    for (int c = 1; c < count; ++c)
      for (int q = 0; q < 4; ++q) s[q] = _mm256_add_epi16(s[q], load(g.column[c] + k + 16 * q));
    for (int q = 0; q < 4; ++q) acc[q] = _mm256_add_epi16(acc[q], _mm256_mullo_epi16(s[q], g.weight[0]));
  } else {
    for (int c = 0; c < count; ++c)
      for (int q = 0; q < 4; ++q)
        acc[q] = _mm256_add_epi16(acc[q], _mm256_mullo_epi16(load(g.column[c] + k + 16 * q), g.weight[c]));
  }
}

// Output samples 0 .. m of a piece (m >= 64), sixty-four at a time; `middle` is the piece's
// middle-row samples. The first group's shape is compiled in, so that the common plans of one
// group run without a loop over groups and columns.
template <bool Uniform, int Count, bool Divide>
__attribute__((target("avx2"))) void groupsAndFinish(uint8_t* out, const GroupAt* groups, int count,
                                                     const uint8_t* middle, const Plan& p, int32_t m) {
  const __m256i bias = _mm256_set1_epi16(static_cast<int16_t>(p.bias));
  const __m256i recip = _mm256_set1_epi16(static_cast<int16_t>(p.recip));
  const __m256i center = _mm256_set1_epi16(static_cast<int16_t>(p.center));
  const __m128i shift = _mm_cvtsi32_si128(p.recipShift);
  const bool hasCenter = p.center != 0, hasBias = p.bias != 0;
  for (int32_t j = 0; j < m; j += 64) {
    const int32_t k = std::min(j, m - 64);
    __m256i acc[4] = {};
    addGroup<Uniform, Count>(groups[0], k, acc);
    for (const GroupAt* g = groups + 1; g < groups + count; ++g) {
      if (g->uniform)
        addGroup<true, 0>(*g, k, acc);
      else
        addGroup<false, 0>(*g, k, acc);
    }
    if (hasCenter)
      for (int q = 0; q < 4; ++q)
        acc[q] = _mm256_add_epi16(acc[q], _mm256_mullo_epi16(widen(middle + k + 16 * q), center));
    // The quotient is the high half of a 16-bit multiply of |x| (abs(-32768) reads as 32768 taken
    // unsigned), shifted; sign() negates it where x < 0. The saturating pack clamps to 0..255.
    for (int q = 0; q < 4; ++q) {
      if constexpr (Divide)
        acc[q] =
            _mm256_sign_epi16(_mm256_srl_epi16(_mm256_mulhi_epu16(_mm256_abs_epi16(acc[q]), recip), shift), acc[q]);
      if (hasBias) acc[q] = _mm256_add_epi16(acc[q], bias);
    }
    for (int half = 0; half < 2; ++half) {
      const __m256i packed = _mm256_packus_epi16(acc[2 * half], acc[2 * half + 1]);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k + 32 * half), _mm256_permute4x64_epi64(packed, 0xD8));
    }
  }
}

using GroupsFn = void (*)(uint8_t*, const GroupAt*, int, const uint8_t*, const Plan&, int32_t);

// Indexed by divide x 10 + uniform x 5 + the first group's columns - 1.
template <size_t... I>
constexpr std::array<GroupsFn, sizeof...(I)> groupsTable(std::index_sequence<I...>) {
  return {groupsAndFinish<(I % 10) >= 5, static_cast<int>(I % 5) + 1, (I >= 10)>...};
}
constexpr auto kGroupsAndFinish = groupsTable(std::make_index_sequence<20>());

bool hasAvx2() {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return avx2;
}

}  // namespace

bool vectorRowsFit(const Plan& plan, int32_t rowSamples) {
  return vectorsAllowed && hasAvx2() && plan.features && plan.narrowFinish && rowSamples >= kMinPiece;
}

__attribute__((target("avx2"))) void vectorRows(const Job& job, RowBuffers<int16_t>& buf, int32_t y0, int32_t y1,
                                                RowProgress* progress) {
  const Plan& p = job.plan;
  const int32_t W = DibWidth(job.src), H = DibHeight(job.src), n = 3 * W;
  int16_t* base[5];
  int16_t* byFeature[kFeatureKinds] = {};
  int16_t flat[2] = {};
  for (int b = 0; b < p.bases; ++b) {
    base[b] = buf.sums.data() + static_cast<size_t>(b) * buf.stride;
    const unsigned feature = featureOf(p.base[b]);
    byFeature[__builtin_ctz(feature)] = base[b];
    if (feature == kFlat) {
      flat[0] = static_cast<int16_t>(p.base[b][0]);
      flat[1] = static_cast<int16_t>(p.base[b][1]);
    }
  }
  std::array<GroupAt, 25> groups;
  for (int g = 0; g < p.groups; ++g) {
    const Group& from = p.group[g];
    GroupAt& to = groups[static_cast<size_t>(g)];
    for (int c = 0; c < from.count; ++c) {
      to.column[c] = base[from.base[c]] + 3 * from.column[c];
      to.weight[c] = _mm256_set1_epi16(static_cast<int16_t>(from.weight[c]));
    }
    to.count = from.count;
    to.uniform = from.uniform;
  }
  const FeatureFn features = kFeatureSums[p.features];
  const GroupsFn groupsAndFinish =
      kGroupsAndFinish[(p.divisor != 1 ? 10 : 0) + (p.group[0].uniform ? 5 : 0) + p.group[0].count - 1];
  for (int32_t y = y0; y < y1; ++y) {
    if (progress) progress->row(y);
    const uint8_t* rows[5];
    for (int ky = 0; ky < 5; ++ky) rows[ky] = job.src.row(std::clamp(y + ky - 2, 0, H - 1));
    for (int32_t i = 0, m; i < n; i += m) {
      m = pieceLength(i, n);
      const int32_t lo = std::max(i - 6, 0), hi = std::min(i + m + 6, n);
      const uint8_t* from[5];
      for (int ky = 0; ky < 5; ++ky) from[ky] = rows[ky] + lo;
      int16_t* to[kFeatureKinds];
      for (int f = 0; f < kFeatureKinds; ++f) to[f] = byFeature[f] ? byFeature[f] + (lo - (i - 6)) : nullptr;
      features(to, from, flat, hi - lo);
      for (int b = 0; b < p.bases; ++b) repeatEdges(base[b], i, m, n);
      groupsAndFinish(job.dst.row(y) + i, groups.data(), p.groups, rows[2] + i, p, m);
    }
  }
}

#else

bool vectorRowsFit(const Plan&, int32_t) { return false; }
void vectorRows(const Job&, RowBuffers<int16_t>&, int32_t, int32_t, RowProgress*) {}

#endif

}  // namespace tessaro::filters
