#pragma once
// Converted pictures kept between repaints, shared by every QtDevice of the process. A repaint of
// an unchanged picture into an unchanged box then costs one image draw.
#include <QImage>
#include <cstdint>
#include <optional>

namespace tessaro {

struct PictureKey {
  uint64_t id = 0;
  uint64_t generation = 0;
  const void* bits = nullptr;  // guards against a key reused for different pixels
  int32_t srcX = 0, srcY = 0, srcW = 0, srcH = 0;
  int32_t outW = 0, outH = 0;
  bool operator==(const PictureKey&) const = default;
};

// Hits and misses since the start or the last clear.
struct PictureCacheStats {
  uint64_t hits = 0;
  uint64_t misses = 0;
};

namespace pictureCache {
std::optional<QImage> find(const PictureKey& key);
void store(const PictureKey& key, const QImage& image);
PictureCacheStats stats();
void clear();
}  // namespace pictureCache

}  // namespace tessaro
