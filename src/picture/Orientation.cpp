#include "picture/Orientation.h"

#include <algorithm>
#include <array>
#include <memory>

#include "picture/ExifFields.h"
#include "picture/MirrorRotate.h"
#include "picture/QuarterTurn.h"

namespace tessaro {

namespace {

bool valid(int orientation) { return orientation >= 1 && orientation <= 8; }

}  // namespace

int orientationOf(const PictureMetadata& metadata) {
  if (metadata.orientedByContainer) return 1;
  if (valid(metadata.orientation)) return metadata.orientation;
  const int fromExif = exifFields(metadata.exif).orientation;
  return valid(fromExif) ? fromExif : 1;
}

TDib turnUpright(TDib picture, int orientation) {
  using Step = TDib (*)(const TDib&, const ProgressFn&);
  // The steps of each orientation; transpose (5) and transverse (7) are a turn and a mirror.
  static constexpr std::array<std::array<Step, 2>, 9> kSteps = {{
      {},
      {},
      {flipHorizontal},
      {flipHorizontal, flipVertical},
      {flipVertical},
      {rotateRight, flipHorizontal},
      {rotateRight},
      {rotateRight, flipVertical},
      {rotateLeft},
  }};
  if (!valid(orientation)) return picture;
  // Each step's result replaces the picture before it at once: never more than one picture
  // beside the one being made.
  for (const Step step : kSteps[static_cast<size_t>(orientation)])
    if (step && !picture.empty()) picture = step(picture, ProgressFn());
  return picture;
}

UprightWriter::UprightWriter(TDib& picture, int orientation)
    : picture_(picture),
      orientation_(valid(orientation) ? orientation : 1),
      width_(swapsSides(orientation_) ? DibHeight(picture) : DibWidth(picture)),
      height_(swapsSides(orientation_) ? DibWidth(picture) : DibHeight(picture)),
      bytesPerPixel_(DibBitCount(picture) / 8) {
  if (!direct()) band_.resize(static_cast<size_t>(kBandRows) * static_cast<size_t>(width_ * bytesPerPixel_));
}

// Upright and upside down keep each row whole and in order.
bool UprightWriter::direct() const { return orientation_ == 1 || orientation_ == 4; }

uint8_t* UprightWriter::row(int32_t y) {
  if (direct()) return picture_.row(orientation_ == 4 ? height_ - 1 - y : y);
  return band_.data() + static_cast<size_t>(y - bandStart_) * static_cast<size_t>(width_ * bytesPerPixel_);
}

int32_t UprightWriter::bandEnd() const { return direct() ? height_ : std::min(height_, bandStart_ + kBandRows); }

void UprightWriter::written(int32_t rows) {
  filled_ = rows;
  if (filled_ >= bandEnd()) place();
}

void UprightWriter::finish() { place(); }

// Decoder row y (of W pixels, H rows) goes to upright row y or H - 1 - y reversed for 2 and 3;
// for the others it becomes upright column y (5, 8) or H - 1 - y (6, 7), top to bottom from
// upright row 0 (5, 6) or from the bottom up (7, 8).
void UprightWriter::place() {
  const int32_t b0 = bandStart_, rows = filled_ - bandStart_;
  if (direct() || rows <= 0) return;
  bandStart_ = filled_;
  const int32_t bits = 8 * bytesPerPixel_;
  const auto rowBytes = static_cast<ptrdiff_t>(width_) * bytesPerPixel_;
  if (orientation_ <= 3) {
    for (int32_t i = 0; i < rows; ++i) {
      const int32_t y = orientation_ == 2 ? b0 + i : height_ - 1 - b0 - i;
      mirrorRow(band_.data() + i * rowBytes, width_, bits, picture_.row(y));
    }
    return;
  }
  // The band's pixels along an upright row run with the decoder's rows, or against them.
  const bool against = orientation_ == 6 || orientation_ == 7;
  const uint8_t* first = band_.data() + (against ? (rows - 1) * rowBytes : 0);
  const int32_t column = against ? height_ - b0 - rows : b0;
  const bool bottomUp = orientation_ == 7 || orientation_ == 8;
  // Stored rows run bottom-up: the next row down lies RowBytes before.
  const ptrdiff_t down = -ptrdiff_t{picture_.RowBytes};
  uint8_t* top = picture_.row(bottomUp ? width_ - 1 : 0) + static_cast<ptrdiff_t>(column) * bytesPerPixel_;
  transposeRows(first, against ? -rowBytes : rowBytes, top, bottomUp ? -down : down, width_, rows, bits);
}

}  // namespace tessaro
