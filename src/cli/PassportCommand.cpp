#include "cli/PassportCommand.h"

#include <charconv>
#include <ostream>

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "common/FloatText.h"
#include "layout/PassportPrintJob.h"
#include "retouch/Crop.h"
#include "vector/VectorPicture.h"

namespace tessaro::cli {

namespace {

// The ranges of the tab's edits.
struct Fraction {
  const char* option;
  Ext PassportJob::*field;
  Ext min, max;
  const char* range;
};
constexpr Fraction kFractions[] = {
    {"--width", &PassportJob::width, 0.05L, 0.5L, "eine Zahl von 0.05 bis 0.5"},
    {"--gap", &PassportJob::gap, 0.005L, 0.2L, "eine Zahl von 0.005 bis 0.2"},
    {"--margin", &PassportJob::margin, 0.01L, 0.2L, "eine Zahl von 0.01 bis 0.2"},
};

bool known(const std::string& option) {
  for (const Fraction& f : kFractions)
    if (option == f.option) return true;
  for (const char* o : {"--size", "-o", "--printer", "--paper", "--dpi"})
    if (option == o) return true;
  return false;
}

UsageError badValue(const std::string& option, const std::string& value, const std::string& expected) {
  return {kExitUnknown, "Ungültiger Wert „" + value + "“ für " + option + ": erwartet " + expected + "."};
}

std::optional<UsageError> applyValue(const std::string& option, std::string value, PassportJob& job) {
  for (const Fraction& f : kFractions) {
    if (option != f.option) continue;
    for (char& c : value)
      if (c == ',') c = '.';
    const std::optional<Ext> v = parseFloat(value);
    if (!v || *v < f.min || *v > f.max) return badValue(option, value, f.range);
    job.*(f.field) = *v;
    return std::nullopt;
  }
  if (option == "--size") {
    job.size = findPhotoSize(value);
    if (!job.size) return badValue(option, value, "35x45, 40x50, 50x50 oder 2x2 (Zoll)");
  } else if (option == "-o") {
    job.target.output = value;
  } else if (option == "--printer") {
    job.target.printer = value;
  } else if (option == "--paper") {
    job.target.paper = value;
  } else if (option == "--dpi") {
    int dpi = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), dpi);
    if (ec != std::errc() || end != value.data() + value.size() || dpi < 50 || dpi > 2400)
      return badValue(option, value, "eine ganze Zahl von 50 bis 2400");
    job.target.dpi = dpi;
  }
  return std::nullopt;
}

void describe(std::ostream& out, const PageMetrics& m, const TDib& picture, const PassSettings& s, size_t copies) {
  const PassSizeMm size = passPrintedMm(m, s.PassWidth, passHeight(picture, s.PassWidth, m.pageWidth, m.pageHeight));
  out << "Paßbilder: " << copies << (copies == 1 ? " Bild je " : " Bilder je ") << formatPassSize(size)
      << " auf einer Seite\n";
}

}  // namespace

std::optional<UsageError> parsePassportWords(const std::vector<std::string>& args, size_t from, std::string& input,
                                             PassportJob& job) {
  bool widthGiven = false;
  const OptionWords words{[](const std::string& o) {
                            return o == "--fit-crop" || o == "--ruler" || o == "--no-calibration";
                          },
                          known,
                          [&](const std::string& o, const std::string& v) -> std::optional<UsageError> {
                            if (o == "--no-calibration") {
                              job.target.calibrated = false;
                              return std::nullopt;
                            }
                            if (o == "--fit-crop" || o == "--ruler") {
                              (o == "--ruler" ? job.ruler : job.fitCrop) = true;
                              return std::nullopt;
                            }
                            if (o == "--width" || o == "--size") {
                              if (widthGiven)
                                return UsageError{kExitUnknown, "Nur eine Breite angeben: --width oder --size."};
                              widthGiven = true;
                            }
                            return applyValue(o, v, job);
                          }};
  if (auto error = readPrintWords(args, from, words, &input)) return error;
  if (job.fitCrop && !job.size) return UsageError{kExitUnknown, "--fit-crop geht nur mit --size."};
  return checkTarget(job.target);
}

std::string passportHelp() {
  return "  passport EINGABE (-o DATEI.pdf | --printer DRUCKER) [Optionen]\n"
         "      Druckt eine Seite voller gleicher Bilder, wie die Karte „Paßbilder“.\n"
         "      --width F        Breite eines Bildes als Anteil der Seitenbreite (0.05 bis 0.5, Vorgabe 0.2)\n"
         "      --size GRÖSSE    statt --width: 35x45, 40x50, 50x50 (mm) oder 2x2 (Zoll) breit drucken\n"
         "      --fit-crop       mit --size: das Bild vorher auf die Form der Größe zuschneiden\n"
         "                       (die größte Fläche aus seiner Mitte)\n"
         "      --gap F          Abstand zwischen den Bildern (0.005 bis 0.2, Vorgabe 0.02)\n"
         "      --margin F       Rand der Seite (0.01 bis 0.2, Vorgabe 0.05)\n"
         "      --ruler          Prüfmaß (5 cm) im unteren Rand, wo er Platz hat\n"
         "      --paper, --dpi, --no-calibration   wie bei poster\n";
}

int runPassport(const CommandLine& line, std::ostream& out, std::ostream& err) {
  const PassportJob& job = line.passport;
  int code = kExitOk;
  const std::optional<Paper> paper = choosePaper(job.target, err, code);
  if (!paper) return code;
  // Unless it is cut first, the picture goes on unchanged into our PDF.
  TDib picture = load(line, err, code, !job.fitCrop);
  if (picture.empty()) return code;
  if (isVectorPage(picture))
    return fail(err, kExitBadInput,
                "Aus einer PDF- oder SVG-Seite werden keine Paßbilder gedruckt; bitte sie zuerst mit „convert“ in "
                "ein Bild umwandeln.");
  if (job.fitCrop) {
    const PixelRect r = passFitCrop(*job.size, {0, 0, DibWidth(picture), DibHeight(picture)});
    picture = cropDib(picture, r.left, r.top, r.right, r.bottom, {});
    if (picture.empty())
      return fail(err, kExitUnexpected, "„--fit-crop“ ist fehlgeschlagen: der Speicher reicht nicht.");
  }
  const PageMetrics& m = paper->metrics;
  PassSettings s{static_cast<double>(job.width), 0, static_cast<double>(job.gap), static_cast<double>(job.margin)};
  if (job.size) {
    s.PassWidth = static_cast<double>(passWidthForMm(m, job.size->widthMm));
    if (s.PassWidth < 0.05L || s.PassWidth > 0.5L)
      return fail(err, kExitUnknown, std::string("Die Größe ") + job.size->label + " passt nicht zu diesem Papier.");
  }
  s.PassHeight = static_cast<double>(passHeight(picture, s.PassWidth, m.pageWidth, m.pageHeight));
  // Without a window there is no preview: the progress counts the page's own copies.
  const size_t copies = passPageLayout(s, 0, 0, m.pageWidth, m.pageHeight).size();
  if (copies == 0) return fail(err, kExitUnknown, "Kein Bild passt auf die Seite; bitte --width verkleinern.");
  return deliver(
      job.target, *paper,
      [&](PrintService& p) { return printPassport(p, picture, s, static_cast<int32_t>(copies), {}, job.ruler); },
      [&](std::ostream& o) { describe(o, m, picture, s, copies); }, out, err);
}

}  // namespace tessaro::cli
