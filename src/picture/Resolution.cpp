#include "picture/Resolution.h"

#include <charconv>
#include <cmath>

namespace tessaro {

namespace {

// Up to two decimals, trailing zeros dropped: 300, 72.01, 118.1.
std::string dpiNumber(double v) {
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, std::round(v * 100) / 100, std::chars_format::fixed, 2);
  if (ec != std::errc()) return "?";
  std::string s(buf, end);
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

}  // namespace

Resolution resolutionPer(double x, double y, double unitsPerInch) {
  if (!std::isfinite(x) || !std::isfinite(y) || !(x > 0) || !(y > 0) || !(unitsPerInch > 0)) return {};
  const Resolution r{x * unitsPerInch, y * unitsPerInch};
  return std::isfinite(r.x) && std::isfinite(r.y) ? r : Resolution{};
}

int64_t dotsPerUnit(double dpi, double unitsPerInch) {
  if (!std::isfinite(dpi) || !(dpi > 0) || !(unitsPerInch > 0)) return 0;
  return std::llround(std::fmin(dpi / unitsPerInch, 4e18));
}

Resolution resizedResolution(const Resolution& r, int32_t fromW, int32_t fromH, int32_t toW, int32_t toH) {
  if (!r.stored() || fromW <= 0 || fromH <= 0) return {};
  return {r.x * toW / fromW, r.y * toH / fromH};
}

std::string resolutionText(const Resolution& r) {
  if (!r.stored()) return "—";
  return dpiNumber(r.x) + " x " + dpiNumber(r.y) + " dpi";
}

}  // namespace tessaro
