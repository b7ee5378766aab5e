#pragma once
// An SVG drawing as a one-page PDF, so that from then on it is handled as any PDF page is.
#include <string>

namespace tessaro {

// Writes the SVG file `svgPath` as a one-page vector PDF at exactly its physical size (see
// VectorPage) to `pdfPath`. False, with the German reason in `error`, when the SVG cannot be
// read or the PDF cannot be written.
bool svgToPdf(const std::string& svgPath, const std::string& pdfPath, std::string* error = nullptr);

}  // namespace tessaro
