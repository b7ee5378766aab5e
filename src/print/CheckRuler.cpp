#include "print/CheckRuler.h"

#include <algorithm>
#include <cmath>

namespace tessaro {

namespace {

// Sizes across the bar, in tenths of a millimetre.
constexpr int32_t kShortTick = 15, kMiddleTick = 25, kLongTick = 40;
constexpr int32_t kLabelHeight = 30, kLabelGap = 10;

int32_t tenthsToPixels(int32_t tenths, int32_t dpi) {
  return std::max<int32_t>(1, static_cast<int32_t>(std::lround(tenths * dpi / 254.0)));
}

int32_t ticks(const CheckRuler& r) { return r.unit == RulerUnit::Millimetre ? r.length : r.length * 8; }

int32_t tickTenths(RulerUnit unit, int32_t i) {
  const int32_t big = unit == RulerUnit::Millimetre ? 10 : 8, middle = big / 2;
  return i % big == 0 ? kLongTick : i % middle == 0 ? kMiddleTick : kShortTick;
}

// The base line and ticks, in coordinates along the bar and across it; `line` maps them onto the
// page. `dpiAlong` spaces the ticks, `dpiAcross` sizes them.
template <class Line>
void drawTicks(Device& dc, const CheckRuler& ruler, int32_t dpiAlong, int32_t dpiAcross, Line line) {
  dc.setPen(kBlack, PenStyle::Solid);
  // From the first tick to the last: a stroke of exactly the bar's length; on a raster the last
  // tick fills the end point that a line leaves out.
  line(0, 0, rulerLength(ruler, dpiAlong), 0);
  for (int32_t i = 0; i <= ticks(ruler); ++i) {
    const int32_t t = rulerTickOffset(ruler.unit, i, dpiAlong);
    line(t, 0, t, tenthsToPixels(tickTenths(ruler.unit, i), dpiAcross));
  }
}

}  // namespace

int32_t rulerTickOffset(RulerUnit unit, int32_t i, int32_t dpi) {
  const double units = unit == RulerUnit::Millimetre ? i / 25.4 : i / 8.0;
  return static_cast<int32_t>(std::lround(units * dpi));
}

int32_t rulerLength(const CheckRuler& ruler, int32_t dpiX) { return rulerTickOffset(ruler.unit, ticks(ruler), dpiX); }

int32_t rulerHeight(const CheckRuler& ruler, int32_t dpiY) {
  const int32_t label = ruler.label.empty() ? 0 : tenthsToPixels(kLabelHeight + kLabelGap, dpiY);
  return label + tenthsToPixels(kLongTick, dpiY) + 1;
}

void drawCheckRuler(Device& dc, int32_t x, int32_t y, const CheckRuler& ruler, int32_t dpiX, int32_t dpiY) {
  if (!ruler.label.empty()) {
    dc.setFontHeight(tenthsToPixels(kLabelHeight, dpiY));
    dc.textOut(x, y, ruler.label);
  }
  const int32_t base = y + rulerHeight(ruler, dpiY) - 1;
  drawTicks(dc, ruler, dpiX, dpiY,
            [&](int32_t a1, int32_t c1, int32_t a2, int32_t c2) { dc.line(x + a1, base - c1, x + a2, base - c2); });
}

void drawUprightCheckRuler(Device& dc, int32_t x, int32_t y, const CheckRuler& ruler, int32_t dpiX, int32_t dpiY) {
  drawTicks(dc, ruler, dpiY, dpiX,
            [&](int32_t a1, int32_t c1, int32_t a2, int32_t c2) { dc.line(x + c1, y + a1, x + c2, y + a2); });
}

}  // namespace tessaro
