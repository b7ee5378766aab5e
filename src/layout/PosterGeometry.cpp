#include "layout/PosterGeometry.h"

#include <algorithm>
#include <cmath>

#include "common/Numbers.h"
#include "print/SheetBand.h"

namespace tessaro {

Ext clampSheetValue(Ext v) {
  if (!std::isfinite(v) || v < kMinSheets) return kMinSheets;
  return v > kMaxSheetsValue ? kMaxSheetsValue : v;
}

int32_t usableWidth(const GeometryInputs& in) {
  const int g = in.options.OptGlueMargin ? 1 : 0;
  return Round(static_cast<Ext>(static_cast<int64_t>(in.PW) * (100 - in.glue.gx * g)) / 100);
}

int32_t usableHeight(const GeometryInputs& in) {
  const int g = in.options.OptGlueMargin ? 1 : 0;
  return Round(static_cast<Ext>(static_cast<int64_t>(in.PH) * (100 - in.glue.gy * g)) / 100);
}

namespace {

// One direction of the poster: the handlers of both edits are mirror images, so they share
// this code with the roles of width and height swapped.
struct Axis {
  double& leadSize;
  int32_t& leadSheets;
  double& otherSize;
  int32_t& otherSheets;
  Ext (PosterEditsHost::*readLead)();
  void (PosterEditsHost::*writeLead)(Ext);
  Ext (PosterEditsHost::*readOther)();
  void (PosterEditsHost::*writeOther)(Ext);
};

// The printed scale of one direction, device pixels per picture pixel, in the band routine that
// will print it: with glue strips but none on the poster's edge, the picture shrinks by the glue
// share spread over the sheets (see SheetBand.cpp).
Ext printScale(int32_t area, Ext size, int32_t picture, int32_t glue, int32_t sheets, bool spread) {
  const Ext share = spread && sheets > 0 ? (100 - static_cast<Ext>(glue) / sheets) / 100 : 1;
  return area * size / (share * picture);
}

void axisChanged(PosterState& s, PosterEditsHost& host, const Axis& a, bool widthLeads) {
  if (s.SyncingEdits) return;
  s.PhysicalScale = 0;
  s.WidthLeads = widthLeads;
  const GeometryInputs in = host.geometryInputs();
  const int32_t Wu = usableWidth(in), Hu = usableHeight(in);
  // Lead and other sizes of picture, sheet area and glue strip.
  const int32_t leadPicture = widthLeads ? in.W : in.H, otherPicture = widthLeads ? in.H : in.W;
  const int32_t leadUsable = widthLeads ? Wu : Hu, otherUsable = widthLeads ? Hu : Wu;
  const int32_t leadGlue = clampGlue(in.glue).*(widthLeads ? &GlueMargins::gx : &GlueMargins::gy);
  const int32_t otherGlue = clampGlue(in.glue).*(widthLeads ? &GlueMargins::gy : &GlueMargins::gx);

  a.leadSize = static_cast<double>(clampSheetValue((host.*a.readLead)()));
  if (in.options.OptFullSheet) {
    const int32_t n = Round(clampSheetValue((host.*a.readLead)()));
    const Ext whole = n >= 1 ? n : 1;
    // May re-enter this handler through the edit's change event; either way the size is now
    // the whole number.
    (host.*a.writeLead)(whole);
    a.leadSize = static_cast<double>(whole);
  }
  a.leadSheets = CeilSheets(a.leadSize);

  if (in.options.OptKeepAspect && leadPicture > 0 && otherPicture > 0 && otherUsable > 0) {
    // One picture pixel gets the same printed size both ways. The other side's glue share
    // depends on its sheet count, which depends on the result: repeat with the new count until
    // it holds (two rounds do; four are allowed).
    const bool spread = in.options.OptNoEdgeGlue && in.options.OptGlueMargin;
    const Ext scale = printScale(leadUsable, a.leadSize, leadPicture, leadGlue, a.leadSheets, spread);
    int32_t otherSheets = std::max(a.otherSheets, 1);
    Ext other = 0;
    for (int round = 0; round < 4; ++round) {
      const Ext share = spread ? (100 - static_cast<Ext>(otherGlue) / otherSheets) / 100 : 1;
      other = floatValue(floatText(scale * share * otherPicture / otherUsable, kSheetFormat), kSheetFormat);
      const int32_t sheets = CeilSheets(other);
      if (sheets == otherSheets) break;
      otherSheets = sheets;
    }
    s.SyncingEdits = true;
    (host.*a.writeOther)(other);
    a.otherSize = static_cast<double>(clampSheetValue((host.*a.readOther)()));
    s.SyncingEdits = false;
    a.otherSheets = CeilSheets(a.otherSize);
  }
  host.repaintPreview();
}

// Device pixels the printed picture spans along one direction per unit of its sheet value, over
// `sheets` whole sheets: from the first sheet's band, drawn from its exact span, as the print
// computes it (the span shrinks in proportion as the value grows).
Ext devicePerSheetValue(const GeometryInputs& in, bool across, int32_t sheets) {
  const PosterLayout layout{in.W, in.H, sheets, sheets, static_cast<double>(sheets), static_cast<double>(sheets), true};
  const DeviceRect area{0, 0, areaWidth(in.PW, in.options, in.glue), areaHeight(in.PH, in.options, in.glue)};
  const SheetBand band = sheetBand(layout, in.options, in.glue, 0, 0, area, false);
  const Ext span = across ? band.exactX.length : band.exactY.length;
  if (!band.valid || !(span > 0)) return 0;
  return static_cast<Ext>(across ? in.W : in.H) * (across ? band.dest.width() : band.dest.height()) / span / sheets;
}

// The sheet value, as the edit holds it, that prints `length` device pixels of picture. Without
// glue on the poster's edge the scale depends on the sheet count, which depends on the result:
// repeat with the new count until it holds.
Ext physicalSheets(const GeometryInputs& in, bool across, Ext length) {
  int32_t sheets = 1;
  Ext value = kMinSheets;
  for (int round = 0; round < 4; ++round) {
    const Ext perValue = devicePerSheetValue(in, across, sheets);
    if (!(perValue > 0)) break;
    value = floatValue(floatText(length / perValue, kSheetFormat), kSheetFormat);
    const int32_t n = CeilSheets(value);
    if (n == sheets) break;
    sheets = n;
  }
  return value;
}

void applyPhysicalSize(PosterState& s, PosterEditsHost& host, const GeometryInputs& in) {
  const Ext across = static_cast<Ext>(in.W) / in.resolution.x * in.dpiX * s.PhysicalScale;
  const Ext down = static_cast<Ext>(in.H) / in.resolution.y * in.dpiY * s.PhysicalScale;
  const Ext breit = physicalSheets(in, true, across), hoch = physicalSheets(in, false, down);
  // Written past the handlers: the size rules, not the options.
  s.SyncingEdits = true;
  host.setBreitValue(breit);
  host.setHochValue(hoch);
  s.SyncingEdits = false;
  s.PosterWidth = static_cast<double>(clampSheetValue(host.breitValue()));
  s.PosterHeight = static_cast<double>(clampSheetValue(host.hochValue()));
  s.SheetsX = CeilSheets(s.PosterWidth);
  s.SheetsY = CeilSheets(s.PosterHeight);
  host.repaintPreview();
}

}  // namespace

bool physicalSizeAvailable(const GeometryInputs& in) {
  return in.resolution.plausible() && in.W > 0 && in.H > 0 && in.dpiX > 0 && in.dpiY > 0;
}

bool setPhysicalSize(PosterState& s, PosterEditsHost& host, double scale) {
  const GeometryInputs in = host.geometryInputs();
  if (!physicalSizeAvailable(in) || !std::isfinite(scale) || !(scale > 0)) return false;
  s.PhysicalScale = scale;
  applyPhysicalSize(s, host, in);
  return true;
}

void BreitEdChange(PosterState& s, PosterEditsHost& host) {
  const Axis a{s.PosterWidth,
               s.SheetsX,
               s.PosterHeight,
               s.SheetsY,
               &PosterEditsHost::breitValue,
               &PosterEditsHost::setBreitValue,
               &PosterEditsHost::hochValue,
               &PosterEditsHost::setHochValue};
  axisChanged(s, host, a, true);
}

void HochEdChange(PosterState& s, PosterEditsHost& host) {
  const Axis a{s.PosterHeight,
               s.SheetsY,
               s.PosterWidth,
               s.SheetsX,
               &PosterEditsHost::hochValue,
               &PosterEditsHost::setHochValue,
               &PosterEditsHost::breitValue,
               &PosterEditsHost::setBreitValue};
  axisChanged(s, host, a, false);
}

void by_anpassen(PosterState& s, PosterEditsHost& host) {
  if (s.PhysicalScale > 0 && setPhysicalSize(s, host, s.PhysicalScale)) return;
  if (s.WidthLeads)
    BreitEdChange(s, host);
  else
    HochEdChange(s, host);
}

}  // namespace tessaro
