#pragma once
// The quarter turns behind rotateLeft and rotateRight, at 1, 4, 8 and 24 bits.
#include "picture/Dib.h"
#include "picture/Progress.h"

namespace tessaro {

// A new picture of `picture` turned a quarter counter-clockwise (left) or clockwise; empty when
// it cannot be made, and without pixels at depths other than 1, 4, 8 and 24.
TDib quarterTurn(const TDib& picture, bool left, const ProgressFn& progress);

}  // namespace tessaro
