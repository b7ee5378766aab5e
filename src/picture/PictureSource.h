#pragma once
// The compressed data a picture was decoded from, kept beside it while its pixels are unchanged:
// a PDF can hold that data as it is, instead of the pixels compressed once more. The file is
// small beside its pixels, so it is kept in memory from the load on.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "picture/Stream.h"

namespace tessaro {

struct PictureSource {
  // Vector: the picture only stands in for a page of a PDF or SVG file, which a PDF draws instead.
  enum class Kind { Jpeg, Png, Vector };
  Kind kind = Kind::Jpeg;
  int32_t width = 0, height = 0;
  // Samples per pixel: 1 (grey, or an index into the picture's colour table), 3 (RGB, or YCbCr
  // in a JPEG) or 4 (CMYK or YCCK).
  int components = 0;
  bool indexed = false;        // PNG: the sample indexes the picture's colour table
  bool inverted = false;       // JPEG: CMYK stored inverted, as Adobe's files do
  bool untransformed = false;  // JPEG: three components that are RGB already, not YCbCr
  // JPEG: the whole file. PNG: the contents of its IDAT chunks, one zlib stream of rows that
  // each start with their filter byte.
  std::vector<uint8_t> data;
  // The Exif orientation (1 to 8) the load turned the decoded pixels by: width and height above
  // are the data's own, the picture is shown turned.
  int orientation = 1;
  // JPEG: the profile of the three colour samples where the load converted them from it to sRGB;
  // empty for samples taken as sRGB.
  std::vector<uint8_t> icc;

  // Vector: the PDF holding the page (for an SVG drawing, a one-page copy made at the load), the
  // page in it (from 1) and its size as shown, in points; the file as named and what it holds.
  std::string pdfPath;
  int page = 0;
  double widthPt = 0, heightPt = 0;
  std::string path;
  bool svg = false;
  int pageCount = 0;
  int rotation = 0;  // clockwise as shown, in degrees
  // Keeps the SVG's copy while any picture shows it; the copy is removed when the last goes.
  std::shared_ptr<const void> keep;
};

// Files beyond this size are not kept: their pixels go into a PDF as any others.
inline constexpr uint64_t kMaxSourceBytes = uint64_t{256} << 20;

// The JPEG file `in` holds, read again from its start, with the orientation and the colour
// profile the load applies to its pixels; null when it cannot be read, is too large to keep, or
// its profile is one a PDF cannot carry to the same colours (see profileIsMatrixShaper). The
// stream's position is left at its end.
std::shared_ptr<const PictureSource> jpegSource(InputStream& in, int32_t width, int32_t height, int components,
                                                bool inverted, bool untransformed);
// The image data of the PNG file `in` holds, when it is a width x height picture of 8-bit grey,
// RGB or palette indices, not interlaced, whose IDAT chunks are whole; null otherwise. The
// stream's position is left where reading stopped.
std::shared_ptr<const PictureSource> pngSource(InputStream& in, int32_t width, int32_t height);
// True when a PNG source's data is one zlib stream that inflates to exactly its rows. Checked
// where the data is used, so that loading does not pay for it.
bool pngDataComplete(const PictureSource& source);

}  // namespace tessaro
