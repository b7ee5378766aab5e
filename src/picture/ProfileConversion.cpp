#include "picture/ProfileConversion.h"

#include <algorithm>
#include <array>

#include "colour/IccProfile.h"

namespace tessaro {

namespace {

bool greyTable(const RgbQuad* table, int count) {
  return std::all_of(table, table + count,
                     [](const RgbQuad& q) { return q.rgbRed == q.rgbGreen && q.rgbGreen == q.rgbBlue; });
}

// Palette pictures keep their depth and indices: only the colour table is converted, from grey
// values with a grey profile (a grey picture's table), from colours with an RGB one.
bool convertTable(TDib& picture, const IccProfile& profile) {
  const int count = DibColors(picture);
  RgbQuad* table = picture.colors();
  if (count <= 0 || count > 256 || !table) return false;
  const bool grey = profile.space() == ProfileSpace::Grey;
  if (grey && !greyTable(table, count)) return false;
  const SrgbConversion conversion(profile, grey ? PixelLayout::Grey : PixelLayout::Bgr);
  if (!conversion.isReady()) return false;
  std::array<uint8_t, 3 * 256> in{}, out{};
  for (int i = 0; i < count; ++i) {
    const RgbQuad& q = table[i];
    if (grey)
      in[static_cast<size_t>(i)] = q.rgbRed;
    else
      std::copy_n(&q.rgbBlue, 3, &in[3 * static_cast<size_t>(i)]);
  }
  conversion.convert(in.data(), out.data(), static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) std::copy_n(&out[3 * static_cast<size_t>(i)], 3, &table[i].rgbBlue);
  syncPaletteFromColors(picture, count);
  return true;
}

}  // namespace

std::string profileDescription(const std::vector<uint8_t>& icc) { return IccProfile(icc).description(); }

bool profileUsable(const std::vector<uint8_t>& icc) {
  const IccProfile profile(icc);
  const ProfileSpace space = profile.space();
  if (space == ProfileSpace::Other) return false;
  const PixelLayout layout = space == ProfileSpace::Grey  ? PixelLayout::Grey
                             : space == ProfileSpace::Rgb ? PixelLayout::Bgr
                                                          : PixelLayout::Cmyk;
  return SrgbConversion(profile, layout).isReady();
}

bool profileIsMatrixShaper(const std::vector<uint8_t>& icc) {
  const IccProfile profile(icc);
  return profile.space() == ProfileSpace::Rgb && profile.isMatrixShaper();
}

bool convertToSrgb(TDib& picture, const std::vector<uint8_t>& icc) {
  if (picture.empty()) return false;
  const IccProfile profile(icc);
  if (!profile.isOpen()) return false;
  if (DibBitCount(picture) <= 8) {
    if (!convertTable(picture, profile)) return false;
  } else {
    const SrgbConversion conversion(profile, PixelLayout::Bgr);
    if (DibBitCount(picture) != 24 || !conversion.isReady()) return false;
    conversion.convertRowsInPlace(picture.Bits, static_cast<size_t>(DibWidth(picture)),
                                  static_cast<size_t>(DibHeight(picture)), static_cast<size_t>(picture.RowBytes));
  }
  touchDib(picture);
  return true;
}

}  // namespace tessaro
