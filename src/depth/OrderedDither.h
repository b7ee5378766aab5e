#pragma once
// Ordered dither of a 24-bit picture onto the 256-colour standard palette.
#include "picture/Dib.h"
#include "picture/Progress.h"

namespace tessaro {

// Writes into the 8-bit `target` (same size) the halftone index of every pixel of the 24-bit
// `source`, the pattern anchored at the bottom-left corner.
void orderedDither(const TDib& source, TDib& target, const ProgressFn& progress);

}  // namespace tessaro
