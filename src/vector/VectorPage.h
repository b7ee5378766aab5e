#pragma once
// One page of a vector file (a PDF page, or an SVG drawing as its only page): its physical size
// as it is shown and printed, and what the file holds in all.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "picture/Stream.h"
#include "vector/VectorKind.h"

namespace tessaro {

// Largest width or height of a page: far above any poster source, and it keeps the sizes the
// layout derives from a page within reason.
inline constexpr double kMaxVectorPageInches = 200;

class VectorPage {
 public:
  // Opens page `number` (1-based) of the PDF or SVG file at `path`. Only the page tree's nodes on
  // the way to that page are read, so page 1 of a huge file opens as fast as of a small one.
  static VectorPage open(const std::string& path, int number = 1);
  // The same for a file held in memory; such a page can be measured, not drawn or embedded.
  static VectorPage openBytes(std::span<const uint8_t> bytes, int number = 1);

  bool ok() const { return error_.empty(); }
  // Why the page could not be opened, in German; empty when it was.
  const std::string& error() const { return error_; }
  VectorKind kind() const { return kind_; }
  const std::string& path() const { return path_; }
  int number() const { return number_; }
  // Pages in the file; an SVG has one.
  int pageCount() const { return pageCount_; }
  // The size as shown, in millimetres: a PDF page's CropBox (within its MediaBox) or MediaBox,
  // scaled by its UserUnit and turned by its Rotate.
  double widthMm() const { return widthMm_; }
  double heightMm() const { return heightMm_; }
  // How far the PDF page turns clockwise as shown: 0, 90, 180 or 270 degrees.
  int rotation() const { return rotation_; }

 private:
  static VectorPage measure(std::shared_ptr<InputStream> in, const std::string& path, int number);
  void measurePdf(std::shared_ptr<InputStream> in);
  void measureSvg(InputStream& in);
  // Takes the size as shown, in points, or refuses it.
  void setSize(double widthPt, double heightPt);

  std::string error_;
  VectorKind kind_ = VectorKind::None;
  std::string path_;
  int number_ = 0;
  int pageCount_ = 0;
  double widthMm_ = 0, heightMm_ = 0;
  int rotation_ = 0;
};

}  // namespace tessaro
