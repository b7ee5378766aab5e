#pragma once
// The quarter turns behind rotateLeft and rotateRight, at 1, 4, 8 and 24 bits.
#include <cstddef>
#include <cstdint>

#include "picture/Dib.h"
#include "picture/Progress.h"

namespace tessaro {

// A new picture of `picture` turned a quarter counter-clockwise (left) or clockwise; empty when
// it cannot be made, and without pixels at depths other than 1, 4, 8 and 24.
TDib quarterTurn(const TDib& picture, bool left, const ProgressFn& progress);

// The transpose under both turns, for rows anywhere in memory (a band of a picture still being
// decoded, say): source row r < `rows` of `columns` pixels lies at source + r * sourceStep, and its
// pixel c goes to pixel r of the result row at result + c * resultStep. Negative steps walk
// backwards. At 1 and 4 bits, `rows` fills whole result bytes unless it ends the result rows.
void transposeRows(const uint8_t* source, ptrdiff_t sourceStep, uint8_t* result, ptrdiff_t resultStep, int32_t columns,
                   int32_t rows, int32_t bits);

}  // namespace tessaro
