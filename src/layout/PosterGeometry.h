#pragma once
// The poster's size in sheets: the two fractional sheet edits, the whole sheet counts derived
// from them, and the rule that keeps the picture's aspect when one of them changes.
#include "state/MainState.h"

namespace tessaro {

// Everything the geometry reads at the moment of a change.
struct GeometryInputs {
  int32_t PW = 0, PH = 0;  // printable page in device pixels
  int32_t W = 0, H = 0;    // picture size in pixels
  GlueMargins glue;
  Options options;
};

// The two sheet edits and the preview as the geometry sees them. Writing a value into an edit
// clamps it to 0.1 .. 100, rounds it to 8 decimals and, when that changes the edit, raises the
// edit's change handler exactly as typing does.
class PosterEditsHost {
 public:
  virtual ~PosterEditsHost() = default;
  virtual GeometryInputs geometryInputs() = 0;
  virtual double breitValue() = 0;
  virtual void setBreitValue(double v) = 0;
  virtual double hochValue() = 0;
  virtual void setHochValue(double v) = 0;
  virtual void repaintPreview() = 0;
};

inline constexpr double kMinSheets = 0.1;
inline constexpr double kMaxSheetsValue = 100.0;

// A value read from a sheet edit, kept inside 0.1 .. 100 even when the edit holds 0, text that
// is no number or a value typed beyond the range: the sheet counts must stay within 1 .. 100.
double clampSheetValue(double v);

// The area of a sheet that holds picture (page less its glue strips), device pixels.
int32_t usableWidth(const GeometryInputs& in);
int32_t usableHeight(const GeometryInputs& in);

void BreitEdChange(PosterState& s, PosterEditsHost& host);
void HochEdChange(PosterState& s, PosterEditsHost& host);
// Re-applies the geometry after anything it depends on changed.
void by_anpassen(PosterState& s, PosterEditsHost& host);

}  // namespace tessaro
