// Feeds arbitrary bytes as a file's Exif block (from its TIFF header on) to the orientation
// reader; whatever it finds must be one of the eight orientations.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "picture/Orientation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessaro::PictureMetadata metadata;
  metadata.exif.assign(data, data + size);
  const int orientation = tessaro::orientationOf(metadata);
  if (orientation < 1 || orientation > 8) std::abort();
  return 0;
}
