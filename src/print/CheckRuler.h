#pragma once
// A check ruler: a bar of exact length with ticks, so that whoever holds the printout can check
// with a ruler that nothing scaled the page. Drawn as lines only, so vector output keeps it exact.
#include <cstdint>
#include <string>

#include "picture/Device.h"

namespace tessaro {

// Millimetres: a tick every mm, longer at 5 and 10. Inches: a tick every 1/8, longer at 1/2 and 1.
enum class RulerUnit { Millimetre, Inch };

struct CheckRuler {
  RulerUnit unit = RulerUnit::Millimetre;
  int32_t length = 100;  // in whole units (mm or inches)
  std::string label;     // written above the bar; may be empty
};

inline constexpr const char* kTenCentimetreLabel = "Dieses Maß muss genau 10 cm lang sein";
inline constexpr const char* kFourInchLabel = "4 Zoll";
// The small bar in a margin of a printed page.
inline const CheckRuler kMarginRuler{RulerUnit::Millimetre, 50, ""};

// Device pixels from the bar's start to its tick `i` (mm or eighths of an inch) at `dpi`.
int32_t rulerTickOffset(RulerUnit unit, int32_t i, int32_t dpi);
// The bar's length and the whole ruler's height (label and ticks) in device pixels.
int32_t rulerLength(const CheckRuler& ruler, int32_t dpiX);
int32_t rulerHeight(const CheckRuler& ruler, int32_t dpiY);

// Draws the ruler with its top left corner at (x, y): the label, then the ticks standing on a
// base line whose first tick is at x.
void drawCheckRuler(Device& dc, int32_t x, int32_t y, const CheckRuler& ruler, int32_t dpiX, int32_t dpiY);
// The same bar standing upright: its base line runs down from (x, y), the ticks point right and
// the label is left to the caller. rulerLength(ruler, dpiY) is its length.
void drawUprightCheckRuler(Device& dc, int32_t x, int32_t y, const CheckRuler& ruler, int32_t dpiX, int32_t dpiY);

}  // namespace tessaro
