#include "retouch/Crop.h"

#include <cstring>

namespace tessaro {

namespace {

// Pixels left..left+width-1 of a 4-bit row, moved to the start of `dst`. An odd start moves every
// nibble across a byte boundary; the nibble after an odd width stays zero.
void copyNibbles(const uint8_t* src, int32_t left, int32_t width, uint8_t* dst) {
  const uint8_t* s = src + left / 2;
  const int32_t pairs = width / 2;
  if (left % 2 == 0) {
    std::memcpy(dst, s, static_cast<size_t>(pairs));
    if (width % 2) dst[pairs] = s[pairs] & 0xf0;
    return;
  }
  for (int32_t i = 0; i < pairs; ++i) dst[i] = static_cast<uint8_t>(s[i] << 4 | s[i + 1] >> 4);
  if (width % 2) dst[pairs] = static_cast<uint8_t>(s[pairs] << 4);
}

// Pixels left..left+width-1 of a 1-bit row, moved to the start of `dst`. Bytes past the last
// pixel of the source are never read, and the bits after the last copied pixel stay zero.
void copyBits(const uint8_t* src, int32_t left, int32_t width, uint8_t* dst) {
  const uint8_t* s = src + left / 8;
  const int shift = left % 8;
  const int32_t bytes = (width + 7) / 8;
  if (shift == 0) {
    std::memcpy(dst, s, static_cast<size_t>(bytes));
  } else {
    for (int32_t i = 0; i + 1 < bytes; ++i) dst[i] = static_cast<uint8_t>(s[i] << shift | s[i + 1] >> (8 - shift));
    // The last byte takes bits from the next source byte only if a wanted pixel lies there.
    const int32_t last = bytes - 1;
    const bool spills = shift + (width - 8 * last) > 8;
    dst[last] = static_cast<uint8_t>(s[last] << shift | (spills ? s[last + 1] >> (8 - shift) : 0));
  }
  if (width % 8) dst[bytes - 1] &= static_cast<uint8_t>(0xff00 >> (width % 8));
}

}  // namespace

TDib cropDib(const TDib& picture, int32_t left, int32_t top, int32_t right, int32_t bottom,
             const ProgressFn& progress) {
  if (picture.empty() || left < 0 || top < 0 || left >= right || top >= bottom || right > DibWidth(picture) ||
      bottom > DibHeight(picture))
    return TDib();
  const int32_t width = right - left, height = bottom - top, bits = DibBitCount(picture);
  TDib result = newDibLike(picture, width, height);
  if (result.empty()) return result;
  RowProgress rows(progress, height);
  for (int32_t y = 0; y < height; ++y) {
    rows.row(y);
    const uint8_t* src = picture.row(top + y);
    uint8_t* dst = result.row(y);
    if (bits == 1)
      copyBits(src, left, width, dst);
    else if (bits == 4)
      copyNibbles(src, left, width, dst);
    else if (bits == 8 || bits == 24)
      std::memcpy(dst, src + static_cast<size_t>(left) * (bits / 8), static_cast<size_t>(width) * (bits / 8));
  }
  if (progress) progress(0);
  touchDib(result);
  return result;
}

}  // namespace tessaro
