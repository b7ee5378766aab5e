#pragma once
// Changing a picture's colour depth: raising it to 4, 8 or 24 bits, and reducing it to 1, 4 or 8
// bits with an optimised or standard palette by nearest colour, ordered dither or
// Floyd-Steinberg error diffusion. Both build a new picture and leave the given one untouched;
// the caller replaces its picture with the result.
#include <cstdint>
#include <functional>

#include "picture/Dib.h"
#include "picture/Progress.h"

namespace tessaro {

// The values match the reduction dialog's reading of its radio buttons.
enum class DepthMethod : int32_t { Nearest = 0, FloydSteinberg = 1, Ordered = 2 };

// The choices of the colour-count and reduction dialogs. The defaults are what the reduction
// dialog preselects.
struct DepthOptions {
  int32_t bits = 8;                                  // target bit count: 1, 4 or 8 (down), 4, 8 or 24 (up)
  bool optimisedPalette = true;                      // "Optimierte Palette", else the standard palette
  DepthMethod method = DepthMethod::FloydSteinberg;  // as read from the dialog
  bool systemColours = true;                         // "Systemfarben einbinden" (8 bits, optimised)
};

// The two progress bars: `load` is the picture-information bar, `retouch` the retouch page's bar.
// Raising sets both, reducing only `load`. Either may be empty.
struct DepthProgress {
  ProgressFn load;
  ProgressFn retouch;
};

// A pseudo-random byte 0..255; raising a 1- or 4-bit picture fills the palette entries no pixel
// uses with it. Injected so that tests are repeatable.
using RandomByteFn = std::function<uint8_t()>;
// A generator seeded from the clock, as the window uses it.
RandomByteFn clockSeededRandom();

// The picture raised to `bits` (4, 8 or 24) with the same look (1-bit pictures become
// black and white). Empty when nothing is to be done (the picture is 24 bits, the pair is not
// one that raises, the depth is not 1, 4 or 8) or the memory cannot be had.
TDib DepthUpTo(const TDib& picture, int32_t bits, const RandomByteFn& random, const DepthProgress& progress = {});

// The picture reduced to options.bits (1, 4 or 8) as the reduction dialog's choices say. Empty
// when the pair is not 24->1, 8->1, 4->1, 24->4, 8->4 or 24->8, or the memory cannot be had.
// Ordered dither works with the standard palette at 8 bits only; elsewhere it falls back as the
// dialog does: nearest colour at 4 bits, error diffusion at 1 bit and with the optimised palette.
TDib DepthDownTo(const TDib& picture, const DepthOptions& options, const DepthProgress& progress = {});

}  // namespace tessaro
