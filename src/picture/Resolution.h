#pragma once
// The resolution a picture was scanned or saved at, in pixels per inch across and down. It gives
// the picture a physical size: W / x by H / y inches.
#include <cstdint>
#include <string>

namespace tessaro {

inline constexpr double kMetresPerInch = 0.0254;
inline constexpr double kCmPerInch = 2.54;

struct Resolution {
  double x = 0;  // 0: none stored
  double y = 0;
  bool stored() const { return x > 0 && y > 0; }
  // Within what a scan or a print can mean (10 to 10000 dpi both ways), so the physical size is
  // worth printing.
  bool plausible() const { return x >= 10 && x <= 10000 && y >= 10 && y <= 10000; }
  Resolution swapped() const { return {y, x}; }
  bool operator==(const Resolution&) const = default;
};

// From per-unit densities (units per inch: 1 for dpi, 2.54 for dots per cm, 0.0254 for per
// metre); none unless both are finite and positive.
Resolution resolutionPer(double x, double y, double unitsPerInch);
// Dots per unit, rounded, for a file field of whole numbers (`unitsPerInch` as above); 0 for none.
int64_t dotsPerUnit(double dpi, double unitsPerInch);
// The resolution of a picture resized from `from` to `to` pixels, so its physical size stays.
Resolution resizedResolution(const Resolution& r, int32_t fromW, int32_t fromH, int32_t toW, int32_t toH);
// "300 x 300 dpi": whole numbers when integral, else up to two decimals with a point; "—" for none.
std::string resolutionText(const Resolution& r);

}  // namespace tessaro
