#pragma once
// The palette entry nearest to a colour by squared RGB distance, the lowest index on a tie: the
// answer of a linear search over the palette, found through a grid of colour cells that each keep
// only the entries that can be nearest somewhere inside them.
#include <cstdint>
#include <vector>

#include "picture/Dib.h"

namespace tessaro {

class NearestColour {
 public:
  // Entries 0 .. palNumEntries - 1 (at most 256) of `palette`.
  explicit NearestColour(const LogPaletteData& palette);

  uint8_t index(uint8_t r, uint8_t g, uint8_t b) {
    const uint32_t cell = (uint32_t{r} >> kShift << 10) | (uint32_t{g} >> kShift << 5) | (uint32_t{b} >> kShift);
    if (cellStart_[cell] == kUnbuilt) build(cell);
    const Entry* e = pool_.data() + cellStart_[cell];
    const Entry* end = e + cellCount_[cell];
    int best = 1 << 30;
    uint8_t bestIndex = 0;
    for (; e != end; ++e) {
      const int dr = int{e->r} - r, dg = int{e->g} - g, db = int{e->b} - b;
      const int d = dr * dr + dg * dg + db * db;
      if (d < best) {
        best = d;
        bestIndex = e->index;
      }
    }
    return bestIndex;
  }

 private:
  struct Entry {
    uint8_t r, g, b, index;
  };
  static constexpr int kShift = 3;  // cells of 8 x 8 x 8 colours, 32 per channel
  static constexpr uint32_t kUnbuilt = UINT32_MAX;
  void build(uint32_t cell);

  std::vector<Entry> entries_;
  std::vector<uint32_t> cellStart_;
  std::vector<uint16_t> cellCount_;
  std::vector<Entry> pool_;
};

}  // namespace tessaro
