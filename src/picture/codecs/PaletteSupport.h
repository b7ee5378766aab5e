#pragma once
// Pieces the library-backed codecs (JPEG, PNG, GIF, TIFF) share: building palette pictures,
// packing one-byte indices into rows, and reducing a true-colour picture for formats that only
// take a palette. Alpha on white and reading indices back come from LegacyCodecIo.h.
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

// One byte per pixel into a packed row of `bits` (1, 4 or 8); legacy::rowIndices reads back.
void packIndices(const uint8_t* indices, int32_t width, int bits, uint8_t* row);
// Row y (from the top) of a 1-, 4-, 8-, 24- or 32-bit picture as red, green, blue bytes (3 * width).
void rowToRgb(const TDib& dib, int32_t y, uint8_t* rgb);

// A true-colour picture as an 8-bit palette picture: exact when it has at most 256 distinct
// colours (palette in order of first appearance, rows from the top), otherwise mapped to the
// nearest colour of a fixed 6 x 7 x 6 cube. The empty record when memory runs out.
TDib reduceTo8Bits(const TDib& dib);
// A true-colour picture of at most 256 distinct colours as a palette picture of those colours
// (in order of first appearance) at the depth their count needs; the empty record when it has
// more or memory runs out.
TDib exactPalettePicture(const TDib& dib);

}  // namespace tessaro::codec
