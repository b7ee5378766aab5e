#pragma once
// How lossless writers (PNG files, PDF images) compress true-colour rows. Level 6 with all five
// PNG filters tried on every row costs several times level 1 with the Sub and Up filters on photo
// grain and on smooth shading alike (a smoothly enlarged photo), for about a fifth fewer bytes.
// On drawings and flat areas it is cheap and makes files several times smaller. A sample of bands
// spread over the picture, a small share of it, tells the two apart.
#include <cstdint>

namespace tessaro {

inline constexpr int kPhotoLevel = 1;    // zlib level for photos, with Sub and Up filters only
inline constexpr int kDrawingLevel = 6;  // zlib level for everything else, with all filters

// True when `height` stored rows of `rowBytes` bytes each, `stride` apart from `rows`, should be
// compressed as a photo: level 1 leaves their sample large, or level 6 would hardly shrink it.
bool looksLikeAPhoto(const uint8_t* rows, uint64_t stride, uint64_t rowBytes, int32_t height);

}  // namespace tessaro
