#pragma once
// Floyd-Steinberg error diffusion onto a prepared palette.
#include "picture/Dib.h"
#include "picture/Progress.h"

namespace tessaro {

// Writes into `target` (1, 4 or 8 bits, same size, palette complete, pixels still zero) the
// nearest palette index of every pixel of `source` (24, 8, 4 or 1 bits) after adding the error
// carried from its neighbours. Rows run from the top in serpentine order; the error is kept
// sixteen-fold in 16-bit values in two rows of width + 2 slots. Nothing happens when either
// picture has no pixels.
void DitherFS(const TDib& source, TDib& target, const ProgressFn& progress);

}  // namespace tessaro
