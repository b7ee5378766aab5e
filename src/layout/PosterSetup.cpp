#include "layout/PosterSetup.h"

#include <charconv>
#include <cmath>

#include "print/SheetBand.h"
#include "state/PictureLoad.h"

namespace tessaro {

// The window starts on a 320 x 200 blank picture: applying the options there lets the height
// edit lead, then the width takes the lead, and loading a picture re-applies the geometry. The
// state all three leave behind shapes what typing does next, so it is replayed here.
SheetEdits editsAfterLoading(const TDib& picture, const PageMetrics& page, const Options& options,
                             const GlueMargins& glue) {
  SheetEdits edits(GeometryInputs{page.pageWidth, page.pageHeight, 320, 200, glue, options, page.dpiX, page.dpiY, {}});
  by_anpassen(edits.state(), edits);
  edits.state().WidthLeads = true;
  by_anpassen(edits.state(), edits);
  edits.inputs().W = DibWidth(picture);
  edits.inputs().H = DibHeight(picture);
  edits.inputs().resolution = picture.Dpi;
  posterForNewPicture(edits.state());
  by_anpassen(edits.state(), edits);
  return edits;
}

namespace {

struct Inputs {
  const TDib& picture;
  const PageMetrics& page;
  const Options& options;
  const GlueMargins& glue;
};

PosterSetup finish(const Inputs& in, const SheetEdits& edits) {
  PosterSetup setup;
  setup.poster = edits.state();
  setup.breitText = edits.breitText();
  setup.hochText = edits.hochText();
  setup.size = posterPrintSize(in.page, posterLayout(in.picture, setup.poster), in.options, in.glue);
  return setup;
}

PosterSetup typed(const Inputs& in, bool across, const std::string& text) {
  SheetEdits edits = editsAfterLoading(in.picture, in.page, in.options, in.glue);
  if (across)
    edits.typeBreit(text);
  else
    edits.typeHoch(text);
  return finish(in, edits);
}

Ext finishedCm(const PosterSetup& s, bool width) { return width ? s.size.widthCm : s.size.heightCm; }

std::string cmText(Ext v) {
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, static_cast<double>(v), std::chars_format::fixed, 1);
  return ec == std::errc() ? std::string(buf, end) : std::string("?");
}

// The finished size grows with the sheet value (in steps, as bands are whole pixels); bisect on
// the 8-decimal grid of the edit for the value that comes closest to `cm`.
PosterSetup byCentimetres(const Inputs& in, bool width, Ext cm) {
  auto at = [&](int64_t steps) {
    return typed(in, width, floatText(static_cast<Ext>(steps) / 100000000, kSheetFormat));
  };
  int64_t lo = Round64(kMinSheets * 100000000), hi = Round64(kMaxSheetsValue * 100000000);
  PosterSetup low = at(lo), high = at(hi);
  if (!low.size.valid || !high.size.valid) {
    low.error = "Das Bild lässt sich auf diesem Papier nicht als Poster drucken.";
    return low;
  }
  const std::string range = cmText(finishedCm(low, width)) + " und " + cmText(finishedCm(high, width)) + " cm";
  if (cm < finishedCm(low, width) - 0.05L || cm > finishedCm(high, width) + 0.05L) {
    low.error = std::string(width ? "Die Breite" : "Die Höhe") + " muss zwischen " + range + " liegen.";
    return low;
  }
  while (hi - lo > 1) {
    const int64_t mid = lo + (hi - lo) / 2;
    PosterSetup s = at(mid);
    if (s.size.valid && finishedCm(s, width) < cm) {
      lo = mid;
      low = std::move(s);
    } else {
      hi = mid;
      high = std::move(s);
    }
  }
  return std::fabs(finishedCm(low, width) - cm) < std::fabs(finishedCm(high, width) - cm) ? low : high;
}

}  // namespace

PosterSetup setUpPoster(const TDib& picture, const PageMetrics& page, const Options& options, const GlueMargins& glue,
                        const PosterSizeRequest& request) {
  const Inputs in{picture, page, options, glue};
  if (request.kind == PosterSizeKind::Default) return finish(in, editsAfterLoading(picture, page, options, glue));
  const std::optional<Ext> v = parseFloat(request.value);
  const bool sheets = request.kind == PosterSizeKind::Across || request.kind == PosterSizeKind::Down;
  if (!v) {
    PosterSetup bad;
    bad.error = "„" + request.value + "“ ist keine Zahl.";
    return bad;
  }
  if (request.kind == PosterSizeKind::Physical) {
    if (!(*v > 0)) {
      PosterSetup bad;
      bad.error = "Der Maßstab muss größer als 0 Prozent sein, nicht " + request.value + ".";
      return bad;
    }
    SheetEdits edits = editsAfterLoading(picture, page, options, glue);
    if (!setPhysicalSize(edits.state(), edits, static_cast<double>(*v / 100))) {
      PosterSetup bad;
      bad.lacksResolution = true;
      bad.error = "Das Bild bringt keine brauchbare Auflösung mit (10 bis 10000 dpi), seine Originalgröße ist "
                  "unbekannt.";
      return bad;
    }
    return finish(in, edits);
  }
  if (sheets) {
    if (*v < kMinSheets || *v > kMaxSheetsValue) {
      PosterSetup bad;
      bad.error = "Die Zahl der Blätter muss zwischen 0.1 und 100 liegen, nicht " + request.value + ".";
      return bad;
    }
    return typed(in, request.kind == PosterSizeKind::Across, request.value);
  }
  return byCentimetres(in, request.kind == PosterSizeKind::WidthCm, *v);
}

}  // namespace tessaro
