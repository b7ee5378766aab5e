#pragma once
// Brightness and contrast: point operations on every colour channel. Palette pictures (1, 4 and
// 8 bits) change only their colours, so every pixel keeps its index; 24-bit pictures change
// every pixel byte. All work in place.
#include <array>
#include <cstdint>

#include "picture/Dib.h"
#include "picture/Progress.h"

namespace tessaro {

// One channel value after brightness with `offset`: v + offset, held to 0..255.
uint8_t brightnessValue(int32_t v, int32_t offset);
// One channel value after contrast with `percent` (100 leaves it, 0 makes it 127, 200 makes it 0
// or 255). Divisions truncate toward zero; a percent outside 0..200 still gives 0..255.
uint8_t contrastValue(int32_t v, int32_t percent);

// The value of every channel value 0..255 after brightness `offset`, then contrast `percent`.
using ToneTable = std::array<uint8_t, 256>;
ToneTable toneTable(int32_t offset, int32_t percent);

void Helligkeit(TDib& picture, int32_t offset, const ProgressFn& progress = {});
void Kontrast(TDib& picture, int32_t percent, const ProgressFn& progress = {});
// Helligkeit(offset) then Kontrast(percent) in one pass, as the brightness dialog applies them.
void applyTones(TDib& picture, int32_t offset, int32_t percent, const ProgressFn& progress = {});

// Gives the picture back the pixels and colours of `backup`, an untouched copy of it taken before
// the tones were changed, so every preview starts again from the same picture. A backup of
// another size or depth is not used.
void restoreTones(TDib& picture, const TDib& backup);

}  // namespace tessaro
