#pragma once
// How a 5 x 5 filter is worked out fast: the kernel as a few vertical sums per sample (bases), and
// groups that weigh a base's sums at some columns, with one weight for all or one per column. Every
// sum stays the exact integer the 25 products give, so no byte differs from the plain definition.
#include <array>
#include <cstdint>

#include "retouch/Filters.h"

namespace tessaro::filters {

using RowWeights = std::array<int32_t, 5>;  // one weight per kernel row, top first

// Vertical sums of whole rows that the vector path forms from one another: the middle row, the
// inner three rows, all five, the outer pair and the inner pair's difference by additions alone,
// and one flat sum (a, b, b, b, a) of any other proportion as a x the outer pair + b x the inner
// three.
enum Feature : unsigned {
  kMiddle = 1,
  kInner3 = 2,
  kAll5 = 4,
  kOuter = 8,
  kInnerDiff = 16,
  kFlat = 32,
};
inline constexpr int kFeatureKinds = 6;

// The feature a base is, 0 when it is none of them.
unsigned featureOf(const RowWeights& base);

// The sum of bases' sums at kernel columns, each pair (base, column) times its weight. Uniform: all
// weights are equal, so the sums are added before the one multiply.
struct Group {
  int count = 0;
  std::array<int, 5> base{};
  std::array<int, 5> column{};
  std::array<int32_t, 5> weight{};
  bool uniform = true;
};

struct Plan {
  int bases = 0;
  std::array<RowWeights, 5> base{};
  int groups = 0;
  std::array<Group, 25> group{};
  int32_t center = 0;  // times the middle sample, added after the groups
  int32_t divisor = 1;
  int32_t bias = 0;
  bool narrow = false;  // every sum fits 16 bits
  // Several bases, each weighing row 0 as row 4 and row 1 as row 3: the two row pairs are added
  // once and shared.
  bool symmetric = false;
  // No base weighs rows 0 and 4: those rows are left out altogether.
  bool small = false;
  // |sum| / divisor as (|sum| x recip) >> (16 + recipShift), checked for every |sum| the kernel
  // can reach; recip 0 when no such pair exists.
  uint16_t recip = 0;
  int recipShift = 0;
  // Quotient plus bias stays within 16 bits, so the last step needs no wider lanes.
  bool narrowFinish = false;
  // The features of all bases when every base is one and at most one is flat, else 0.
  unsigned features = 0;
};

Plan makePlan(const TFilterDef& f);

}  // namespace tessaro::filters
