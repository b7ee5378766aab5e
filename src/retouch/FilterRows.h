#pragma once
// What the plain and the vector row loops of the filters share: the job, the per-thread buffers,
// how a row is cut into pieces and how the sums of a piece reach past the picture's edges.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/Dib.h"
#include "picture/Progress.h"
#include "retouch/FilterPlan.h"

namespace tessaro::filters {

struct Job {
  const TDib& src;
  TDib& dst;
  const Plan& plan;
};

// Rows are worked in pieces, so that the sums are still in the first-level cache when they are
// used. A piece is never shorter than kMinPiece samples unless the row is: a short rest joins the
// piece before it, and the vector loops may end on a step that overlaps the one before.
inline constexpr int32_t kPiece = 2048;
inline constexpr int32_t kMinPiece = 64;
static_assert(kPiece > 6 && kPiece >= kMinPiece);

inline int32_t pieceLength(int32_t i, int32_t n) {
  const int32_t m = std::min(kPiece, n - i);
  return n - i - m < kMinPiece ? n - i : m;
}

// Per-thread sums of one row piece, made before any thread starts so that a lack of memory ends
// the operation cleanly. Each base's sums hold the samples i - 6 .. i + m + 5 of a piece at i of
// m samples: two pixels either side.
template <typename T>
struct RowBuffers {
  explicit RowBuffers(const Job& job)
      : stride(std::min<size_t>(3 * static_cast<size_t>(DibWidth(job.src)), kPiece + kMinPiece) + 12),
        sums(stride * static_cast<size_t>(std::max(job.plan.bases, 1))),  // zeros for an all-zero kernel
        acc(stride),
        pairs(job.plan.symmetric ? 2 * stride : 0) {}
  size_t stride;
  std::vector<T> sums, acc;
  std::vector<T> pairs;  // rows 0 + 4 and rows 1 + 3 of a piece, when the plan shares them
};

// The sums of a piece at i of m samples in a row of n, made for the samples from lo to hi, repeat
// the edge pixels beyond the row (only the first piece reaches the left edge: kPiece > 6).
template <typename T>
void repeatEdges(T* s, int32_t i, int32_t m, int32_t n) {
  const int32_t end = n - (i - 6);
  for (int c = 0; c < 3; ++c) {
    if (i == 0) s[c] = s[c + 3] = s[c + 6];
    if (i + m + 6 > n) s[end + c] = s[end + 3 + c] = s[end - 3 + c];
  }
}

// The vector row loop for plans whose bases are all features and whose last step stays in 16
// bits, on rows of at least kMinPiece samples, where the processor has 256-bit vectors; false
// when it cannot take the job.
bool vectorRowsFit(const Plan& plan, int32_t rowSamples);
void vectorRows(const Job& job, RowBuffers<int16_t>& buf, int32_t y0, int32_t y1, RowProgress* progress);

// Off, every filter takes the plain loops: the tests hold both to the same bytes.
void allowVectorRows(bool allowed);

}  // namespace tessaro::filters
