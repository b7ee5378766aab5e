#pragma once
// The fourteen 5 x 5 picture filters of the retouch tab: a weighted sum per colour channel over
// the pixel's 5 x 5 neighbourhood, divided, offset and held to 0..255. Pixels outside the picture
// repeat the nearest edge pixel.
#include <array>
#include <cstdint>
#include <string_view>

#include "picture/Dib.h"
#include "picture/Progress.h"

namespace tessaro {

struct TFilterDef {
  int32_t Divisor;  // never 0 in the table
  int32_t Bias;     // added after the division
  // Kernel[row][column]: row 0 weighs the pixels two rows above the target pixel, column 0 those
  // two columns to its left. Entries are used as written: a TransposedFilter copy read transposed
  // again would be the entry itself.
  std::array<std::array<int32_t, 5>, 5> Kernel;
  std::string_view Name;  // as the list shows it (UTF-8)
};

inline constexpr int kFilterCount = 14;
// The filters in the order of the list.
extern const std::array<TFilterDef, kFilterCount> FilterTable;

// The table position of a filter given by its name (any case) or its number 1..14 in the list;
// -1 for anything else.
int findFilter(std::string_view nameOrNumber);

// The 24-bit `picture` filtered with `f`, as a new picture. Empty when the picture is not 24
// bits, the divisor is 0, or the memory cannot be had; `picture` is never changed. The sums are
// exact integers; the division truncates toward zero.
TDib filterDib(const TDib& picture, const TFilterDef& f, const ProgressFn& progress = {});

}  // namespace tessaro
