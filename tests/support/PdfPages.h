#pragma once
// Printed PDF files as poppler's tools see them, which share no code with our writer: page
// counts and pages rendered to pixels, to hold against the raster pages of the same job.
#include <cstdint>
#include <optional>
#include <string>

#include "support/RasterDevice.h"

namespace tessaro::test {

struct RgbPage {
  int width = 0, height = 0;
  std::string rgb;  // rows from the top
  Color at(int x, int y) const;
};

// A part of a rendered page in its pixels: left, top, width, height.
struct PageWindow {
  int x = 0, y = 0, w = 0, h = 0;
};
// Page `page` (1-based) at `dpi`, without smoothing; nothing when poppler cannot render it. The
// whole MediaBox, or with `cropBox` the visible area only; with `window` only that part of it.
// `smooth` anti-aliases edges: a pixel an edge crosses shows the share of it that is covered.
std::optional<RgbPage> renderPdfPage(const std::string& pdf, int page, int dpi, bool cropBox = false,
                                     const std::optional<PageWindow>& window = std::nullopt, bool smooth = false);
// pdftotext's text of the whole file, laid out as on the page; empty when it cannot read it.
std::string pdfText(const std::string& pdf);
// pdfinfo's page count; 0 when the file is no readable PDF.
int pdfPageCount(const std::string& pdf);
// How pdfimages -list names the first image's encoding ("image", "jpeg", ...); empty if none.
std::string pdfImageEncoding(const std::string& pdf);
// The whole picture's size in centimetres as the largest image matrix on any page stretches it
// (times the page's own matrix), read from qpdf's uncompressed copy; nothing without an image.
struct PlacedSize {
  double widthCm = 0, heightCm = 0;
};
std::optional<PlacedSize> largestImagePlacement(const std::string& pdf);
// Pixels of `want` that differ from the page at (offsetX, offsetY) by more than `tolerance` in
// any channel.
int64_t differingPixels(const RasterDevice& want, const RgbPage& page, int offsetX, int offsetY, int tolerance);

}  // namespace tessaro::test
