#pragma once
// Constant tables for ordered dithering onto the 6 x 6 x 6 colour cube of the 256-colour standard
// palette, and the two standard palettes (256 and 16 colours).
#include <array>
#include <cstddef>
#include <cstdint>

namespace tessaro {

struct RgbTriple {
  uint8_t r = 0, g = 0, b = 0;
  friend constexpr bool operator==(const RgbTriple&, const RgbTriple&) = default;
};

extern const std::array<uint8_t, 256> DivBy51;
extern const std::array<uint8_t, 256> ModBy51;
extern const std::array<uint8_t, 6> Times6;
extern const std::array<uint8_t, 6> Times36;
// Thresholds 0..50, read at (x and 7) * 8 + (y and 7).
extern const std::array<uint8_t, 64> Halftone8x8;
// Cube cell r + 6g + 36b (levels 0..5) to an index of StdPalette256.
extern const std::array<uint8_t, 216> HalftoneXlat;
extern const std::array<RgbTriple, 256> StdPalette256;
extern const std::array<RgbTriple, 16> StdPalette16;

// Index of StdPalette256 for one pixel at column x and stored row y (rows counted from the bottom,
// so the pattern is anchored at the picture's bottom-left corner).
inline uint8_t ditherIndex(uint8_t r, uint8_t g, uint8_t b, int32_t x, int32_t y) {
  const uint8_t t = Halftone8x8[static_cast<std::size_t>((x & 7) * 8 + (y & 7))];
  const int lr = DivBy51[r] + (t < ModBy51[r] ? 1 : 0);
  const int lg = DivBy51[g] + (t < ModBy51[g] ? 1 : 0);
  const int lb = DivBy51[b] + (t < ModBy51[b] ? 1 : 0);
  return HalftoneXlat[static_cast<std::size_t>(lr + Times6[static_cast<std::size_t>(lg)] + Times36[static_cast<std::size_t>(lb)])];
}

}  // namespace tessaro
