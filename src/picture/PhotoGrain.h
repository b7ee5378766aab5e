#pragma once
// How lossless writers (PNG files, PDF images) compress true-colour rows. Photo grain defeats
// zlib's match search: at level 6 with all five PNG filters tried on every row a large photo
// takes seconds. Level 1 with the Sub and Up filters is several times faster there for about a
// fifth more bytes, but would make drawings and flat areas several times larger, where level 6
// is cheap anyway. A band of rows from the middle tells the two apart.
#include <cstdint>

namespace tessaro {

inline constexpr int kPhotoLevel = 1;    // zlib level for photos, with Sub and Up filters only
inline constexpr int kDrawingLevel = 6;  // zlib level for everything else, with all filters

// True when `height` stored rows of `rowBytes` bytes each, `stride` apart from `rows`, look like
// a photo: their Up-filtered middle band stays large at level 1.
bool looksLikeAPhoto(const uint8_t* rows, uint64_t stride, uint64_t rowBytes, int32_t height);

}  // namespace tessaro
