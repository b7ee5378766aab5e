#pragma once
// An SVG file read by librsvg, with the physical size it asks for, drawn through cairo.
#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>

#include "picture/Stream.h"

namespace tessaro {

// Largest SVG file read: far above drawn plans and maps, while librsvg's tree of such a file
// stays within the memory a page may take.
inline constexpr uint64_t kMaxSvgBytes = uint64_t{32} << 20;

class SvgDocument {
 public:
  // Reads the SVG (or gzip-compressed SVG) that `in` holds, from its start. References to other
  // files or addresses are never followed. On failure error() says why, in German.
  explicit SvgDocument(InputStream& in);
  ~SvgDocument();
  SvgDocument(const SvgDocument&) = delete;
  SvgDocument& operator=(const SvgDocument&) = delete;

  const std::string& error() const { return error_; }
  // Width and height in points (1/72 inch): width and height with their units, or where one is a
  // percentage or missing, the viewBox at 96 pixels per inch (keeping its aspect when the other
  // is given).
  double widthPt() const { return widthPt_; }
  double heightPt() const { return heightPt_; }
  // Draws the document into the rectangle (0, 0, width, height) of `cr`; false on failure.
  bool draw(cairo_t* cr, double width, double height) const;

 private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
  std::string error_;
  double widthPt_ = 0, heightPt_ = 0;
};

}  // namespace tessaro
