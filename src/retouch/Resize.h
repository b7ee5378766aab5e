#pragma once
// Resizing the picture to a given size, and the size dialog's aspect rule.
#include <cstdint>

#include "picture/Dib.h"
#include "picture/Progress.h"

namespace tessaro {

// The picture scaled to nw x nh in steps of 1/1024 pixel: nearest neighbour at every depth,
// bilinear for 24-bit pictures that grow in both directions when `interpolate` is set. Same
// depth and colour table; empty when the size is not positive or the memory cannot be had.
TDib resizeDib(const TDib& picture, int32_t nw, int32_t nh, bool interpolate, const ProgressFn& progress);

// The height that keeps the aspect of an origW x origH picture at the given width, as the size
// dialog couples its edits: rounded half to even, limited to 1..32767.
int32_t coupledHeight(int32_t width, int32_t origW, int32_t origH);

}  // namespace tessaro
