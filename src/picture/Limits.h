#pragma once
// Size limits that every decoder checks before it allocates anything.
#include <cstdint>

namespace tessaro {

// Largest pixel memory of one picture. A 16384 x 16384 picture at 24 bits (768 MiB) fits;
// anything above 1 GiB of pixel rows is refused so that a hostile header cannot make us
// allocate without bound.
inline constexpr uint64_t kMaxPixelBytes = uint64_t{1} << 30;
// Largest picture file read whole into memory (standard input): the largest picture uncompressed,
// with room for its headers and palette.
inline constexpr uint64_t kMaxInputBytes = kMaxPixelBytes + (uint64_t{16} << 20);
// Largest width or height in pixels.
inline constexpr int32_t kMaxDimension = 1 << 18;

// Bytes of one stored row, padded to 4 bytes; 0 when the width or depth is unusable.
inline uint64_t dibRowBytes(int64_t width, int bitCount) {
  if (width <= 0 || width > kMaxDimension) return 0;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
    return 0;
  return ((static_cast<uint64_t>(width) * static_cast<uint64_t>(bitCount) + 31) / 32) * 4;
}

// True when a picture of that size may be allocated.
inline bool dibSizeAllowed(int64_t width, int64_t height, int bitCount) {
  if (height <= 0 || height > kMaxDimension) return false;
  uint64_t row = dibRowBytes(width, bitCount);
  return row != 0 && row * static_cast<uint64_t>(height) <= kMaxPixelBytes;
}

}  // namespace tessaro
