#pragma once
// The entries of an Exif block (from its TIFF header on) that the load reads.
#include <cstdint>
#include <vector>

#include "picture/Resolution.h"

namespace tessaro {

struct ExifFields {
  int orientation = 0;    // 0 when absent
  Resolution resolution;  // XResolution and YResolution by ResolutionUnit (inch unless 3, cm)
};

ExifFields exifFields(const std::vector<uint8_t>& exif);

}  // namespace tessaro
