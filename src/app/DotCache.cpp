#include "app/DotCache.h"

namespace tessaro {

const DotScreen& DotCache::screen(const TDib& picture, const DotSettings& settings, double mmPerPixelX,
                                  double mmPerPixelY) {
  const Key key{picture.Id, picture.Generation, settings, mmPerPixelX, mmPerPixelY};
  if (key_ != key) {
    screen_ = DotScreen::make(picture, settings, mmPerPixelX, mmPerPixelY);
    picture_ = TDib{};
    key_ = key;
  }
  return screen_;
}

const TDib& DotCache::picture(int32_t width, int32_t height) {
  if (picture_.empty() || DibWidth(picture_) != width || DibHeight(picture_) != height)
    picture_ = renderDotPicture(screen_, width, height);
  return picture_;
}

}  // namespace tessaro
