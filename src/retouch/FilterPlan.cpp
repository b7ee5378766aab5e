#include "retouch/FilterPlan.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <numeric>

namespace tessaro::filters {

namespace {

using Kernel = std::array<std::array<int32_t, 5>, 5>;

// The named features' rows, in the order of their bits; the flat one has no fixed rows.
constexpr RowWeights kFeatureRows[kFeatureKinds - 1] = {
    {0, 0, 1, 0, 0}, {0, 1, 1, 1, 0}, {1, 1, 1, 1, 1}, {1, 0, 0, 0, 1}, {0, 1, 0, -1, 0}};

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

// v divided by the gcd of its entries, first nonzero entry positive; the factor is what was taken
// out (0 for a zero vector).
int32_t normalize(RowWeights& v) {
  int32_t g = 0, sign = 0;
  for (int32_t w : v) {
    g = std::gcd(g, w);
    if (!sign && w) sign = w < 0 ? -1 : 1;
  }
  if (!g) return 0;
  for (int32_t& w : v) w /= g * sign;
  return g * sign;
}

int findOrAddBase(Plan& p, const RowWeights& v) {
  int i = 0;
  while (i < p.bases && p.base[i] != v) ++i;
  if (i == p.bases) p.base[p.bases++] = v;
  return i;
}

// weight x base at column: up to five terms of the same weight, of any bases, form a uniform
// group, and the terms left alone with their weight join mixed groups.
void addTerm(Plan& p, int base, int column, int32_t weight) {
  int g = 0;
  while (g < p.groups && (p.group[g].weight[0] != weight || p.group[g].count == 5)) ++g;
  if (g == p.groups) p.group[p.groups++] = {};
  Group& to = p.group[g];
  to.base[to.count] = base;
  to.column[to.count] = column;
  to.weight[to.count++] = weight;
}

void mixLoneColumns(Plan& p) {
  std::array<Group, 25> kept;
  int count = 0;
  Group mixed;
  const auto keepMixed = [&] {
    mixed.uniform = mixed.count == 1;
    if (mixed.count) kept[count++] = mixed;
    mixed = {};
  };
  for (int g = 0; g < p.groups; ++g) {
    const Group& from = p.group[g];
    if (from.count > 1) {
      kept[count++] = from;
      continue;
    }
    if (mixed.count == 5) keepMixed();
    mixed.base[mixed.count] = from.base[0];
    mixed.column[mixed.count] = from.column[0];
    mixed.weight[mixed.count++] = from.weight[0];
  }
  keepMixed();
  // The largest first: the vector loop has the first group's shape compiled in.
  std::stable_sort(kept.begin(), kept.begin() + count,
                   [](const Group& a, const Group& b) { return a.count > b.count; });
  p.group = kept;
  p.groups = count;
}

// Columns that are multiples of one another share a base: the base is the column, the weight its
// multiple.
void splitByColumns(Plan& p, const Kernel& k) {
  for (int kx = 0; kx < 5; ++kx) {
    RowWeights col;
    for (int ky = 0; ky < 5; ++ky) col[ky] = k[ky][kx];
    if (const int32_t factor = normalize(col)) addTerm(p, findOrAddBase(p, col), kx, factor);
  }
}

// Rows that are multiples of one another share a base: the base weighs those rows by their
// multiples, the weights are the row's.
void splitByRows(Plan& p, const Kernel& k) {
  std::array<RowWeights, 5> rows{};
  int count = 0;
  for (int ky = 0; ky < 5; ++ky) {
    RowWeights row = k[ky];
    const int32_t factor = normalize(row);
    if (!factor) continue;
    int r = 0;
    while (r < count && rows[r] != row) ++r;
    if (r == count) rows[count++] = row;
    p.bases = std::max(p.bases, r + 1);
    p.base[r][ky] = factor;
  }
  for (int r = 0; r < count; ++r) {
    const int32_t g = normalize(p.base[r]);
    for (int kx = 0; kx < 5; ++kx)
      if (rows[r][kx]) addTerm(p, r, kx, rows[r][kx] * g);
  }
}

// A column (a, b, c, b, a) is a x all five rows + (b - a) x the inner three + (c - b) x the middle
// one: nested sums that need no multiply to form. Only for kernels whose columns are all mirrored
// top to bottom.
bool splitNested(Plan& p, const Kernel& k) {
  for (int kx = 0; kx < 5; ++kx)
    if (k[0][kx] != k[4][kx] || k[1][kx] != k[3][kx]) return false;
  for (int kx = 0; kx < 5; ++kx) {
    const int32_t a = k[0][kx], b = k[1][kx] - a, c = k[2][kx] - k[1][kx];
    if (a) addTerm(p, findOrAddBase(p, kFeatureRows[2]), kx, a);
    if (b) addTerm(p, findOrAddBase(p, kFeatureRows[1]), kx, b);
    if (c && kx == 2) p.center += c;
    if (c && kx != 2) addTerm(p, findOrAddBase(p, kFeatureRows[0]), kx, c);
  }
  return true;
}

// A kernel whose columns all read (a, b, b, b, a), the centre set apart, is a sum over columns of
// a x the outer pair + b x the inner three. Written as s x one column's own sums, flat, + t x a
// named feature, with whole s and t, the terms of one weight form long uniform groups: Lithograph
// becomes -1 x five columns and Psychdist -1 x five columns and 1 x one.
void splitFlat(Plan& p, const Kernel& k, const RowWeights& flat, const RowWeights& named) {
  const int64_t det = int64_t{flat[0]} * named[1] - int64_t{flat[1]} * named[0];
  if (!det) return;
  const int f = findOrAddBase(p, flat), n = findOrAddBase(p, named);
  for (int kx = 0; kx < 5; ++kx) {
    const int64_t o = k[0][kx], i = k[1][kx], s = o * named[1] - i * named[0], t = flat[0] * i - flat[1] * o;
    constexpr int64_t kTop = std::numeric_limits<int32_t>::max();
    if (s % det || t % det || std::abs(s / det) > kTop || std::abs(t / det) > kTop) {
      p.groups = p.bases = 0;  // not whole, or too large: no plan
      return;
    }
    if (s) addTerm(p, f, kx, static_cast<int32_t>(s / det));
    if (t) addTerm(p, n, kx, static_cast<int32_t>(t / det));
  }
}

bool flatColumns(const Kernel& k) {
  for (int kx = 0; kx < 5; ++kx)
    if (k[0][kx] != k[4][kx] || k[1][kx] != k[2][kx] || k[2][kx] != k[3][kx]) return false;
  return true;
}

void markShape(Plan& p) {
  mixLoneColumns(p);
  p.symmetric = p.bases > 1;
  p.small = true;
  p.features = 0;
  bool named = true;
  int flats = 0;
  for (int b = 0; b < p.bases; ++b) {
    p.symmetric = p.symmetric && p.base[b][0] == p.base[b][4] && p.base[b][1] == p.base[b][3];
    p.small = p.small && !p.base[b][0] && !p.base[b][4];
    const unsigned f = featureOf(p.base[b]);
    named = named && f;
    flats += f == kFlat;
    p.features |= f;
  }
  if (!named || flats > 1) p.features = 0;
}

// Vector operations per sixteen samples, roughly: loads, multiplies, additions and stores.
int cost(const Plan& p) {
  int c = 0;
  if (p.features) {
    const unsigned f = p.features;
    const bool middle = f & (kMiddle | kInner3 | kAll5 | kFlat), pair = f & (kInner3 | kAll5 | kInnerDiff | kFlat),
               outer = f & (kAll5 | kOuter | kFlat);
    c += middle + 2 * pair + 2 * outer;                                                             // rows loaded
    c += 2 * bool(f & (kInner3 | kAll5 | kFlat)) + bool(f & kInnerDiff) + outer + bool(f & kAll5);  // additions
    c += 3 * bool(f & kFlat);  // two multiplies and an addition
    c += p.bases;              // stores
  } else {
    for (int b = 0; b < p.bases; ++b)
      for (int32_t w : p.base[b]) c += w ? (std::abs(w) == 1 ? 2 : 3) : 0;
    c += p.bases + 8;  // stores, and the general path's own overhead
  }
  for (int g = 0; g < p.groups; ++g) {
    const Group& group = p.group[g];
    c += 1 + (group.uniform ? 2 * group.count + (std::abs(group.weight[0]) != 1) : 3 * group.count);
  }
  return c + (p.center ? 3 : 0);
}

}  // namespace

unsigned featureOf(const RowWeights& base) {
  for (int i = 0; i < kFeatureKinds - 1; ++i)
    if (base == kFeatureRows[i]) return 1u << i;
  const bool flat = base[0] == base[4] && base[1] == base[2] && base[2] == base[3];
  return flat && (base[0] || base[1]) ? unsigned{kFlat} : 0u;
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
  int best = std::numeric_limits<int>::max();
  const auto keep = [&](Plan& c) {
    markShape(c);
    if (const int n = cost(c); n < best) {
      best = n;
      p = c;
    }
  };
  if (Plan c; splitNested(c, k)) keep(c);
  // Both ways of splitting, the kernel as it is first, then with the centre weight standing apart
  // so that a weight found elsewhere in the kernel, or none, remains in the middle: that is what
  // lets the middle column or row share a base with another.
  const auto consider = [&](int32_t rest) {
    Kernel r = k;
    r[2][2] = rest;
    for (const auto split : {splitByColumns, splitByRows}) {
      Plan c;
      c.center = k[2][2] - rest;
      split(c, r);
      keep(c);
    }
    if (!flatColumns(r)) return;
    for (int kx = 0; kx < 5; ++kx) {
      RowWeights flat;
      for (int ky = 0; ky < 5; ++ky) flat[ky] = r[ky][kx];
      if (!normalize(flat)) continue;
      for (int named : {1, 2, 3}) {
        Plan c;
        c.center = k[2][2] - rest;
        splitFlat(c, r, flat, kFeatureRows[named]);
        if (c.groups) keep(c);
      }
    }
  };
  consider(k[2][2]);
  std::array<int32_t, 26> rests{0};
  int tried = 1;
  for (const auto& row : k)
    for (int32_t w : row)
      if (std::find(rests.begin(), rests.begin() + tried, w) == rests.begin() + tried) rests[tried++] = w;
  for (int i = 0; i < tried; ++i)
    if (rests[i] != k[2][2]) consider(rests[i]);
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

}  // namespace tessaro::filters
