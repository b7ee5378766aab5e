#pragma once
// Row access shared by the depth conversions: the colours of a source row, and index writes into
// 1-, 4- and 8-bit target rows in the picture's own packing.
#include <cstdint>

#include "picture/Dib.h"
#include "picture/Progress.h"
#include "picture/httables.h"

namespace tessaro {

// The colours of stored row `storedY` of a 24-, 8-, 4- or 1-bit picture; palette pictures give
// the LogPalette entry of each index. `out` holds the picture's width.
void rowColours(const TDib& picture, int32_t storedY, RgbTriple* out);

// Stores `index` at pixel x of a row of a 1-, 4- or 8-bit picture that still holds zeros there
// (the bytes newdib gave it), so only the index's own bits are set.
inline void putIndex(uint8_t* row, int32_t bits, int32_t x, uint8_t index) {
  if (bits == 8) {
    row[x] = index;
  } else if (bits == 4) {
    row[x >> 1] |= static_cast<uint8_t>((x & 1) ? (index & 0x0f) : (index << 4));
  } else if (index & 1) {
    row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }
}

inline void reportZero(const ProgressFn& fn) {
  if (fn) fn(0);
}

}  // namespace tessaro
