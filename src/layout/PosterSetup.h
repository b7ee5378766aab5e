#pragma once
// A poster laid out without the window, as the command line asks for it: the sheet edits are
// driven exactly as a user would drive them after loading the picture, so the sheets, bands and
// pages come out as the window's. A size in centimetres is found by searching the sheet value
// whose finished poster comes closest to it.
#include <optional>
#include <string>

#include "layout/PosterGeometry.h"
#include "layout/SheetEdits.h"
#include "picture/Dib.h"
#include "print/PosterPrintSize.h"
#include "print/PrintService.h"

namespace tessaro {

enum class PosterSizeKind {
  Default,   // as the window shows a picture just loaded
  Across,    // sheets across, typed into the width edit
  Down,      // sheets down, typed into the height edit
  WidthCm,   // finished width in centimetres
  HeightCm,  // finished height in centimetres
  Physical,  // percent of the picture's physical size (its pixels over its resolution)
};

struct PosterSizeRequest {
  PosterSizeKind kind = PosterSizeKind::Default;
  std::string value;  // as written, a point for the decimals
};

struct PosterSetup {
  PosterState poster;
  PosterPrintSize size;
  std::string breitText, hochText;  // the sheet edits as the window would show them
  std::string error;                // German, when the request cannot be met
  bool lacksResolution = false;     // the picture has no plausible resolution for a physical size
  bool ok() const { return error.empty(); }
};

// The sheet edits as the window leaves them after starting and loading `picture`.
SheetEdits editsAfterLoading(const TDib& picture, const PageMetrics& page, const Options& options,
                             const GlueMargins& glue);

PosterSetup setUpPoster(const TDib& picture, const PageMetrics& page, const Options& options, const GlueMargins& glue,
                        const PosterSizeRequest& request);

}  // namespace tessaro
