#pragma once
// The mirrors and quarter turns of the retouch tab and of turning a photo upright as it loads, at
// 1, 4, 8 and 24 bits; each returns a new picture of the same depth and colour table (empty when
// it cannot be made) and leaves `picture` as it is. Progress goes by source rows.
#include "picture/Dib.h"
#include "picture/Progress.h"

namespace tessaro {

// Left and right exchanged: pixel (x, y) takes the value of (W - 1 - x, y).
TDib flipHorizontal(const TDib& picture, const ProgressFn& progress);
// Top and bottom exchanged: the stored rows in reverse order.
TDib flipVertical(const TDib& picture, const ProgressFn& progress);
// A quarter turn counter-clockwise: (x, y) goes to (y, W - 1 - x) of an H x W picture.
TDib rotateLeft(const TDib& picture, const ProgressFn& progress);
// A quarter turn clockwise: (x, y) goes to (H - 1 - y, x) of an H x W picture.
TDib rotateRight(const TDib& picture, const ProgressFn& progress);

// One row of `width` pixels reversed into another (not the same) row; other depths than 1, 4, 8
// and 24 bits are left alone.
void mirrorRow(const uint8_t* source, int32_t width, int32_t bits, uint8_t* result);

}  // namespace tessaro
