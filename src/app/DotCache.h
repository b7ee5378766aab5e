#pragma once
// The dot screen the window shows and its dot picture, kept between repaints: made again only
// when the picture, the settings or the printed size change, and the picture also when its size
// does.
#include <cstdint>
#include <optional>

#include "picture/Dib.h"
#include "print/DotScreen.h"

namespace tessaro {

class DotCache {
 public:
  const DotScreen& screen(const TDib& picture, const DotSettings& settings, double mmPerPixelX, double mmPerPixelY);
  // The dot picture of the screen last made, width x height.
  const TDib& picture(int32_t width, int32_t height);

 private:
  struct Key {
    uint64_t id = 0, generation = 0;
    DotSettings settings;
    double mmPerPixelX = 0, mmPerPixelY = 0;
    bool operator==(const Key&) const = default;
  };
  std::optional<Key> key_;
  DotScreen screen_;
  TDib picture_;
};

}  // namespace tessaro
