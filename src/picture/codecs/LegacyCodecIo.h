#pragma once
// Pieces shared by the hand-coded legacy formats (PCX, TGA, IFF/LBM): a buffered byte reader
// that never reads past a limit, palette set-up, alpha on white and row access by index.
#include <cstdint>
#include <span>
#include <vector>

#include "picture/Dib.h"
#include "picture/Stream.h"

namespace tessaro::legacy {

// Reads byte by byte from the stream's current position, at most `limit` bytes in all, through
// a buffer. A short file simply makes get() fail; nothing is read beyond the limit.
class ByteReader {
 public:
  ByteReader(InputStream& in, uint64_t limit) : in_(in), left_(limit) {}
  bool get(uint8_t& b) {
    if (pos_ == end_ && !refill()) return false;
    b = buf_[pos_++];
    return true;
  }
  bool read(uint8_t* dst, size_t n);
  // Bytes handed out so far.
  uint64_t consumed() const { return filled_ - (end_ - pos_); }

 private:
  bool refill();
  InputStream& in_;
  uint64_t left_;
  std::vector<uint8_t> buf_;
  size_t pos_ = 0;
  size_t end_ = 0;
  uint64_t filled_ = 0;
};

inline RgbQuad rgbQuad(uint8_t r, uint8_t g, uint8_t b) { return RgbQuad{b, g, r, 0}; }

// Copies the first 2^bits entries of `table` into the picture's colour table, LogPalette and
// Palette.
void applyColors(TDib& dib, std::span<const RgbQuad, 256> table);
// An evenly spaced grey ramp of `count` entries (2..256), black first.
void greyRamp(std::span<RgbQuad, 256> table, int count);

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
