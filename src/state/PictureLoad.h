#pragma once
// Loading a picture file into the current picture, and the small preview's fit.
#include <functional>
#include <string>

#include "picture/FileError.h"
#include "picture/PictureMetadata.h"
#include "picture/Progress.h"
#include "state/MainState.h"

namespace tessaro {

// 2 to the power n by doubling 1 n times (1 for n <= 0), wrapping as 32-bit arithmetic does.
int32_t zweihoch(int32_t n);

// Loads `path`; on success the new picture replaces the current one, the poster width goes back
// to one sheet and the crop frame covers the whole picture. On failure nothing changes and
// `why` (when given) says what was wrong with the file.
// What a new picture does to the poster: the width goes back to one sheet before the geometry is
// applied again, and a physical size asked for the old picture ends.
inline void posterForNewPicture(PosterState& p) {
  p.PosterWidth = 1.0;
  p.SheetsX = 1;
  p.PhysicalScale = 0;
}
// A picture that decoded despite damage replaces the current one only when `acceptDamage`, asked
// with the damage, says yes (never without it); a no returns false with no fault in `why`.
using AcceptDamageFn = std::function<bool(const FileError& damage)>;
// `read` says whether the picture is turned upright and converted to sRGB.
bool loadPictureFile(MainState& s, const std::string& path, const ProgressFn& progress, FileError* why = nullptr,
                     const AcceptDamageFn& acceptDamage = {}, const ReadOptions& read = {});

// Size of the aspect-kept preview of a W x H picture in a bw x bh box (integer arithmetic).
struct PreviewSize {
  int32_t width = 0;
  int32_t height = 0;
};
PreviewSize fitPreview(int32_t bw, int32_t bh, int32_t W, int32_t H);

}  // namespace tessaro
