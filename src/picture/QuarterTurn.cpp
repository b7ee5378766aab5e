#include "picture/QuarterTurn.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <thread>

#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#define TESSARO_TURN_SSSE3 1
#endif

#include "picture/Dib.h"

namespace tessaro {

namespace {

// Source column C becomes result row C, and source row X its pixels X: a transpose, which the
// first rows and the signs of the steps between rows make a left or right turn (mirrored or not).
// The routines below walk source rows and columns and ask these for the rows of the other picture.
struct Turn {
  const uint8_t* source;  // the source row of result pixels 0
  ptrdiff_t sourceStep;   // bytes from the source row of result pixels X to that of X + 1
  uint8_t* result;        // the result row of source column 0
  ptrdiff_t resultStep;   // bytes from the result row of source column C to that of C + 1
  int32_t w, h;           // of the source
  const uint8_t* sourceRow(int32_t resultX) const { return source + resultX * sourceStep; }
  uint8_t* resultRow(int32_t sourceX) const { return result + sourceX * resultStep; }
};

// Result columns x0..x1-1 of the result rows of source columns c0..c1-1, pixel by pixel: the
// edges the block turns below leave over. A 24-bit pixel moves as one 32-bit word where the
// fourth byte read is still inside the source row and the fourth byte written belongs to the
// next result pixel, written later (by this loop, or by the next band of result columns).
template <int bpp>
void turnPixels(const Turn& t, int32_t x0, int32_t x1, int32_t c0, int32_t c1) {
  const ptrdiff_t step = t.sourceStep;
  for (int32_t c = c0; c < c1; ++c) {
    uint8_t* d = t.resultRow(c) + static_cast<size_t>(x0) * bpp;
    const uint8_t* s = t.sourceRow(x0) + static_cast<size_t>(c) * bpp;
    int32_t x = x0;
    if (bpp == 3 && c + 1 < t.w)
      for (const int32_t wide = std::min(x1, t.h - 1); x < wide; ++x, s += step, d += bpp) std::memcpy(d, s, 4);
    for (; x < x1; ++x, s += step, d += bpp) std::memcpy(d, s, bpp);
  }
}

// The part of n that whole blocks of `block` cover, counted from `from`.
int32_t blocksEnd(int32_t from, int32_t to, int32_t block) { return from + (to - from) / block * block; }

#ifdef __SSE2__
// One step of a byte transpose: registers i and i + n/2 interleave into 2i and 2i + 1. Each step
// rotates the bits of (register, byte) one place, so log2 of the block size steps transpose it.
template <int n>
void interleaveBytes(__m128i (&r)[n]) {
  __m128i out[n];
  for (int i = 0; i < n / 2; ++i) {
    out[2 * i] = _mm_unpacklo_epi8(r[i], r[i + n / 2]);
    out[2 * i + 1] = _mm_unpackhi_epi8(r[i], r[i + n / 2]);
  }
  for (int i = 0; i < n; ++i) r[i] = out[i];
}

// 8 bits: 16 source rows of 16 bytes, transposed in registers into 16 result rows of 16 bytes.
void turnByteBlock(const Turn& t, int32_t x, int32_t c) {
  __m128i r[16];
  const uint8_t* s = t.sourceRow(x) + c;
  for (__m128i& v : r) {
    v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    s += t.sourceStep;
  }
  for (int round = 0; round < 4; ++round) interleaveBytes(r);
  uint8_t* d = t.resultRow(c) + x;
  for (const __m128i& v : r) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), v);
    d += t.resultStep;
  }
}

// 4 bits: 16 source rows of 8 bytes, transposed into one register per source byte column (a
// byte from each source row); its high nibbles make the result row of the even source column,
// its low nibbles that of the odd one, eight bytes each.
void turnNibbleBlock(const Turn& t, int32_t x, int32_t c) {
  __m128i r[16];
  const uint8_t* s = t.sourceRow(x) + c / 2;
  for (__m128i& v : r) {
    v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s));
    s += t.sourceStep;
  }
  __m128i b[8];
  for (int i = 0; i < 8; ++i) b[i] = _mm_unpacklo_epi8(r[i], r[i + 8]);
  for (int round = 0; round < 3; ++round) interleaveBytes(b);
  const __m128i low = _mm_set1_epi16(0x000f), high = _mm_set1_epi16(0x00f0);
  uint8_t* d = t.resultRow(c) + x / 2;
  for (const __m128i& u : b) {
    // 16-bit lanes hold two source rows: the first in the low byte, which goes high in the result.
    const __m128i even = _mm_or_si128(_mm_and_si128(u, high), _mm_srli_epi16(u, 12));
    const __m128i odd =
        _mm_or_si128(_mm_slli_epi16(_mm_and_si128(u, low), 4), _mm_and_si128(_mm_srli_epi16(u, 8), low));
    const __m128i both = _mm_packus_epi16(even, odd);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(d), both);
    d += t.resultStep;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(d), _mm_unpackhi_epi64(both, both));
    d += t.resultStep;
  }
}
#endif

void turnBytes(const Turn& t, int32_t x0, int32_t x1, int32_t c0, int32_t c1) {
#ifdef __SSE2__
  const int32_t xs = blocksEnd(x0, x1, 16), cs = blocksEnd(c0, c1, 16);
  for (int32_t c = c0; c < cs; c += 16)
    for (int32_t x = x0; x < xs; x += 16) turnByteBlock(t, x, c);
  turnPixels<1>(t, xs, x1, c0, cs);
  turnPixels<1>(t, x0, x1, cs, c1);
#else
  turnPixels<1>(t, x0, x1, c0, c1);
#endif
}

// Result bytes of 4-bit rows pixel pair by pixel pair: two source rows, one source column. x0 is
// even; an odd x1 is the result row's last pixel, whose byte keeps a zero low nibble.
void turnNibblePixels(const Turn& t, int32_t x0, int32_t x1, int32_t c0, int32_t c1) {
  const ptrdiff_t step = t.sourceStep;
  const int32_t pairs = (x1 - x0) / 2;
  for (int32_t c = c0; c < c1; ++c) {
    const int shift = c % 2 ? 0 : 4;
    uint8_t* d = t.resultRow(c) + x0 / 2;
    const uint8_t* s = t.sourceRow(x0) + c / 2;
    for (int32_t i = 0; i < pairs; ++i, s += 2 * step)
      d[i] = static_cast<uint8_t>((s[0] >> shift & 0x0f) << 4 | (s[step] >> shift & 0x0f));
    if ((x1 - x0) % 2) d[pairs] = static_cast<uint8_t>((s[0] >> shift & 0x0f) << 4);
  }
}

// c0 is even, so a block's source columns start a byte.
void turnNibbles(const Turn& t, int32_t x0, int32_t x1, int32_t c0, int32_t c1) {
#ifdef __SSE2__
  const int32_t xs = blocksEnd(x0, x1, 16), cs = blocksEnd(c0, c1, 16);
  for (int32_t c = c0; c < cs; c += 16)
    for (int32_t x = x0; x < xs; x += 16) turnNibbleBlock(t, x, c);
  turnNibblePixels(t, xs, x1, c0, cs);
  turnNibblePixels(t, x0, x1, cs, c1);
#else
  turnNibblePixels(t, x0, x1, c0, c1);
#endif
}

#ifdef TESSARO_TURN_SSSE3
// 24 bits, a quarter of a block: 4 source rows of 4 pixels. Each row's pixels are spread to 32-bit
// words, the 4 x 4 words transposed, and each column packed back to 12 bytes at the bottom of its
// register. A load reads 16 bytes, so the block needs two more source pixels after it.
__attribute__((target("ssse3"))) void turnTripleQuarter(const Turn& t, int32_t x, int32_t c, __m128i (&columns)[4]) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
  __m128i r[4];
  const uint8_t* s = t.sourceRow(x) + 3 * static_cast<size_t>(c);
  for (__m128i& v : r) {
    v = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), spread);
    s += t.sourceStep;
  }
  const __m128i a0 = _mm_unpacklo_epi32(r[0], r[1]), a1 = _mm_unpackhi_epi32(r[0], r[1]);
  const __m128i a2 = _mm_unpacklo_epi32(r[2], r[3]), a3 = _mm_unpackhi_epi32(r[2], r[3]);
  columns[0] = _mm_shuffle_epi8(_mm_unpacklo_epi64(a0, a2), pack);
  columns[1] = _mm_shuffle_epi8(_mm_unpackhi_epi64(a0, a2), pack);
  columns[2] = _mm_shuffle_epi8(_mm_unpacklo_epi64(a1, a3), pack);
  columns[3] = _mm_shuffle_epi8(_mm_unpackhi_epi64(a1, a3), pack);
}

// 24 bits: 16 source rows of 4 pixels give 4 result rows of 48 bytes, stored as three registers
// each, so no store reaches past the block.
__attribute__((target("ssse3"))) void turnTripleBlock(const Turn& t, int32_t x, int32_t c) {
  __m128i q[4][4];
  for (int i = 0; i < 4; ++i) turnTripleQuarter(t, x + 4 * i, c, q[i]);
  uint8_t* d = t.resultRow(c) + 3 * static_cast<size_t>(x);
  for (int j = 0; j < 4; ++j, d += t.resultStep) {
    const __m128i parts[3] = {_mm_or_si128(q[0][j], _mm_slli_si128(q[1][j], 12)),
                              _mm_or_si128(_mm_srli_si128(q[1][j], 4), _mm_slli_si128(q[2][j], 8)),
                              _mm_or_si128(_mm_srli_si128(q[2][j], 8), _mm_slli_si128(q[3][j], 4))};
    for (int k = 0; k < 3; ++k) _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16 * k), parts[k]);
  }
}

__attribute__((target("ssse3"))) void turnTripleBlocks(const Turn& t, int32_t x0, int32_t x1, int32_t c0, int32_t c1) {
  const int32_t xs = blocksEnd(x0, x1, 16), cs = blocksEnd(c0, std::min(c1, t.w - 2), 4);
  for (int32_t c = c0; c < cs; c += 4)
    for (int32_t x = x0; x < xs; x += 16) turnTripleBlock(t, x, c);
  turnPixels<3>(t, xs, x1, c0, cs);
  turnPixels<3>(t, x0, x1, cs, c1);
}

bool hasSsse3() {
  static const bool yes = __builtin_cpu_supports("ssse3");
  return yes;
}
#endif

void turnTriples(const Turn& t, int32_t x0, int32_t x1, int32_t c0, int32_t c1) {
#ifdef TESSARO_TURN_SSSE3
  if (hasSsse3()) return turnTripleBlocks(t, x0, x1, c0, c1);
#endif
  turnPixels<3>(t, x0, x1, c0, c1);
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

// 1 bit: a source byte of eight source rows is an 8 x 8 bit block; its transpose gives one
// result byte in each of the eight result rows of the byte's columns. c0 is a multiple of 8, x0
// too; source rows past x1 read as zero, so a result row's last byte keeps zero padding bits,
// and source columns past the width (a last byte's padding bits) are not stored.
void turnBits(const Turn& t, int32_t x0, int32_t x1, int32_t c0, int32_t c1) {
  const ptrdiff_t step = t.sourceStep, down = t.resultStep;
  for (int32_t c = c0; c < c1; c += 8) {
    const int columns = std::min(8, t.w - c);
    uint8_t* row = t.resultRow(c);
    for (int32_t x = x0; x < x1; x += 8) {
      const uint8_t* s = t.sourceRow(x) + c / 8;
      uint64_t block = 0;
      for (int k = 0, rows = std::min(8, x1 - x); k < rows; ++k, s += step) block |= uint64_t{*s} << (56 - 8 * k);
      block = transpose8(block);
      uint8_t* d = row + x / 8;
      for (int k = 0; k < columns; ++k, d += down) *d = static_cast<uint8_t>(block >> (56 - 8 * k));
    }
  }
}

using TileFn = void (*)(const Turn&, int32_t, int32_t, int32_t, int32_t);

// The tile turner of each depth and its tile: source rows by source columns. A tile's source
// pixels stay in the first-level cache while its result rows are written; tiles start on source
// columns that are multiples of the tile width, so at 1 and 4 bits on whole bytes. At 24 bits a
// band of only 16 source rows lets the hardware prefetcher follow every row it reads.
struct TurnRoutine {
  int32_t bits;
  TileFn turn;
  int32_t rows, columns;
};
constexpr TurnRoutine kTurns[] = {
    {1, turnBits, 64, 512},
    {4, turnNibbles, 64, 128},
    {8, turnBytes, 64, 64},
    {24, turnTriples, 16, 128},
};

// Source columns c0..c1-1 in bands of source rows; progress, if any, by those bands.
void turnColumns(const Turn& t, const TurnRoutine& r, int32_t c0, int32_t c1, RowProgress* progress) {
  for (int32_t x0 = 0; x0 < t.h; x0 += r.rows) {
    if (progress) progress->row(x0);
    const int32_t x1 = std::min(t.h, x0 + r.rows);
    for (int32_t c = c0; c < c1; c += r.columns) r.turn(t, x0, x1, c, std::min(c1, c + r.columns));
  }
}

const TurnRoutine* turnRoutine(int32_t bits) {
  for (const TurnRoutine& r : kTurns)
    if (r.bits == bits) return &r;
  return nullptr;
}

// Below this many result bytes a second thread costs more than it saves.
constexpr size_t kThreadedBytes = size_t{1} << 20;

}  // namespace

TDib quarterTurn(const TDib& picture, bool left, const ProgressFn& progress) {
  if (picture.empty()) return TDib();
  const int32_t w = DibWidth(picture), h = DibHeight(picture);
  TDib result = newDibLike(picture, h, w);
  result.Dpi = picture.Dpi.swapped();
  const TurnRoutine* routine = turnRoutine(DibBitCount(picture));
  if (result.empty() || !routine) return result;
  // Rows are stored bottom-up: the row below a row lies RowBytes before it.
  const ptrdiff_t down = -ptrdiff_t{picture.RowBytes}, resultDown = -ptrdiff_t{result.RowBytes};
  const Turn turn = left ? Turn{picture.row(0), down, result.row(w - 1), -resultDown, w, h}
                         : Turn{picture.row(h - 1), -down, result.row(0), resultDown, w, h};
  RowProgress rows(progress, h);
  // Two threads turn the two halves of the source columns: they write different result rows, and
  // a half starts on a tile, so every byte comes out as from one thread. This one reports progress.
  const int32_t half = (w / 2 + routine->columns - 1) / routine->columns * routine->columns;
  std::thread other;
  if (result.pixelBytes() >= kThreadedBytes && std::thread::hardware_concurrency() > 1 && half < w) {
    try {
      other = std::thread(turnColumns, std::cref(turn), std::cref(*routine), half, w, nullptr);
    } catch (const std::system_error&) {  // no thread to be had: this one does all
    }
  }
  turnColumns(turn, *routine, 0, other.joinable() ? half : w, &rows);
  if (other.joinable()) other.join();
  if (progress) progress(0);
  touchDib(result);
  return result;
}

void transposeRows(const uint8_t* source, ptrdiff_t sourceStep, uint8_t* result, ptrdiff_t resultStep, int32_t columns,
                   int32_t rows, int32_t bits) {
  const TurnRoutine* routine = turnRoutine(bits);
  if (!routine || columns <= 0 || rows <= 0) return;
  turnColumns(Turn{source, sourceStep, result, resultStep, columns, rows}, *routine, 0, columns, nullptr);
}

}  // namespace tessaro
