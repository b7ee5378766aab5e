#include "layout/PosterGeometry.h"

#include <cmath>

#include "common/Numbers.h"

namespace tessaro {

double clampSheetValue(double v) {
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
  double (PosterEditsHost::*readLead)();
  void (PosterEditsHost::*writeLead)(double);
  double (PosterEditsHost::*readOther)();
  void (PosterEditsHost::*writeOther)(double);
};

void axisChanged(PosterState& s, PosterEditsHost& host, const Axis& a, bool widthLeads) {
  if (s.SyncingEdits) return;
  s.WidthLeads = widthLeads;
  const GeometryInputs in = host.geometryInputs();
  const int32_t Wu = usableWidth(in), Hu = usableHeight(in);
  // Lead and other sizes in the order the aspect formula uses them.
  const Ext leadPicture = widthLeads ? in.W : in.H, otherPicture = widthLeads ? in.H : in.W;
  const Ext leadUsable = widthLeads ? Wu : Hu, otherUsable = widthLeads ? Hu : Wu;
  const int32_t leadGlue = widthLeads ? in.glue.gx : in.glue.gy;
  const int32_t otherGlue = widthLeads ? in.glue.gy : in.glue.gx;

  a.leadSize = clampSheetValue((host.*a.readLead)());
  if (in.options.OptFullSheet) {
    const int32_t n = Round(clampSheetValue((host.*a.readLead)()));
    const double whole = n >= 1 ? static_cast<double>(n) : 1.0;
    // May re-enter this handler through the edit's change event; either way the size is now
    // the whole number.
    (host.*a.writeLead)(whole);
    a.leadSize = whole;
  }
  a.leadSheets = CeilSheets(a.leadSize);

  Ext f = a.leadSize;
  if (in.options.OptNoEdgeGlue) f = static_cast<Ext>(leadGlue) / a.leadSheets / 100 + a.leadSize;

  if (in.options.OptKeepAspect && leadPicture > 0 && otherUsable > 0) {
    Ext other = otherPicture * f / leadPicture * leadUsable / otherUsable;
    if (in.options.OptNoEdgeGlue && a.otherSheets != 0) other = other - static_cast<Ext>(otherGlue) / a.otherSheets / 100;
    s.SyncingEdits = true;
    (host.*a.writeOther)(static_cast<double>(other));
    a.otherSize = clampSheetValue((host.*a.readOther)());
    s.SyncingEdits = false;
    a.otherSheets = CeilSheets(a.otherSize);
  }
  host.repaintPreview();
}

}  // namespace

void BreitEdChange(PosterState& s, PosterEditsHost& host) {
  const Axis a{s.PosterWidth, s.SheetsX, s.PosterHeight, s.SheetsY, &PosterEditsHost::breitValue,
               &PosterEditsHost::setBreitValue, &PosterEditsHost::hochValue, &PosterEditsHost::setHochValue};
  axisChanged(s, host, a, true);
}

void HochEdChange(PosterState& s, PosterEditsHost& host) {
  const Axis a{s.PosterHeight, s.SheetsY, s.PosterWidth, s.SheetsX, &PosterEditsHost::hochValue,
               &PosterEditsHost::setHochValue, &PosterEditsHost::breitValue, &PosterEditsHost::setBreitValue};
  axisChanged(s, host, a, false);
}

void by_anpassen(PosterState& s, PosterEditsHost& host) {
  if (s.WidthLeads)
    BreitEdChange(s, host);
  else
    HochEdChange(s, host);
}

}  // namespace tessaro
