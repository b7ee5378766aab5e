#include "layout/SheetEdits.h"

#include <charconv>

namespace tessaro {

std::string sheetText(double v) {
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, clampSheetValue(v), std::chars_format::fixed, 8);
  return ec == std::errc() ? std::string(buf, end) : std::string("0.10000000");
}

double sheetValue(const std::string& text) {
  double v = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  while (first < last && *first == ' ') ++first;
  if (first < last && *first == '+') ++first;
  const auto [end, ec] = std::from_chars(first, last, v);
  return ec == std::errc() && end == last ? v : 0.0;
}

void SheetEdits::change(std::string& edit, std::string text, bool breit) {
  if (text == edit) return;
  edit = std::move(text);
  if (breit)
    BreitEdChange(state_, *this);
  else
    HochEdChange(state_, *this);
}

void SheetEdits::typeBreit(const std::string& text) { change(breit_, text, true); }
void SheetEdits::typeHoch(const std::string& text) { change(hoch_, text, false); }
double SheetEdits::breitValue() { return sheetValue(breit_); }
double SheetEdits::hochValue() { return sheetValue(hoch_); }
void SheetEdits::setBreitValue(double v) { change(breit_, sheetText(v), true); }
void SheetEdits::setHochValue(double v) { change(hoch_, sheetText(v), false); }

}  // namespace tessaro
