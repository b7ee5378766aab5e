#pragma once
// The crop of the retouch tab: the part of the picture inside a rectangle, as a new picture.
#include <cstdint>

#include "picture/Dib.h"
#include "picture/Progress.h"

namespace tessaro {

// A new all-zero picture of the given size with the depth and colour table of `picture`; the
// result of every geometry operation starts as one of these. Empty when it cannot be made.
TDib newDibLike(const TDib& picture, int32_t width, int32_t height);

// The pixels of columns left..right-1 and rows top..bottom-1 (counted from the top), same depth
// and colour table. Empty when the rectangle is empty, not inside the picture, or the memory
// cannot be had; `picture` is never changed.
TDib cropDib(const TDib& picture, int32_t left, int32_t top, int32_t right, int32_t bottom, const ProgressFn& progress);

}  // namespace tessaro
