#include "depth/OrderedDither.h"

#include "picture/httables.h"

namespace tessaro {

void orderedDither(const TDib& source, TDib& target, const ProgressFn& progress) {
  const int32_t w = source.Header->biWidth, h = source.Header->biHeight;
  RowProgress rows(progress, h);
  for (int32_t y = 0; y < h; ++y) {
    rows.row(y);
    const uint8_t* in = source.storedRow(y);
    uint8_t* out = target.storedRow(y);
    for (int32_t x = 0; x < w; ++x, in += 3) out[x] = ditherIndex(in[2], in[1], in[0], x, y);
  }
  touchDib(target);
}

}  // namespace tessaro
