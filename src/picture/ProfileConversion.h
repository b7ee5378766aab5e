#pragma once
// Pictures in their true colours: pixels converted from the embedded ICC profile to sRGB.
#include <string>
#include <vector>

#include "picture/Dib.h"

namespace tessaro {

// The profile's description, as its maker named it; empty when it has none that can be read.
std::string profileDescription(const std::vector<uint8_t>& icc);
// True when a conversion to sRGB can be made from the profile (lcms2 reads it, and it describes
// grey, RGB or CMYK).
bool profileUsable(const std::vector<uint8_t>& icc);
// True for an RGB profile of three tone curves and a matrix (Display P3, Adobe RGB and their
// kind): its perceptual conversion is the colorimetric one, which every colour-managed reader
// makes alike.
bool profileIsMatrixShaper(const std::vector<uint8_t>& icc);
// Converts the picture in place from the profile to sRGB: a true-colour picture in bands of
// rows, a palette picture its table. False, with the picture unchanged, when the profile cannot
// be used for it.
bool convertToSrgb(TDib& picture, const std::vector<uint8_t>& icc);

}  // namespace tessaro
