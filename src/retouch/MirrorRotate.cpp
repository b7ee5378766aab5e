#include "retouch/MirrorRotate.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "retouch/Crop.h"

namespace tessaro {

namespace {

// Rotations walk the result in square tiles, so the source pixels a tile reads stay in the
// first-level cache while the result's rows are written in order.
constexpr int32_t kTile = 64;

const std::array<uint8_t, 256>& reversedBits() {
  static const std::array<uint8_t, 256> table = [] {
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
      int r = 0;
      for (int b = 0; b < 8; ++b) r |= ((i >> b) & 1) << (7 - b);
      t[static_cast<size_t>(i)] = static_cast<uint8_t>(r);
    }
    return t;
  }();
  return table;
}

// One reversed 1-bit row. Reversing the bytes and the bits in each puts the padding bits of the
// last source byte first; shifting the row left by their number drops them.
void reverseBitRow(const uint8_t* src, int32_t width, uint8_t* dst) {
  const auto& rev = reversedBits();
  const int32_t bytes = (width + 7) / 8;
  const int pad = 8 * bytes - width;
  if (pad == 0) {
    for (int32_t i = 0; i < bytes; ++i) dst[i] = rev[src[bytes - 1 - i]];
    return;
  }
  for (int32_t i = 0; i + 1 < bytes; ++i)
    dst[i] = static_cast<uint8_t>(rev[src[bytes - 1 - i]] << pad | rev[src[bytes - 2 - i]] >> (8 - pad));
  dst[bytes - 1] = static_cast<uint8_t>(rev[src[0]] << pad);
}

// One reversed 4-bit row. With an even width the bytes swap places and nibbles; with an odd one
// every pixel pair straddles two source bytes.
void reverseNibbleRow(const uint8_t* src, int32_t width, uint8_t* dst) {
  const int32_t pairs = width / 2;
  if (width % 2 == 0) {
    for (int32_t i = 0; i < pairs; ++i) {
      const uint8_t b = src[pairs - 1 - i];
      dst[i] = static_cast<uint8_t>(b << 4 | b >> 4);
    }
    return;
  }
  for (int32_t i = 0; i < pairs; ++i)
    dst[i] = static_cast<uint8_t>((src[pairs - i] & 0xf0) | (src[pairs - 1 - i] & 0x0f));
  dst[pairs] = src[0] & 0xf0;
}

void reverseByteRow(const uint8_t* src, int32_t width, uint8_t* dst) {
  for (int32_t x = 0; x < width; ++x) dst[x] = src[width - 1 - x];
}

void reverseTripleRow(const uint8_t* src, int32_t width, uint8_t* dst) {
  const uint8_t* s = src + 3 * static_cast<size_t>(width - 1);
  for (int32_t x = 0; x < width; ++x, s -= 3, dst += 3) {
    dst[0] = s[0];
    dst[1] = s[1];
    dst[2] = s[2];
  }
}

// The source pixel of result pixel (X, Y) is (W - 1 - Y, X) for a left turn and (Y, H - 1 - X)
// for a right one: a result row is a source column, walked up or down the stored rows.
struct Turn {
  const TDib& src;
  TDib& dst;
  bool left;
  int32_t w, h;  // of the source
  int32_t sourceX(int32_t resultY) const { return left ? w - 1 - resultY : resultY; }
  int32_t sourceY(int32_t resultX) const { return left ? resultX : h - 1 - resultX; }
  // Bytes from the source row of result column X to that of column X + 1.
  ptrdiff_t step() const { return left ? -ptrdiff_t{src.RowBytes} : ptrdiff_t{src.RowBytes}; }
};

// Result columns x0..x1-1 of result rows y0..y1-1, for whole-byte pixels of `bpp` bytes.
template <int bpp>
void turnBytes(const Turn& t, int32_t x0, int32_t x1, int32_t y0, int32_t y1) {
  const ptrdiff_t step = t.step();
  for (int32_t y = y0; y < y1; ++y) {
    uint8_t* d = t.dst.row(y) + static_cast<size_t>(x0) * bpp;
    const uint8_t* s = t.src.row(t.sourceY(x0)) + static_cast<size_t>(t.sourceX(y)) * bpp;
    for (int32_t x = x0; x < x1; ++x, s += step, d += bpp) std::memcpy(d, s, bpp);
  }
}

// Result bytes of 4-bit rows: two pixels from two neighbouring source rows, same column.
void turnNibbles(const Turn& t, int32_t x0, int32_t x1, int32_t y0, int32_t y1) {
  const ptrdiff_t step = t.step();
  const int32_t pairs = (x1 - x0) / 2;  // x0 is even; an odd x1 is the row's last pixel
  for (int32_t y = y0; y < y1; ++y) {
    const int32_t sx = t.sourceX(y);
    const int shift = sx % 2 ? 0 : 4;
    uint8_t* d = t.dst.row(y) + x0 / 2;
    const uint8_t* s = t.src.row(t.sourceY(x0)) + sx / 2;
    for (int32_t i = 0; i < pairs; ++i, s += 2 * step)
      d[i] = static_cast<uint8_t>((s[0] >> shift & 0x0f) << 4 | (s[step] >> shift & 0x0f));
    if ((x1 - x0) % 2) d[pairs] = static_cast<uint8_t>((s[0] >> shift & 0x0f) << 4);
  }
}

// Eight 1-bit pixels of a row from column x on, most significant bit first; columns outside the
// row read as zero.
uint8_t eightBits(const uint8_t* row, int32_t x, int32_t width) {
  if (x >= 0 && x + 8 <= width) {
    const int shift = x % 8;
    const uint8_t* b = row + x / 8;
    return shift == 0 ? b[0] : static_cast<uint8_t>(b[0] << shift | b[1] >> (8 - shift));
  }
  uint8_t v = 0;
  for (int j = 0; j < 8; ++j)
    if (x + j >= 0 && x + j < width && (row[(x + j) / 8] >> (7 - (x + j) % 8) & 1))
      v |= static_cast<uint8_t>(0x80 >> j);
  return v;
}

// Transposes an 8 x 8 bit matrix, row 0 in the most significant byte and column 0 in each
// byte's most significant bit.
uint64_t transpose8(uint64_t x) {
  uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
  x ^= t ^ (t << 7);
  t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
  x ^= t ^ (t << 14);
  t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
  x ^= t ^ (t << 28);
  return x;
}

// 1-bit result blocks of 8 x 8 pixels: eight source rows give eight bytes of one source column
// range, and their transpose is eight result bytes, one per result row.
void turnBits(const Turn& t, int32_t x0, int32_t x1, int32_t y0, int32_t y1) {
  for (int32_t y = y0; y < y1; y += 8) {
    // Result rows y..y+7 are source columns y..y+7 (right) or w-8-y..w-1-y (left, reversed).
    const int32_t sx = t.left ? t.w - 8 - y : y;
    for (int32_t x = x0; x < x1; x += 8) {
      uint64_t block = 0;
      for (int c = 0; c < 8; ++c) {
        const int32_t sy = t.sourceY(x + c);
        const uint8_t bits = x + c < t.h ? eightBits(t.src.row(sy), sx, t.w) : 0;
        block |= uint64_t{bits} << (56 - 8 * c);
      }
      block = transpose8(block);
      for (int r = 0; r < 8 && y + r < y1; ++r) {
        const int row = t.left ? r : 7 - r;  // a left turn reads its source columns backwards
        t.dst.row(y + r)[x / 8] = static_cast<uint8_t>(block >> (8 * row));
      }
    }
  }
}

using RowFn = void (*)(const uint8_t*, int32_t, uint8_t*);
using TileFn = void (*)(const Turn&, int32_t, int32_t, int32_t, int32_t);

// The row reverser and the tile turner of each depth; other depths have neither.
struct DepthRoutines {
  int32_t bits;
  RowFn reverse;
  TileFn turn;
};
constexpr DepthRoutines kRoutines[] = {
    {1, reverseBitRow, turnBits},
    {4, reverseNibbleRow, turnNibbles},
    {8, reverseByteRow, turnBytes<1>},
    {24, reverseTripleRow, turnBytes<3>},
};

const DepthRoutines* routines(int32_t bits) {
  for (const DepthRoutines& r : kRoutines)
    if (r.bits == bits) return &r;
  return nullptr;
}

TDib rotate(const TDib& picture, bool left, const ProgressFn& progress) {
  if (picture.empty()) return TDib();
  const int32_t w = DibWidth(picture), h = DibHeight(picture);
  TDib result = newDibLike(picture, h, w);
  const DepthRoutines* depth = routines(DibBitCount(picture));
  if (result.empty() || !depth) return result;
  const Turn turn{picture, result, left, w, h};
  // Bands of result columns are bands of source rows: progress counts those.
  RowProgress rows(progress, h);
  for (int32_t x0 = 0; x0 < h; x0 += kTile) {
    rows.row(x0);
    const int32_t x1 = std::min(h, x0 + kTile);
    for (int32_t y0 = 0; y0 < w; y0 += kTile) depth->turn(turn, x0, x1, y0, std::min(w, y0 + kTile));
  }
  if (progress) progress(0);
  touchDib(result);
  return result;
}

}  // namespace

TDib flipHorizontal(const TDib& picture, const ProgressFn& progress) {
  if (picture.empty()) return TDib();
  const int32_t w = DibWidth(picture), h = DibHeight(picture);
  TDib result = newDibLike(picture, w, h);
  const DepthRoutines* depth = routines(DibBitCount(picture));
  if (result.empty() || !depth) return result;
  RowProgress rows(progress, h);
  for (int32_t y = 0; y < h; ++y) {
    rows.row(y);
    depth->reverse(picture.row(y), w, result.row(y));
  }
  if (progress) progress(0);
  touchDib(result);
  return result;
}

TDib flipVertical(const TDib& picture, const ProgressFn& progress) {
  if (picture.empty()) return TDib();
  const int32_t w = DibWidth(picture), h = DibHeight(picture);
  TDib result = newDibLike(picture, w, h);
  if (result.empty()) return result;
  // Only the bytes that hold pixels, and of a last part-filled byte only its pixels: whatever a
  // file left in the padding stays out of the result.
  const int32_t bits = DibBitCount(picture);
  const size_t used = (static_cast<size_t>(w) * static_cast<size_t>(bits) + 7) / 8;
  const auto lastMask =
      static_cast<uint8_t>(0xff00 >> ((static_cast<size_t>(w) * static_cast<size_t>(bits) - 1) % 8 + 1));
  RowProgress rows(progress, h);
  for (int32_t r = 0; r < h; ++r) {
    rows.row(r);
    uint8_t* to = result.storedRow(h - 1 - r);
    std::memcpy(to, picture.storedRow(r), used);
    to[used - 1] &= lastMask;
  }
  if (progress) progress(0);
  touchDib(result);
  return result;
}

TDib rotateLeft(const TDib& picture, const ProgressFn& progress) { return rotate(picture, true, progress); }
TDib rotateRight(const TDib& picture, const ProgressFn& progress) { return rotate(picture, false, progress); }

}  // namespace tessaro
