#include <new>
#include <span>
#include <vector>

#include "depth/ColourDepth.h"
#include "depth/DepthRows.h"
#include "depth/DitherFS.h"
#include "depth/NearestColour.h"
#include "depth/OptimizedPalette.h"
#include "depth/OrderedDither.h"
#include "picture/httables.h"

namespace tessaro {

namespace {

bool reduces(int32_t from, int32_t to) {
  return (to == 1 && (from == 24 || from == 8 || from == 4)) || (to == 4 && (from == 24 || from == 8)) ||
         (to == 8 && from == 24);
}

// Entries first, first + 1, ... of the target's colour table.
void setColours(TDib& target, int first, std::span<const RgbTriple> colours) {
  for (const RgbTriple& c : colours) target.colors()[first++] = RgbQuad{c.b, c.g, c.r, 0};
}

void buildPalette(const TDib& source, TDib& target, const DepthOptions& o, const ProgressFn& progress) {
  const int entries = 1 << o.bits;
  if (o.bits == 4) {
    if (o.optimisedPalette)
      setColours(target, 0, OptimizedPalette(source, 16, 5, progress));
    else
      setColours(target, 0, StdPalette16);
  } else {
    // The twenty system colours sit at both ends of the standard palette; the optimised boxes
    // fill the 236 entries between them.
    if (!o.optimisedPalette || o.systemColours) setColours(target, 0, StdPalette256);
    if (o.optimisedPalette && o.systemColours) setColours(target, 10, OptimizedPalette(source, 236, 4, progress));
    if (o.optimisedPalette && !o.systemColours) setColours(target, 0, OptimizedPalette(source, 256, 4, progress));
  }
  syncPaletteFromColors(target, entries);
}

// 1 bit without dithering: light or dark by brightness, the plain mean for true colour and
// weights 30/59/11 for palette pictures.
void threshold(const TDib& source, TDib& target, const ProgressFn& progress) {
  const int32_t w = source.Header->biWidth, h = source.Header->biHeight;
  const bool trueColour = source.Header->biBitCount == 24;
  std::vector<RgbTriple> colours(static_cast<size_t>(w));
  RowProgress rows(progress, h);
  for (int32_t y = 0; y < h; ++y) {
    rows.row(y);
    rowColours(source, h - 1 - y, colours.data());
    uint8_t* out = target.row(y);
    for (int32_t x = 0; x < w; ++x) {
      const RgbTriple c = colours[static_cast<size_t>(x)];
      const int light = trueColour ? (c.r + c.g + c.b) / 3 : (30 * c.r + 59 * c.g + 11 * c.b) / 100;
      putIndex(out, 1, x, light >= 128 ? 1 : 0);
    }
  }
}

void nearestColours(const TDib& source, TDib& target, const ProgressFn& progress) {
  const int32_t w = source.Header->biWidth, h = source.Header->biHeight;
  const int32_t bits = target.Header->biBitCount;
  NearestColour nearest(target.LogPalette);
  std::vector<RgbTriple> colours(static_cast<size_t>(w));
  RowProgress rows(progress, h);
  for (int32_t y = 0; y < h; ++y) {
    rows.row(y);
    rowColours(source, y, colours.data());
    uint8_t* out = target.storedRow(y);
    for (int32_t x = 0; x < w; ++x) {
      const RgbTriple c = colours[static_cast<size_t>(x)];
      putIndex(out, bits, x, nearest.index(c.r, c.g, c.b));
    }
  }
}

// The method that really runs: ordered dither only onto the 8-bit standard palette. At 4 bits
// it is nearest colour; at 1 bit and with the optimised palette error diffusion, as the dialog
// moves the choice there.
DepthMethod effectiveMethod(const DepthOptions& o) {
  if (o.method != DepthMethod::Ordered) return o.method;
  if (o.bits == 4) return DepthMethod::Nearest;
  if (o.bits == 8 && !o.optimisedPalette) return DepthMethod::Ordered;
  return DepthMethod::FloydSteinberg;
}

void reduce(const TDib& source, TDib& target, const DepthOptions& o, const ProgressFn& progress) {
  if (o.bits != 1) buildPalette(source, target, o, progress);
  switch (effectiveMethod(o)) {
    case DepthMethod::FloydSteinberg:
      DitherFS(source, target, progress);
      break;
    case DepthMethod::Ordered:
      orderedDither(source, target, progress);
      break;
    case DepthMethod::Nearest:
      if (o.bits == 1)
        threshold(source, target, progress);
      else
        nearestColours(source, target, progress);
      break;
  }
  touchDib(target);
}

}  // namespace

TDib DepthDownTo(const TDib& picture, const DepthOptions& options, const DepthProgress& progress) {
  reportZero(progress.load);
  TDib target;
  if (!picture.empty() && reduces(picture.Header->biBitCount, options.bits)) {
    target = newdib(picture.Header->biWidth, picture.Header->biHeight, options.bits, nullptr, 0);
    target.Dpi = picture.Dpi;
    try {
      if (!target.empty()) reduce(picture, target, options, progress.load);
    } catch (const std::bad_alloc&) {
      target = TDib();  // the work rows or tables could not be had: nothing changes
    }
  }
  reportZero(progress.load);
  return target;
}

}  // namespace tessaro
