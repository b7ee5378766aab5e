#include "retouch/MirrorRotate.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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
    int32_t i = 0;
    for (; i + 8 <= pairs; i += 8) {  // eight bytes at once: swap them, then their nibbles
      uint64_t v;
      std::memcpy(&v, src + pairs - 8 - i, 8);
      v = __builtin_bswap64(v);
      v = (v & 0x0f0f0f0f0f0f0f0full) << 4 | (v >> 4 & 0x0f0f0f0f0f0f0f0full);
      std::memcpy(dst + i, &v, 8);
    }
    for (; i < pairs; ++i) {
      const uint8_t b = src[pairs - 1 - i];
      dst[i] = static_cast<uint8_t>(b << 4 | b >> 4);
    }
    return;
  }
  for (int32_t i = 0; i < pairs; ++i)
    dst[i] = static_cast<uint8_t>((src[pairs - i] & 0xf0) | (src[pairs - 1 - i] & 0x0f));
  dst[pairs] = src[0] & 0xf0;
}

// Eight pixels at a time: a byte swap of a 64-bit word reverses them.
void reverseByteRow(const uint8_t* src, int32_t width, uint8_t* dst) {
  int32_t x = 0;
  for (; x + 8 <= width; x += 8) {
    uint64_t v;
    std::memcpy(&v, src + width - 8 - x, 8);
    v = __builtin_bswap64(v);
    std::memcpy(dst + x, &v, 8);
  }
  for (; x < width; ++x) dst[x] = src[width - 1 - x];
}

// One 32-bit load and store per pixel: the fourth byte read is the next source pixel's, the
// fourth byte stored is overwritten by the next result pixel. The first and last pixels, where
// that byte would lie outside the row, are copied as three bytes.
void reverseTripleRow(const uint8_t* src, int32_t width, uint8_t* dst) {
  const uint8_t* s = src + 3 * static_cast<size_t>(width - 1);
  std::memcpy(dst, s, 3);
  if (width == 1) return;
  for (int32_t x = 1; x + 1 < width; ++x) {
    uint32_t v;
    std::memcpy(&v, s - 3 * static_cast<size_t>(x), 4);
    std::memcpy(dst + 3 * static_cast<size_t>(x), &v, 4);
  }
  std::memcpy(dst + 3 * static_cast<size_t>(width - 1), src, 3);
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

// Result columns x0..x1-1 of result rows y0..y1-1, pixel by pixel. A 24-bit pixel moves as one
// 32-bit word where the fourth byte read is still inside the source row and the fourth byte
// written is overwritten later (by the next pixel of the row, or by the next tile).
template <int bpp>
void turnPixels(const Turn& t, int32_t x0, int32_t x1, int32_t y0, int32_t y1) {
  const ptrdiff_t step = t.step();
  for (int32_t y = y0; y < y1; ++y) {
    uint8_t* d = t.dst.row(y) + static_cast<size_t>(x0) * bpp;
    const int32_t sx = t.sourceX(y);
    const uint8_t* s = t.src.row(t.sourceY(x0)) + static_cast<size_t>(sx) * bpp;
    int32_t x = x0;
    if (bpp == 3 && sx + 1 < t.w)
      for (const int32_t wide = std::min(x1, t.h - 1); x < wide; ++x, s += step, d += bpp) std::memcpy(d, s, 4);
    for (; x < x1; ++x, s += step, d += bpp) std::memcpy(d, s, bpp);
  }
}

#ifdef __SSE2__
// Result rows y..y+7, columns x..x+7 of an 8-bit turn: eight source rows of eight bytes each,
// transposed in registers.
void turnByteBlock(const Turn& t, int32_t x, int32_t y) {
  const int32_t sx = t.left ? t.w - 8 - y : y;  // the lowest of the eight source columns
  const uint8_t* s = t.src.row(t.sourceY(x)) + sx;
  __m128i r[8];
  for (int k = 0; k < 8; ++k, s += t.step()) r[k] = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s));
  const __m128i a0 = _mm_unpacklo_epi8(r[0], r[1]), a1 = _mm_unpacklo_epi8(r[2], r[3]);
  const __m128i a2 = _mm_unpacklo_epi8(r[4], r[5]), a3 = _mm_unpacklo_epi8(r[6], r[7]);
  const __m128i b0 = _mm_unpacklo_epi16(a0, a1), b1 = _mm_unpackhi_epi16(a0, a1);
  const __m128i b2 = _mm_unpacklo_epi16(a2, a3), b3 = _mm_unpackhi_epi16(a2, a3);
  const __m128i c[4] = {_mm_unpacklo_epi32(b0, b2), _mm_unpackhi_epi32(b0, b2), _mm_unpacklo_epi32(b1, b3),
                        _mm_unpackhi_epi32(b1, b3)};
  // Result rows are stored bottom-up: row y + 1 lies RowBytes below row y.
  uint8_t* d = t.dst.row(t.left ? y + 7 : y) + x;
  const ptrdiff_t down = t.left ? ptrdiff_t{t.dst.RowBytes} : -ptrdiff_t{t.dst.RowBytes};
  for (int i = 0; i < 8; ++i, d += down) {
    const __m128i column = i % 2 ? _mm_unpackhi_epi64(c[i / 2], c[i / 2]) : c[i / 2];
    _mm_storel_epi64(reinterpret_cast<__m128i*>(d), column);
  }
}
#endif

template <int bpp>
void turnBytes(const Turn& t, int32_t x0, int32_t x1, int32_t y0, int32_t y1) {
#ifdef __SSE2__
  if constexpr (bpp == 1) {
    const int32_t xs = x0 + (x1 - x0) / 8 * 8, ys = y0 + (y1 - y0) / 8 * 8;
    for (int32_t y = y0; y < ys; y += 8)
      for (int32_t x = x0; x < xs; x += 8) turnByteBlock(t, x, y);
    turnPixels<1>(t, xs, x1, y0, ys);
    turnPixels<1>(t, x0, x1, ys, y1);
    return;
  }
#endif
  turnPixels<bpp>(t, x0, x1, y0, y1);
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
