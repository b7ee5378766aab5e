#pragma once
// Pieces the library-backed codecs (JPEG, PNG, GIF, TIFF) share: building palette pictures,
// moving pixels between packed rows and one-byte indices, flattening alpha, and reducing a
// true-colour picture for formats that only take a palette.
#include <cstdint>
#include <span>

#include "picture/Dib.h"

namespace tessaro::codec {

// Depth that holds `colors` palette entries: 1 bit for two, 4 bits up to 16, else 8 bits.
int depthForColors(int colors);
// A picture of 1, 4 or 8 bits whose colour table starts with `colors` (the rest black), its
// LogPalette and Palette in step. The empty record when the size is refused.
TDib makeIndexedDib(int32_t width, int32_t height, int bits, std::span<const RgbQuad> colors);
// A picture of 1, 4 or 8 bits with an evenly spaced grey palette of 2, 16 or 256 entries,
// black first (or white first when `whiteIsZero`).
TDib makeGreyDib(int32_t width, int32_t height, int bits, bool whiteIsZero = false);

// One byte per pixel into a packed row of `bits` (1, 4 or 8) and back.
void packIndices(const uint8_t* indices, int32_t width, int bits, uint8_t* row);
void unpackIndices(const uint8_t* row, int32_t width, int bits, uint8_t* indices);
// Row y (from the top) of any picture as red, green, blue bytes (3 * width).
void rowToRgb(const TDib& dib, int32_t y, uint8_t* rgb);

// A colour value seen through coverage `alpha` on white paper.
inline uint8_t onWhite(uint32_t value, uint32_t alpha) {
  return static_cast<uint8_t>((value * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

// A true-colour picture as an 8-bit palette picture: exact when it has at most 256 distinct
// colours (palette in order of first appearance, rows from the top), otherwise mapped to the
// nearest colour of a fixed 6 x 7 x 6 cube. The empty record when memory runs out.
TDib reduceTo8Bits(const TDib& dib);

}  // namespace tessaro::codec
