#pragma once
// Test pictures for the poster: a 24-bit picture cut into blocks of distinct colours, so a
// pixel read back from a page tells which block of the picture landed there.
#include <cstdint>
#include <optional>
#include <utility>

#include "picture/Device.h"
#include "picture/Dib.h"
#include "state/MainState.h"

namespace tessaro::test {

Color blockColor(int32_t bx, int32_t by);
// The block of a colour made by blockColor; nothing for any other colour.
std::optional<std::pair<int32_t, int32_t>> blockOf(Color c);

// A width x height picture of blocksX x blocksY equal blocks (sizes divisible).
TDib blockPicture(int32_t width, int32_t height, int32_t blocksX, int32_t blocksY);

// A poster of exactly nx x ny whole sheets.
PosterState wholeSheets(int32_t nx, int32_t ny);

// Writes a device colour into a 24-bit picture.
void setColor(TDib& dib, int32_t x, int32_t y, Color c);

}  // namespace tessaro::test
