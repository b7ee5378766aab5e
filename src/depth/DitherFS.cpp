#include "depth/DitherFS.h"

#include <algorithm>
#include <vector>

#include "depth/DepthRows.h"
#include "depth/NearestColour.h"

namespace tessaro {

namespace {

// One error row: width + 2 slots of blue, green, red, each sixteen times the error carried.
using ErrorRow = std::vector<int16_t>;

struct Spread {
  const PaletteEntry* palette;
  NearestColour nearest;

  // Maps one pixel with the error read at slot `read` of `in`, spreads its own error and
  // returns its index. Slot p of `out` lies below this pixel, p - 1 below the next one.
  uint8_t pixel(const RgbTriple& c, int16_t* in, int32_t read, int16_t* out, int32_t p) {
    const int src[3] = {c.b, c.g, c.r};
    int v[3];
    for (int ch = 0; ch < 3; ++ch) v[ch] = std::clamp(src[ch] + (in[read * 3 + ch] + 8) / 16, 0, 255);
    const uint8_t index = nearest.index(uint8_t(v[2]), uint8_t(v[1]), uint8_t(v[0]));
    const PaletteEntry& e = palette[index];
    const int got[3] = {e.peBlue, e.peGreen, e.peRed};
    for (int ch = 0; ch < 3; ++ch) {
      const int err = v[ch] - got[ch];
      out[(p - 1) * 3 + ch] = static_cast<int16_t>(err);
      out[(p + 1) * 3 + ch] = static_cast<int16_t>(out[(p + 1) * 3 + ch] + 3 * err);
      out[p * 3 + ch] = static_cast<int16_t>(out[p * 3 + ch] + 5 * err);
      in[(read + 1) * 3 + ch] = static_cast<int16_t>(in[(read + 1) * 3 + ch] + 7 * err);
    }
    return index;
  }
};

}  // namespace

void DitherFS(const TDib& source, TDib& target, const ProgressFn& progress) {
  if (!source.Bits || !target.Bits) return;
  reportZero(progress);
  const int32_t w = source.Header->biWidth, h = source.Header->biHeight;
  const int32_t bits = target.Header->biBitCount;
  ErrorRow rowA(static_cast<size_t>(w + 2) * 3, 0), rowB(rowA.size(), 0);
  std::vector<RgbTriple> colours(static_cast<size_t>(w));
  Spread spread{target.LogPalette.palPalEntry, NearestColour(target.LogPalette)};
  RowProgress rows(progress, h);
  bool rightToLeft = false;
  for (int32_t y = 0; y < h; ++y) {
    rows.row(y);
    rowColours(source, h - 1 - y, colours.data());
    uint8_t* out = target.row(y);
    int16_t* in = rightToLeft ? rowB.data() : rowA.data();
    int16_t* below = rightToLeft ? rowA.data() : rowB.data();
    const int32_t step = rightToLeft ? -1 : 1;
    int32_t x = rightToLeft ? w - 1 : 0;
    std::fill_n(below + static_cast<size_t>(w) * 3, 3, int16_t{0});
    for (int32_t read = 1, p = w; read <= w; ++read, --p, x += step)
      putIndex(out, bits, x, spread.pixel(colours[static_cast<size_t>(x)], in, read, below, p));
    rightToLeft = !rightToLeft;
  }
  touchDib(target);
  reportZero(progress);
}

}  // namespace tessaro
