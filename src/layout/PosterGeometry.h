#pragma once
// The poster's size in sheets: the two fractional sheet edits, the whole sheet counts derived
// from them, and the rule that keeps the picture's aspect when one of them changes.
#include "common/FloatText.h"
#include "state/MainState.h"

namespace tessaro {

// Everything the geometry reads at the moment of a change.
struct GeometryInputs {
  int32_t PW = 0, PH = 0;  // printable page in device pixels
  int32_t W = 0, H = 0;    // picture size in pixels
  GlueMargins glue;
  Options options;
  int32_t dpiX = 0, dpiY = 0;  // the device's dots per inch
  Resolution resolution;       // the picture's, for its physical size
};

// The two sheet edits and the preview as the geometry sees them. Writing a value into an edit
// clamps it to 0.1 .. 100 and makes it text with 8 decimals; when that changes the edit's text,
// the edit's change handler runs exactly as for typing. Reading an edit parses its text in
// extended precision (see FloatText.h).
class PosterEditsHost {
 public:
  virtual ~PosterEditsHost() = default;
  virtual GeometryInputs geometryInputs() = 0;
  virtual Ext breitValue() = 0;
  virtual void setBreitValue(Ext v) = 0;
  virtual Ext hochValue() = 0;
  virtual void setHochValue(Ext v) = 0;
  virtual void repaintPreview() = 0;
};

inline constexpr Ext kMinSheets = 0.1L;
inline constexpr Ext kMaxSheetsValue = 100;
// BreitEd and HochEd.
inline constexpr FloatFormat kSheetFormat{kMinSheets, kMaxSheetsValue, 8};

// A value read from a sheet edit, kept inside 0.1 .. 100 even when the edit holds 0, text that
// is no number or a value typed beyond the range: the sheet counts must stay within 1 .. 100.
Ext clampSheetValue(Ext v);

// The area of a sheet that holds picture (page less its glue strips), device pixels.
int32_t usableWidth(const GeometryInputs& in);
int32_t usableHeight(const GeometryInputs& in);

// A change of an edit's text; one typed ends the physical size.
void BreitEdChange(PosterState& s, PosterEditsHost& host);
void HochEdChange(PosterState& s, PosterEditsHost& host);
// Re-applies the geometry after anything it depends on changed.
void by_anpassen(PosterState& s, PosterEditsHost& host);

// The picture has a plausible resolution, so it can be printed at its physical size.
bool physicalSizeAvailable(const GeometryInputs& in);
// Sets both edits so that the printed picture is `scale` times its physical size (W / dpi by
// H / dpi inches) within a device pixel, whatever "Nicht verzerren" and "Blatt voll nutzen" would
// make of them, as far as 0.1 to 100 sheets allow. Stays so until an edit is typed into or
// another picture comes. False, with nothing changed, when the size is not available.
bool setPhysicalSize(PosterState& s, PosterEditsHost& host, double scale);

}  // namespace tessaro
