#pragma once
// Puts a vector page into a PDF our own writer made, so that the page's drawing reaches the
// printed sheets as vectors.
//
// Our writer draws the page as the Form XObject named /TessaroPage in the /XObject dictionary of
// the own /Resources of each page that shows it, all such pages naming one shared indirect object
// (an empty form stands for it). The embedded form draws the page's visible area (CropBox within
// MediaBox, else MediaBox) as it is shown: turned by its /Rotate and scaled by its /UserUnit, with
// its lower left corner at the origin, so that it covers exactly (0, 0) to (width, height) in
// points of the page's physical size (VectorPage's millimetres times 72 / 25.4). A sheet then
// clips to its band and places the page with one `cm`, as it would a picture of that size.
#include <string>

namespace tessaro {

inline constexpr const char* kPlacedPageName = "/TessaroPage";

// Writes `ours` to `output` with its placeholder form replaced by page `number` (1-based) of the
// PDF `source`, copied once with its resources and fonts; the rest of `ours` is kept as it is.
// False, with the German reason in `error`, when the source page cannot be used, `ours` has no
// placeholder or `output` cannot be written.
bool embedVectorPage(const std::string& ours, const std::string& source, int number, const std::string& output,
                     std::string* error = nullptr);

}  // namespace tessaro
