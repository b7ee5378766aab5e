// Feeds arbitrary bytes as an embedded colour profile: described, judged and applied to a small
// true-colour, a palette and a grey picture, as a load does.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/ProfileConversion.h"

namespace {

tessaro::TDib smallPicture(int bits) {
  tessaro::TDib dib = tessaro::newdib(7, 3, bits, nullptr, 0);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) tessaro::setpixel(dib, x, y, bits == 24 ? x * 0x2468ac + y * 0x13579b : x * 30 + y);
  if (bits == 8)
    for (int i = 0; i < 256; ++i) dib.colors()[i] = tessaro::RgbQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  return dib;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> icc(data, data + size);
  (void)tessaro::profileDescription(icc);
  (void)tessaro::profileUsable(icc);
  for (const int bits : {24, 8, 4}) {
    tessaro::TDib dib = smallPicture(bits);
    tessaro::convertToSrgb(dib, icc);
  }
  return 0;
}
