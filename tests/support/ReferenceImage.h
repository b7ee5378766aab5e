#pragma once
// An independent view of picture files for cross-checks: ImageMagick's convert decodes a file
// into plain RGB (or encodes plain RGB into a file), so our codecs are compared against a
// decoder that shares no code with them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "picture/Dib.h"

namespace tessaro::test {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // top row first, 3 bytes per pixel
  uint32_t at(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return (uint32_t{rgb[i]} << 16) | (uint32_t{rgb[i + 1]} << 8) | rgb[i + 2];
  }
};

// Decodes the first frame of `path` with /usr/bin/convert (JPEG XL with djxl into sRGB first);
// nothing when it fails. `readArgs` go before the file's name (read settings such as
// "-define jpeg:dct-method=islow"), `operators` after it (such as "-auto-orient").
std::optional<RgbImage> referenceDecode(const std::string& path, const std::string& readArgs = "",
                                        const std::string& operators = "");
// The resolution convert reads from `path` in dots per inch; none where it names no unit.
Resolution referenceResolution(const std::string& path);
// Writes `image` to `path` with convert; `extraArgs` go before the output name
// (for example "-type Palette" or "-compress RLE").
bool referenceEncode(const RgbImage& image, const std::string& path, const std::string& extraArgs = "");
// Our picture as plain RGB, colour table applied.
RgbImage dibToRgb(const TDib& dib);
// A temporary folder for one test, removed with the process's other temporaries by the OS.
std::string tempPath(const std::string& name);
// Largest difference of any channel of any pixel; -1 when the sizes differ.
int maxChannelDifference(const RgbImage& a, const RgbImage& b);

}  // namespace tessaro::test
