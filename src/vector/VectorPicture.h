#pragma once
// A vector page as the program's picture: a stand-in drawn from the page at a modest resolution,
// which the layout and the screen use as any picture, and which carries the page itself, so that
// a PDF of the poster draws the page's vectors in its place.
#include <string>

#include "picture/CodecRegistry.h"
#include "picture/PictureSource.h"

namespace tessaro {

// The stand-in's resolution: the page at this many dots per inch, its long side kept between
// these pixel counts, so that the screen has enough to show. It is drawn on every load, and the
// print never uses its pixels, so a large page gets no more than a screen needs.
inline constexpr double kStandInDpi = 50;
inline constexpr int kStandInMinPixels = 1000;
inline constexpr int kStandInMaxPixels = 1200;
// Above the 10 dpi a stored resolution needs for the physical size.
inline constexpr double kStandInMinDpi = 12;
// The resolution a page is turned into pixels at when no other is asked for.
inline constexpr double kRasterDpi = 300;

// Loads a picture file, or page `request.read.page` of a PDF or SVG file (told by its first
// bytes) as its stand-in: a 24-bit picture whose resolution gives it exactly the page's size. A
// page that cannot be opened is refused with FileFault::Refused and VectorPage's German reason.
TDib loadPictureOrPage(const std::string& fileName, const LoadRequest& request, FileError* why = nullptr,
                       LoadNotes* notes = nullptr);

// The page a picture stands in for while its pixels are unchanged; null for any other picture.
const PictureSource* vectorPageOf(const TDib& picture);
inline bool isVectorPage(const TDib& picture) { return vectorPageOf(picture) != nullptr; }

// The highest resolution up to `wanted` (kRasterDpi when 0 or less), in whole dpi, at which the
// stand-in's page fits within the pixel limit; 0 for a picture that is no vector page.
double defaultRasterDpi(const TDib& standIn, double wanted = kRasterDpi);
// Draws the stand-in's page at `dpi` into an ordinary 24-bit picture with that resolution. False,
// with the German reason in `error`, when the picture would exceed the pixel limit or the page
// cannot be drawn.
bool rasterizeVectorPage(const TDib& standIn, double dpi, TDib& out, std::string& error);

}  // namespace tessaro
