#pragma once
// The dot screen of a dot poster ("Punkteraster"): the picture as a grid of dots whose inked
// area follows the darkness under each cell. The grid lies over the whole poster, in millimetres
// of the printed poster measured from the picture's top-left corner, so a dot cut by a sheet edge
// goes on exactly on the neighbouring sheet.
#include <cstdint>
#include <string>
#include <vector>

#include "picture/Device.h"
#include "picture/Dib.h"
#include "print/SheetBand.h"

namespace tessaro {

enum class DotColourMode {
  Black,    // black dots
  Chosen,   // dots in DotSettings::colour
  Picture,  // each dot in its cell's mean colour, its size from the cell's brightness
  Cmyk,     // four screens (cyan 15°, magenta 75°, yellow 0°, black 45°), grey replaced by black
};

inline constexpr double kMinDotCellMm = 2;
inline constexpr double kMaxDotCellMm = 100;
inline constexpr double kMinDotGamma = 0.2;
inline constexpr double kMaxDotGamma = 5;
inline constexpr double kMaxDotMinimum = 0.5;
// More dots than this make files and print jobs no printer takes in reasonable time.
inline constexpr int64_t kMaxDots = 5'000'000;

struct DotSettings {
  double cellMm = 10;  // "Rasterweite": the grid's pitch on the printed poster, 2 to 100 mm
  DotShape shape = DotShape::Circle;
  double angleDeg = 45;  // 0 to 90; the CMYK screens have their own angles
  DotColourMode colourMode = DotColourMode::Black;
  Color colour = kBlack;  // for DotColourMode::Chosen
  // Tone curve: coverage = darkness ^ gamma, so a gamma above 1 keeps light areas' dots small;
  // 1 is linear. 0.2 to 5.
  double gamma = 1;
  // Cells whose coverage stays below this share of the cell get no dot at all: 0 to 0.5.
  double minDot = 0;
  bool operator==(const DotSettings&) const = default;
};

// A German message naming the first value out of range; empty when all are fine.
std::string dotSettingsProblem(const DotSettings& settings);

// The share of a cell a dot inks for a darkness (0 white .. 1 black) under the settings' tone
// curve; 0 below the smallest dot.
double dotCoverage(const DotSettings& settings, double darkness);

// The size of the shape, in cells, whose ink within its own cell is `coverage` when every
// neighbour carries the same dot (so neighbours' overlap counts once): the radius of a circle,
// half the side of a square, half the diagonal of a diamond, half the thickness of a line. At
// coverage 1 the dots just close the gaps: radius √2/2, half side 1/2, half diagonal 1, half
// thickness 1/2.
double dotExtent(DotShape shape, double coverage);

// The affine map from poster millimetres to device pixels a sheet draws with.
struct MmToDevice {
  double sx = 1, sy = 1;  // device pixels per millimetre
  double tx = 0, ty = 0;  // device pixel of the poster's (0, 0)
};

class DotScreen {
 public:
  DotScreen() = default;
  // Samples every cell of every screen over the picture printed at mmPerPixelX x mmPerPixelY
  // millimetres per picture pixel. Refused (ok() false, message() says why in German) for
  // settings out of range and for more than kMaxDots dots; the message of the latter names the
  // smallest Rasterweite in whole millimetres that stays within the limit.
  static DotScreen make(const TDib& picture, const DotSettings& settings, double mmPerPixelX, double mmPerPixelY);

  bool ok() const { return message_.empty() && widthMm_ > 0; }
  const std::string& message() const { return message_; }
  const DotSettings& settings() const { return settings_; }
  double widthMm() const { return widthMm_; }  // the printed picture
  double heightMm() const { return heightMm_; }
  int screenCount() const;  // 4 for CMYK, else 1
  bool multiply() const { return settings_.colourMode == DotColourMode::Cmyk; }
  int64_t dotCount() const;  // dots with ink, all screens

  // The marks of screen `screen` whose shapes may touch the device rectangle `clip`, mapped to
  // the device; appended to `out`.
  void marksTouching(int screen, const MmToDevice& map, const DeviceRect& clip, std::vector<DotMark>& out) const;

 private:
  struct Dot {
    float x, y;       // centre, poster millimetres
    float extent;     // dotExtent of its coverage, in cells
    uint32_t colour;  // 0x00BBGGRR
  };
  DotSettings settings_;
  std::string message_;
  double widthMm_ = 0, heightMm_ = 0;
  std::vector<std::vector<Dot>> screens_;  // per screen, in rows along its grid
  std::vector<double> angles_;             // per screen, degrees
  // Per screen: the grid row of its first row, and where each row's dots begin in screens_ (one
  // entry more than rows, the last the end), so a sheet finds its dots without a search.
  std::vector<int64_t> firstRows_;
  std::vector<std::vector<uint32_t>> rowStarts_;
};

// Draws the dots that fall on a sheet's band, clipped to the band and to the picture: the dot
// poster's counterpart of drawBand. `pictureWidth` and `pictureHeight` are the picture's pixels
// the band counts in.
void drawDotBand(Device& dc, const DotScreen& screen, const SheetBand& band, int32_t pictureWidth,
                 int32_t pictureHeight);

// The dot picture as pixels, width x height, 24 bits, white paper, edges anti-aliased: what the
// previews and the overview page's miniature show. Fast enough to redraw a quarter million
// dots at preview size in well under 100 ms.
TDib renderDotPicture(const DotScreen& screen, int32_t width, int32_t height);

}  // namespace tessaro
