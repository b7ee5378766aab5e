#include <chrono>
#include <memory>
#include <new>
#include <random>
#include <vector>

#include "depth/ColourDepth.h"
#include "depth/DepthRows.h"

namespace tessaro {

namespace {

void reportBoth(const DepthProgress& progress, int percent) {
  if (progress.load) progress.load(percent);
  if (progress.retouch) progress.retouch(percent);
}

// Rows of the target from the top, both bars following them.
template <typename RowFn>
void eachRow(int32_t h, const DepthProgress& progress, RowFn fn) {
  RowProgress load(progress.load, h), retouch(progress.retouch, h);
  for (int32_t y = 0; y < h; ++y) {
    load.row(y);
    retouch.row(y);
    fn(y);
  }
}

bool raises(int32_t from, int32_t to) {
  return (from == 4 && (to == 8 || to == 24)) || (from == 1 && (to == 4 || to == 8 || to == 24)) ||
         (from == 8 && to == 24);
}

// Entries [first, last] get colours no pixel uses: red, green, blue drawn in turn, each a
// multiple of 4.
void arbitraryColours(TDib& target, int first, int last, const RandomByteFn& random) {
  for (int i = first; i <= last; ++i) {
    RgbQuad& q = target.colors()[i];
    q.rgbRed = static_cast<uint8_t>(random() & 0xfc);
    q.rgbGreen = static_cast<uint8_t>(random() & 0xfc);
    q.rgbBlue = static_cast<uint8_t>(random() & 0xfc);
  }
}

void setColour(TDib& target, int i, uint8_t r, uint8_t g, uint8_t b) { target.colors()[i] = RgbQuad{b, g, r, 0}; }

// Palette of a raised 1- or 4-bit picture: the source's colours (a 4-bit source) or black and
// white at both ends (a 1-bit source), the rest arbitrary.
void raisedPalette(const TDib& source, TDib& target, const RandomByteFn& random) {
  const int entries = 1 << target.Header->biBitCount;
  if (source.Header->biBitCount == 4) {
    for (int i = 0; i < 16; ++i) {
      const PaletteEntry& e = source.LogPalette.palPalEntry[i];
      setColour(target, i, e.peRed, e.peGreen, e.peBlue);
    }
    arbitraryColours(target, 16, entries - 1, random);
  } else {
    setColour(target, 0, 0, 0, 0);
    arbitraryColours(target, 1, entries - 2, random);
    setColour(target, entries - 1, 255, 255, 255);
  }
  syncPaletteFromColors(target, entries);
}

inline bool bitAt(const uint8_t* row, int32_t x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }

// A 1-bit source becomes black and white whatever its two colours are.
void toTrueColour(const TDib& source, TDib& target, const DepthProgress& progress) {
  const int32_t w = source.Header->biWidth;
  const bool blackWhite = source.Header->biBitCount == 1;
  std::vector<RgbTriple> colours(static_cast<size_t>(w));
  eachRow(source.Header->biHeight, progress, [&](int32_t y) {
    const uint8_t* in = source.row(y);
    uint8_t* out = target.row(y);
    if (blackWhite) {
      for (int32_t x = 0; x < w; ++x, out += 3) out[0] = out[1] = out[2] = bitAt(in, x) ? 255 : 0;
      return;
    }
    rowColours(source, source.Header->biHeight - 1 - y, colours.data());
    for (const RgbTriple& c : colours) {
      out[0] = c.b, out[1] = c.g, out[2] = c.r;
      out += 3;
    }
  });
}

// 1 or 4 bits to 4 or 8 bits: 4-bit indices stay, 1-bit pixels become the first or last entry.
void toIndices(const TDib& source, TDib& target, const DepthProgress& progress) {
  const int32_t w = source.Header->biWidth;
  const int32_t bits = target.Header->biBitCount;
  const bool fromOneBit = source.Header->biBitCount == 1;
  const uint8_t light = static_cast<uint8_t>((1 << bits) - 1);
  eachRow(source.Header->biHeight, progress, [&](int32_t y) {
    const uint8_t* in = source.row(y);
    uint8_t* out = target.row(y);
    for (int32_t x = 0; x < w; ++x) {
      const uint8_t v = fromOneBit ? (bitAt(in, x) ? light : 0) : ((x & 1) ? (in[x >> 1] & 0x0f) : (in[x >> 1] >> 4));
      putIndex(out, bits, x, static_cast<uint8_t>(v));
    }
  });
}

}  // namespace

RandomByteFn clockSeededRandom() {
  auto engine = std::make_shared<std::mt19937>(
      static_cast<std::mt19937::result_type>(std::chrono::steady_clock::now().time_since_epoch().count()));
  return [engine] { return static_cast<uint8_t>((*engine)() & 0xff); };
}

TDib DepthUpTo(const TDib& picture, int32_t bits, const RandomByteFn& random, const DepthProgress& progress) {
  reportBoth(progress, 0);
  TDib target;
  if (!picture.empty() && raises(picture.Header->biBitCount, bits)) {
    target = newdib(picture.Header->biWidth, picture.Header->biHeight, bits, nullptr, 0);
    target.Dpi = picture.Dpi;
    if (!target.empty()) {
      try {
        if (bits == 24) {
          toTrueColour(picture, target, progress);
        } else {
          raisedPalette(picture, target, random ? random : clockSeededRandom());
          toIndices(picture, target, progress);
        }
        touchDib(target);
      } catch (const std::bad_alloc&) {
        target = TDib();  // a row buffer could not be had: nothing changes
      }
    }
  }
  reportBoth(progress, 0);
  return target;
}

}  // namespace tessaro
