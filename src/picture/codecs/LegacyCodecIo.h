#pragma once
// Pieces shared by the hand-coded legacy formats (PCX, TGA, IFF/LBM): palette set-up, alpha on
// white and row access by index.
#include <cstdint>
#include <span>
#include <vector>

#include "picture/Dib.h"
#include "picture/Stream.h"
#include "picture/codecs/ByteReader.h"

namespace tessaro::legacy {

using ByteReader = tessaro::ByteReader;

inline RgbQuad rgbQuad(uint8_t r, uint8_t g, uint8_t b) { return RgbQuad{b, g, r, 0}; }

// Copies the first 2^bits entries of `table` into the picture's colour table, LogPalette and
// Palette.
void applyColors(TDib& dib, std::span<const RgbQuad, 256> table);
// An evenly spaced grey ramp of `count` entries (2..256), black first.
void greyRamp(std::span<RgbQuad, 256> table, int count);

// True when the body, from the stream's position up to `bodyEnd`, holds at least `least`
// bytes: the fewest the promised pixels can be packed into. Otherwise the file is cut short;
// that is recorded at the body's end and nothing need be allocated.
bool bodyHolds(InputStream& in, uint64_t bodyEnd, uint64_t least);

// A colour value seen through coverage `alpha` on white paper.
inline uint8_t onWhite(uint32_t value, uint32_t alpha) {
  return static_cast<uint8_t>((value * alpha + 255u * (255u - alpha) + 127u) / 255u);
}
// Five bits of a 15/16-bit colour widened to eight, so that 31 becomes 255.
inline uint8_t widen5(uint32_t v) { return static_cast<uint8_t>(((v & 31) << 3) | ((v & 31) >> 2)); }

// Row y (from the top) of a 1, 4 or 8-bit picture as one colour index per pixel.
void rowIndices(const TDib& dib, int32_t y, std::span<uint8_t> out);
// Index x into a packed 1, 4 or 8-bit row.
void putIndex(uint8_t* row, int bits, int32_t x, uint8_t v);

}  // namespace tessaro::legacy
