#include "cli/DotOptions.h"

#include <cctype>
#include <utility>

#include "cli/CommandLine.h"
#include "common/FloatText.h"

namespace tessaro::cli {

namespace {

constexpr std::string_view kDots = "--dots";
constexpr std::string_view kSettings[] = {"--dot-shape", "--dot-angle", "--dot-colour", "--dot-curve", "--dot-min"};

constexpr std::pair<std::string_view, DotShape> kShapes[] = {
    {"circle", DotShape::Circle},
    {"square", DotShape::Square},
    {"diamond", DotShape::Diamond},
    {"line", DotShape::Line},
};
constexpr std::pair<std::string_view, DotColourMode> kColourWords[] = {
    {"black", DotColourMode::Black},
    {"picture", DotColourMode::Picture},
    {"cmyk", DotColourMode::Cmyk},
};

std::optional<double> number(const std::string& text) {
  const std::optional<Ext> v = parseFloat(text);
  return v ? std::optional<double>(static_cast<double>(*v)) : std::nullopt;
}

// "#RRGGBB" in either case.
std::optional<Color> hexColour(const std::string& text) {
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  uint32_t rgb = 0;
  for (size_t i = 1; i < text.size(); ++i) {
    const int c = std::tolower(static_cast<unsigned char>(text[i]));
    if (!std::isxdigit(c)) return std::nullopt;
    rgb = rgb << 4 | static_cast<uint32_t>(std::isdigit(c) ? c - '0' : c - 'a' + 10);
  }
  return rgbColor(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb));
}

// A share of the cell, "0.1" or "10%".
std::optional<double> share(std::string text) {
  const bool percent = !text.empty() && text.back() == '%';
  if (percent) text.pop_back();
  const std::optional<double> v = number(text);
  return v && percent ? std::optional<double>(*v / 100) : v;
}

std::optional<UsageError> applySetting(const std::string& option, const std::string& value, DotSettings& s) {
  if (option == "--dot-shape") {
    for (const auto& [word, shape] : kShapes)
      if (value == word) return s.shape = shape, std::nullopt;
    return badValue(option, value, "circle, square, diamond oder line");
  }
  if (option == "--dot-angle") {
    const auto v = number(value);
    if (!v) return badValue(option, value, "einen Winkel in Grad, 0 bis 90");
    s.angleDeg = *v;
  } else if (option == "--dot-colour") {
    for (const auto& [word, mode] : kColourWords)
      if (value == word) return s.colourMode = mode, std::nullopt;
    const auto colour = hexColour(value);
    if (!colour) return badValue(option, value, "black, #RRGGBB, picture oder cmyk");
    s.colourMode = DotColourMode::Chosen;
    s.colour = *colour;
  } else if (option == "--dot-curve") {
    const auto v = value == "linear" ? std::optional<double>(1) : number(value);
    if (!v) return badValue(option, value, "linear oder einen Gammawert");
    s.gamma = *v;
  } else if (option == "--dot-min") {
    const auto v = share(value);
    if (!v) return badValue(option, value, "einen Anteil der Zelle wie 0.1 oder 10%");
    s.minDot = *v;
  }
  return std::nullopt;
}

}  // namespace

bool isDotOption(const std::string& option) {
  if (option == kDots) return true;
  for (const std::string_view o : kSettings)
    if (option == o) return true;
  return false;
}

std::optional<UsageError> applyDotOption(const std::string& option, const std::string& value, DotWords& words) {
  if (option != kDots) {
    if (words.firstSetting.empty()) words.firstSetting = option;
    return applySetting(option, value, words.settings);
  }
  const auto v = number(value);
  if (!v) return badValue(option, value, "die Rasterweite in mm");
  words.settings.cellMm = *v;
  words.dots = true;
  return std::nullopt;
}

std::optional<UsageError> finishDotOptions(const DotWords& words, std::optional<DotSettings>& dots) {
  if (!words.dots) {
    if (words.firstSetting.empty()) return std::nullopt;
    return UsageError{kExitUnknown, "Die Option „" + words.firstSetting +
                                        "“ gilt nur für ein Punkteraster: bitte "
                                        "mit --dots MM die Rasterweite angeben."};
  }
  if (const std::string problem = dotSettingsProblem(words.settings); !problem.empty())
    return UsageError{kExitUnknown, problem};
  dots = words.settings;
  return std::nullopt;
}

std::string dotOptionsHelp() {
  return "    Punkteraster (das Bild als Raster großer Punkte, als Vektoren gedruckt):\n"
         "      --dots MM              Punkteraster mit MM mm Rasterweite (2 bis 100); ohne die\n"
         "                             Option wird das Bild selbst gedruckt. Höchstens 5 Millionen\n"
         "                             Punkte, sonst endet der Aufruf mit Rückgabewert 2.\n"
         "      --dot-shape circle|square|diamond|line\n"
         "                             Form der Punkte (Vorgabe circle)\n"
         "      --dot-angle GRAD       Rasterwinkel, 0 bis 90 (Vorgabe 45; CMYK hat eigene Winkel)\n"
         "      --dot-colour black|#RRGGBB|picture|cmyk\n"
         "                             schwarz (Vorgabe), eine Farbe, die Farbe des Bildes je Zelle\n"
         "                             oder vier Raster in Cyan, Magenta, Gelb und Schwarz\n"
         "      --dot-curve linear|GAMMA\n"
         "                             Tonkurve: linear (Vorgabe) oder ein Gammawert von 0.2 bis 5;\n"
         "                             über 1 bleiben die Punkte in hellen Flächen klein\n"
         "      --dot-min ANTEIL       kleinster gedruckter Punkt als Anteil der Zelle, 0 bis 0.5,\n"
         "                             auch in Prozent („10%“); kleinere entfallen (Vorgabe 0)\n"
         "      Die --dot-Optionen gelten nur zusammen mit --dots.\n";
}

}  // namespace tessaro::cli
