#pragma once
// The crop of the retouch tab: the part of the picture inside a rectangle, as a new picture.
#include <cstdint>

#include "picture/Dib.h"
#include "picture/Progress.h"

namespace tessaro {

// The pixels of columns left..right-1 and rows top..bottom-1 (counted from the top), same depth
// and colour table. Empty when the rectangle is empty, not inside the picture, or the memory
// cannot be had; `picture` is never changed.
TDib cropDib(const TDib& picture, int32_t left, int32_t top, int32_t right, int32_t bottom, const ProgressFn& progress);

}  // namespace tessaro
