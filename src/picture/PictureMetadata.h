#pragma once
// What a picture file says beside its pixels about how they are meant to be shown: the camera's
// orientation, the colour profile the pixels are in and their resolution. Decoders note it on their way to the
// pixels (before the size check, so that a read of the header sees it too); the load then turns
// the picture upright and converts it to sRGB, as the read options ask.
#include <cstdint>
#include <string>
#include <vector>

#include "picture/Resolution.h"

namespace tessaro {

struct ReadOptions {
  bool autoOrient = true;  // turn the picture upright by its camera's orientation
  bool useProfile = true;  // convert from the embedded colour profile to sRGB
  int page = 1;            // the page of a PDF file, from 1; an SVG drawing has only page 1
};

struct PictureMetadata {
  // The Exif block from its TIFF header on (JPEG APP1, PNG eXIf, WebP EXIF); the first one wins.
  std::vector<uint8_t> exif;
  // A format's own orientation field (TIFF tag 274), 1 to 8; 0 when it has none.
  int orientation = 0;
  // The container turns and mirrors the picture itself (HEIF): Exif must never turn it again.
  bool orientedByContainer = false;
  // The decoder wrote the picture upright as it went (JPEG): the load must not turn it again.
  bool turnedByDecoder = false;
  // A format's own resolution field (JFIF density, pHYs, TIFF tags, BMP and PCX header), for the
  // pixels as stored; none when it has none, and then the Exif resolution counts.
  Resolution resolution;
  // The embedded ICC profile, whole.
  std::vector<uint8_t> icc;
  // The decoder converted the pixels from the profile itself (CMYK), or from its own colour
  // description: the load must not convert them again.
  bool profileApplied = false;
};

// What a load did with it, for `info` and the load tab.
struct LoadNotes {
  int orientation = 1;       // the orientation found; 1 (upright) when none
  bool turned = false;       // the picture was turned or mirrored upright
  bool hasProfile = false;     // the file embeds a colour profile
  std::string profile;         // its description; empty when it has none that can be read
  bool profileUsable = false;  // a conversion to sRGB can be made from it
  bool profileUsed = false;    // the pixels were converted from it to sRGB
  Resolution resolution;       // the picture's, upright; none when the file stores none
};

}  // namespace tessaro
