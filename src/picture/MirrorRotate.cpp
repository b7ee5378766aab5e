#include "picture/MirrorRotate.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "picture/Dib.h"
#include "picture/QuarterTurn.h"

namespace tessaro {

namespace {

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

using RowFn = void (*)(const uint8_t*, int32_t, uint8_t*);
// The row reverser of each depth; other depths have none.
struct DepthRoutines {
  int32_t bits;
  RowFn reverse;
};
constexpr DepthRoutines kRoutines[] = {
    {1, reverseBitRow},
    {4, reverseNibbleRow},
    {8, reverseByteRow},
    {24, reverseTripleRow},
};

const DepthRoutines* routines(int32_t bits) {
  for (const DepthRoutines& r : kRoutines)
    if (r.bits == bits) return &r;
  return nullptr;
}

}  // namespace

void mirrorRow(const uint8_t* source, int32_t width, int32_t bits, uint8_t* result) {
  if (const DepthRoutines* depth = routines(bits)) depth->reverse(source, width, result);
}

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

TDib rotateLeft(const TDib& picture, const ProgressFn& progress) { return quarterTurn(picture, true, progress); }
TDib rotateRight(const TDib& picture, const ProgressFn& progress) { return quarterTurn(picture, false, progress); }

}  // namespace tessaro
