#pragma once
// The main window's state: the current picture, crop frame, poster geometry, options and the
// excluded-sheet grid. The Qt window owns one; core routines take what they need from it.
#include <array>
#include <cstdint>

#include "picture/Dib.h"

namespace tessaro {

struct Options {
  bool OptCutLines = true;      // "Schneidelinien"
  bool OptGlueLines = false;    // "Klebelinien"
  bool OptNoEdgeLines = true;   // "Keine Linien am Posterrand"
  bool OptGlueMargin = true;    // "Kleberand"
  bool OptPrintGlue = false;    // "Kleberand bedrucken"
  bool OptNoEdgeGlue = true;    // "Kein Kleberand am Posterrand"
  bool OptEdgeHints = true;     // "Hinweise auf Rand drucken"
  bool OptCenter = false;       // "Zentrieren"
  bool OptFullSheet = false;    // "Blatt voll nutzen"
  bool OptKeepAspect = true;    // "Nicht verzerren"
  bool OptShowGlue = false;     // "Kleberand anzeigen"
};

// Sheets are counted 0..100 in both directions; column i, row j is entry i * 101 + j.
inline constexpr int kSheetGridSide = 101;
inline constexpr int kMaxSheets = 100;

class SheetGrid {
 public:
  bool off(int col, int row) const { return inside(col, row) && cells_[index(col, row)] != 0; }
  void toggle(int col, int row) {
    if (inside(col, row)) cells_[index(col, row)] ^= 1;
  }
  void clear() { cells_.fill(0); }
  uint8_t* data() { return cells_.data(); }

 private:
  static bool inside(int col, int row) { return col >= 0 && row >= 0 && col < kSheetGridSide && row < kSheetGridSide; }
  static size_t index(int col, int row) { return static_cast<size_t>(col) * kSheetGridSide + static_cast<size_t>(row); }
  std::array<uint8_t, kSheetGridSide * kSheetGridSide> cells_{};
};

// Poster size in sheets (fractional) and the whole sheet counts derived from it.
struct PosterState {
  double PosterWidth = 1.0;
  double PosterHeight = 1.0;
  int32_t SheetsX = 1;
  int32_t SheetsY = 1;
  bool WidthLeads = false;
  bool SyncingEdits = false;
  // Non-zero while the poster prints the picture at this share of its physical size (its pixels
  // over its resolution); the sheet edits then follow the size, not the other way round.
  double PhysicalScale = 0;
};

// Glue strips in percent of the printable page (the two glue spin edits).
struct GlueMargins {
  int32_t gx = 5;  // right strip, KrandxlEd
  int32_t gy = 5;  // bottom strip, KrandylEd
};

struct MainState {
  TDib Picture;
  int32_t CropLeft = 0, CropTop = 0, CropRight = 0, CropBottom = 0;
  PosterState poster;
  Options options;
  SheetGrid SheetOff;
  int32_t ZoomBaseWidth = 0;
  int32_t ZoomBaseHeight = 0;
  int32_t Dragging = 0;
  // The blank picture the window starts with, as identity and change count: printed, it gives
  // black sheets. Loading or making another picture, or drawing on this one, leaves it behind.
  uint64_t StartPictureId = 0;
  uint64_t StartPictureGeneration = 0;
  bool showsStartPicture() const {
    return Picture.Id == StartPictureId && Picture.Generation == StartPictureGeneration;
  }
};

}  // namespace tessaro
