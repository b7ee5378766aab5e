#pragma once
// The passport page: equal copies of the picture in rows from the top-left corner of the page
// until it is full. Preview and print share the one layout.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/Numbers.h"
#include "picture/Device.h"
#include "picture/Dib.h"
#include "print/PrintService.h"

namespace tessaro {

// Fractions of the target's width (width, gap across, margin) or height (height, gap down, margin).
// Kept as doubles, as the program always kept them: a copy edge that lands on a whole pixel in
// exact arithmetic falls one side or the other by how the fraction was stored. Expressions of
// them are formed in extended precision.
struct PassSettings {
  double PassWidth = 0.2;
  double PassHeight = 0;
  double PassSpacing = 0.02;
  double PassMargin = 0.05;
};

struct PassCopy {
  int32_t x = 0, y = 0, w = 0, h = 0;
};

// PrintPassPage's placement inside left, top, right, bottom (right and bottom exclusive). Empty
// unless PassWidth > 0 and PassSpacing >= 0.
std::vector<PassCopy> passPageLayout(const PassSettings& s, int32_t left, int32_t top, int32_t right, int32_t bottom);

// H * width * pageW / W / pageH: the height that keeps the picture's shape; 0 when any of the
// sizes is not positive.
Ext passHeight(const TDib& picture, Ext width, int32_t pageW, int32_t pageH);

// Size of one copy on paper in whole millimetres.
struct PassSizeMm {
  int32_t width = 0, height = 0;
};
PassSizeMm passSizeMm(const PageMetrics& m, Ext passWidth, Ext passHeight);
// "40 x 50 mm"
std::string formatPassSize(const PassSizeMm& size);

// Common photo sizes; a width of 0 is "frei", which leaves the width edit alone.
struct PhotoSize {
  const char* key;  // on the command line
  const char* label;
  const char* shape;  // "35 × 45": names the crop to this size's shape
  Ext widthMm, heightMm;
};
std::span<const PhotoSize> photoSizes();
// The photo size with this key ("35x45", "2x2" for inches), or null.
const PhotoSize* findPhotoSize(const std::string& name);
// The fraction of the printable width that prints `mm` millimetres wide; 0 without page metrics.
Ext passWidthForMm(const PageMetrics& m, Ext mm);
// The size one copy really prints at, to the nearest millimetre (25.4 mm to the inch).
PassSizeMm passPrintedMm(const PageMetrics& m, Ext passWidth, Ext passHeight);

// Picture pixels from left, top to right, bottom (exclusive).
struct PixelRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};
// The largest rectangle of the photo size's shape inside `within`, centred in it; the free side
// rounded to the nearest pixel. `within` itself when it is empty or the size is "frei".
PixelRect passFitCrop(const PhotoSize& size, const PixelRect& within);
// True when a W x H picture's shape is more than 1 % off the photo size's, so that it prints at
// another height than the size promises.
bool passShapeDiffers(const PhotoSize& size, int32_t W, int32_t H);

// The page in the preview box: pw x ph at (10, 10); 0 x 0 when the box or page is too small.
struct PassPreviewPage {
  int32_t pw = 0, ph = 0;
  bool valid() const { return pw > 0 && ph > 0; }
};
PassPreviewPage passPreviewPage(int32_t boxW, int32_t boxH, Ext zoom, int32_t zoomBaseHeight, int32_t PW, int32_t PH);

// A point-sampled copy of tw x th pixels for small preview copies; empty when it cannot be made.
TDib PassThumb(const TDib& picture, int32_t tw, int32_t th);

// Print progress in percent after `drawn` copies, of the `passCount` the preview placed; never
// above 100, and 100 when the preview placed none.
int32_t passProgress(int32_t drawn, int32_t passCount);

// What the preview box shows besides the page: the zoom edit and the page of the printer.
struct PassPreviewBox {
  int32_t width = 0, height = 0;  // PaintBox3
  Ext zoom = 1;                   // Zoom3ED
  int32_t zoomBaseHeight = 0;
  PageMetrics metrics;
};

struct PassPreviewResult {
  PassPreviewPage page;
  int32_t PassCount = 0;         // copies placed
  PassSettings settings;         // as used, PassHeight computed
  PassSizeMm size;               // for GroesseLabel
  std::vector<PassCopy> copies;  // in box pixels
};

// What PaintBox3Paint shows, without drawing it; `settings` gives width, gap and margin.
PassPreviewResult passPreview(const TDib& picture, const PassPreviewBox& geometry, PassSettings settings);
// PaintBox3Paint: the white page and its copies.
PassPreviewResult paintPassPreview(Device& box, const TDib& picture, const PassPreviewBox& geometry,
                                   PassSettings settings);

}  // namespace tessaro
