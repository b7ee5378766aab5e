#pragma once
// The optimised palette: the most frequent colour boxes of a picture (popularity of boxes).
#include <cstdint>
#include <span>
#include <vector>

#include "picture/Dib.h"
#include "picture/Progress.h"
#include "picture/httables.h"

namespace tessaro {

// Sorts histogram[l .. r] ascending and moves the order keys along, by the one quicksort
// scheme (middle pivot, exchange on equality) whose handling of equal counts fixes the order of
// the palette's boxes.
void SortBins(std::span<uint16_t> histogram, std::span<uint16_t> order, int32_t l, int32_t r);

// The `n` (at most 256) most frequent boxes of a 24- or 8-bit picture's colours, each channel cut
// to 8 - shift bits, as the lower corner of each box; boxes of equal count in the order the sort
// leaves them. A counter about to pass 65535 first halves all counters.
std::vector<RgbTriple> OptimizedPalette(const TDib& source, int32_t n, int32_t shift, const ProgressFn& progress);

}  // namespace tessaro
