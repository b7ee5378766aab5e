#include "depth/OptimizedPalette.h"

#include <numeric>
#include <utility>

#include "depth/DepthRows.h"

namespace tessaro {

namespace {

constexpr int32_t kBoxes = 32768;

// One partition pass; the two parts left are [l, j] and [i, r].
std::pair<int32_t, int32_t> partition(std::span<uint16_t> h, std::span<uint16_t> order, int32_t l, int32_t r) {
  int32_t i = l, j = r;
  const uint16_t pivot = h[static_cast<size_t>((l + r) / 2)];
  do {
    while (h[static_cast<size_t>(i)] < pivot) ++i;
    while (pivot < h[static_cast<size_t>(j)]) --j;
    if (i <= j) {
      std::swap(h[static_cast<size_t>(i)], h[static_cast<size_t>(j)]);
      std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(j)]);
      ++i;
      --j;
    }
  } while (i <= j);
  return {i, j};
}

void countColours(const TDib& source, int32_t shift, std::vector<uint16_t>& histogram, const ProgressFn& progress) {
  const int32_t w = source.Header->biWidth, h = source.Header->biHeight;
  std::vector<RgbTriple> colours(static_cast<size_t>(w));
  RowProgress rows(progress, h);
  for (int32_t y = 0; y < h; ++y) {
    rows.row(y);
    rowColours(source, y, colours.data());
    for (const RgbTriple& c : colours) {
      const uint32_t key = (uint32_t{c.r} >> shift << 10) + (uint32_t{c.g} >> shift << 5) + (uint32_t{c.b} >> shift);
      uint16_t& count = histogram[key];
      if (count == 65535)
        for (uint16_t& v : histogram) v = static_cast<uint16_t>(v >> 1);
      ++count;
    }
  }
}

}  // namespace

// The parts of a partition are disjoint, so sorting them from a stack of ranges leaves the same
// order as the recursion, without a recursion depth that a crafted picture could drive deep.
void SortBins(std::span<uint16_t> histogram, std::span<uint16_t> order, int32_t l, int32_t r) {
  std::vector<std::pair<int32_t, int32_t>> ranges{{l, r}};
  while (!ranges.empty()) {
    const auto [lo, hi] = ranges.back();
    ranges.pop_back();
    const auto [i, j] = partition(histogram, order, lo, hi);
    if (i < hi) ranges.emplace_back(i, hi);
    if (lo < j) ranges.emplace_back(lo, j);
  }
}

std::vector<RgbTriple> OptimizedPalette(const TDib& source, int32_t n, int32_t shift, const ProgressFn& progress) {
  reportZero(progress);
  std::vector<uint16_t> histogram(kBoxes, 0), order(kBoxes);
  std::iota(order.begin(), order.end(), uint16_t{0});
  countColours(source, shift, histogram, progress);
  SortBins(histogram, order, 0, kBoxes - 1);
  std::vector<RgbTriple> result;
  for (int32_t k = 0; k < n && k < 256; ++k) {
    const uint32_t key = order[static_cast<size_t>(kBoxes - 1 - k)];
    result.push_back(RgbTriple{static_cast<uint8_t>((key >> 10) << shift),
                               static_cast<uint8_t>(((key >> 5) & 31) << shift),
                               static_cast<uint8_t>((key & 31) << shift)});
  }
  reportZero(progress);
  return result;
}

}  // namespace tessaro
