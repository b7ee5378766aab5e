#pragma once
// A picture of a vector page for the screen, at a size the caller chooses: never at print
// resolution, which the page keeps as vectors.
#include <string>

#include "picture/Dib.h"
#include "vector/VectorPage.h"

namespace tessaro {

// Draws the page on white into a 24-bit picture as large as fits within maxWidth x maxHeight
// pixels, its aspect kept. Returns the empty picture, with the German reason in `error`, when
// the page cannot be drawn or the picture would exceed the pixel limit.
TDib renderVectorPreview(const VectorPage& page, int maxWidth, int maxHeight, std::string* error = nullptr);
// The same at exactly width x height pixels, the page stretched to them.
TDib renderVectorPageAt(const VectorPage& page, int64_t width, int64_t height, std::string* error = nullptr);

}  // namespace tessaro
