#pragma once
// Number rules shared by every computation that reproduces the program's geometry:
// "extended precision" is long double, Round goes to the nearest integer with halves to
// the even neighbour (the default rounding mode), Trunc cuts toward zero.
#include <cmath>
#include <cstdint>

namespace tessaro {

using Ext = long double;

// llrintl rounds in the current mode, which the program never leaves (nearest, ties to even),
// and compiles to a single x87 store instead of a library call.
inline int64_t Round64(Ext v) { return std::llrintl(v); }
inline int32_t Round(Ext v) { return static_cast<int32_t>(std::llrintl(v)); }
inline int32_t Trunc(Ext v) { return static_cast<int32_t>(std::truncl(v)); }

// Smallest integer not less than v, computed as the program always did: Round, plus one when
// the rounded value lies below v.
inline int32_t CeilSheets(Ext v) {
  int32_t n = Round(v);
  if (static_cast<Ext>(n) < v) ++n;
  return n;
}

}  // namespace tessaro
