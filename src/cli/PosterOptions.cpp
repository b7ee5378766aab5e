#include "cli/PosterOptions.h"

#include <charconv>
#include <cmath>

#include "cli/CommandLine.h"
#include "cli/DotOptions.h"
#include "cli/PrintTarget.h"
#include "print/PaperSizes.h"

namespace tessaro::cli {

namespace {

// The seven print options and the two layout switches, each a flag of Options.
struct Switch {
  std::string_view option;
  bool Options::*flag;
  bool value;
};
constexpr Switch kSwitches[] = {
    {"--cut-lines", &Options::OptCutLines, true},      {"--no-cut-lines", &Options::OptCutLines, false},
    {"--glue-lines", &Options::OptGlueLines, true},    {"--no-glue-lines", &Options::OptGlueLines, false},
    {"--edge-lines", &Options::OptNoEdgeLines, false}, {"--no-edge-lines", &Options::OptNoEdgeLines, true},
    {"--glue-strip", &Options::OptGlueMargin, true},   {"--no-glue-strip", &Options::OptGlueMargin, false},
    {"--print-glue", &Options::OptPrintGlue, true},    {"--no-print-glue", &Options::OptPrintGlue, false},
    {"--edge-glue", &Options::OptNoEdgeGlue, false},   {"--no-edge-glue", &Options::OptNoEdgeGlue, true},
    {"--notes", &Options::OptEdgeHints, true},         {"--no-notes", &Options::OptEdgeHints, false},
    {"--center", &Options::OptCenter, true},           {"--full-sheets", &Options::OptFullSheet, true},
};

// Additions to the print that the window offers on "Einstellungen", off unless asked for.
constexpr std::pair<std::string_view, bool PosterJob::*> kExtras[] = {
    {"--labels", &PosterJob::labels},
    {"--overview", &PosterJob::overview},
    {"--ruler", &PosterJob::ruler},
    {"--no-calibration", &PosterJob::noCalibration},
};

// The flag an option of kExtras switches on; null for any other option.
bool PosterJob::*findExtra(const std::string& option) {
  for (const auto& [name, flag] : kExtras)
    if (option == name) return flag;
  return nullptr;
}

constexpr std::pair<std::string_view, PosterSizeKind> kSizes[] = {
    {"--across", PosterSizeKind::Across},
    {"--down", PosterSizeKind::Down},
    {"--width-cm", PosterSizeKind::WidthCm},
    {"--height-cm", PosterSizeKind::HeightCm},
    {"--scale", PosterSizeKind::Physical},
};

// Options with a value: "--name value" or "--name=value".
constexpr std::string_view kValued[] = {"--across", "--down",    "--width-cm", "--height-cm", "--scale", "--glue",
                                        "--order",  "--skip",    "-o",         "--printer",   "--paper", "--dpi"};
constexpr std::string_view kActualSize = "--actual-size";

std::optional<int> integer(std::string_view text) {
  int v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

// "A,B" with whole numbers in [lo, hi].
std::optional<std::pair<int, int>> pair(const std::string& text, int lo, int hi) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos) return std::nullopt;
  const auto a = integer(std::string_view(text).substr(0, comma));
  const auto b = integer(std::string_view(text).substr(comma + 1));
  if (!a || !b || *a < lo || *a > hi || *b < lo || *b > hi) return std::nullopt;
  return std::pair{*a, *b};
}

// One size only; --actual-size goes with --scale, which measures from the same size.
std::optional<UsageError> setSize(PosterSizeKind kind, const std::string& value, PosterJob& job, bool& sized,
                                  bool actualSize) {
  const bool physicalPair = sized && kind == PosterSizeKind::Physical && job.size.kind == kind;
  if (sized && !physicalPair)
    return UsageError{kExitUnknown, "Nur eine Größe angeben: --across, --down, --width-cm, --height-cm oder "
                                    "--actual-size mit --scale."};
  if (!physicalPair || !actualSize) job.size = {kind, value};
  sized = true;
  return std::nullopt;
}

std::optional<UsageError> applyValue(const std::string& option, const std::string& value, PosterJob& job, bool& sized) {
  if (option == kActualSize) return setSize(PosterSizeKind::Physical, "100", job, sized, true);
  for (const auto& [name, kind] : kSizes) {
    if (option != name) continue;
    if (kind == PosterSizeKind::Physical) {
      const std::optional<Ext> percent = parseFloat(value);
      if (!percent || !(*percent > 0) || !std::isfinite(*percent))
        return badValue(option, value, "Prozent der Originalgröße, eine Zahl größer als 0");
    }
    return setSize(kind, value, job, sized, false);
  }
  if (option == "--glue") {
    const auto glue = pair(value, 0, 10);
    if (!glue) return badValue(option, value, "X,Y in Prozent, je 0 bis 10");
    job.glue = {glue->first, glue->second};
  } else if (option == "--order") {
    if (value != "rows" && value != "columns") return badValue(option, value, "rows oder columns");
    job.order = value == "rows" ? PrintOrder::Rows : PrintOrder::Columns;
  } else if (option == "--skip") {
    const auto sheet = pair(value, 1, kMaxSheets);
    if (!sheet) return badValue(option, value, "SPALTE,ZEILE, je 1 bis 100");
    job.skip.push_back(*sheet);
  } else if (option == "-o") {
    job.output = value;
  } else if (option == "--printer") {
    job.printer = value;
  } else if (option == "--paper") {
    job.paper = value;
  } else if (option == "--dpi") {
    const auto dpi = integer(value);
    if (!dpi || *dpi < 50 || *dpi > 2400) return badValue(option, value, "eine ganze Zahl von 50 bis 2400");
    job.dpi = *dpi;
  }
  return std::nullopt;
}

bool valued(const std::string& option) {
  for (std::string_view v : kValued)
    if (option == v) return true;
  return false;
}

const Switch* findSwitch(const std::string& option) {
  for (const Switch& s : kSwitches)
    if (option == s.option) return &s;
  return nullptr;
}

}  // namespace

std::optional<UsageError> parsePosterWords(const std::vector<std::string>& args, size_t from, std::string& input,
                                           PosterJob& job) {
  bool sized = false;
  DotWords dots;
  const OptionWords words{
      [](const std::string& o) { return findSwitch(o) != nullptr || findExtra(o) != nullptr || o == kActualSize; },
      [](const std::string& o) { return valued(o) || isDotOption(o); },
      [&](const std::string& o, const std::string& v) -> std::optional<UsageError> {
        if (isDotOption(o)) return applyDotOption(o, v, dots);
        if (bool PosterJob::*extra = findExtra(o)) {
          job.*extra = true;
          return std::nullopt;
        }
        if (const Switch* s = findSwitch(o)) {
          job.options.*(s->flag) = s->value;
          return std::nullopt;
        }
        return applyValue(o, v, job, sized);
      }};
  if (auto error = readPrintWords(args, from, words, &input)) return error;
  if (auto error = finishDotOptions(dots, job.dots)) return error;
  return checkTarget({job.output, job.printer, job.paper, job.dpi});
}

std::string posterOptionsHelp() {
  return "  poster EINGABE (-o DATEI.pdf | --printer DRUCKER) [Optionen]\n"
         "      Druckt das Bild als Poster über mehrere Blätter, wie die Karte „Drucken“:\n"
         "      in eine PDF-Datei (Bilder verlustfrei) oder an einen Drucker des Drucksystems.\n"
         "    Größe (nur eine; ohne Angabe wie im Programm gleich nach dem Laden):\n"
         "      --across N       Blätter nebeneinander (0.1 bis 100, mit Nachkommastellen)\n"
         "      --down N         Blätter untereinander (0.1 bis 100)\n"
         "      --width-cm X     Breite des fertigen Posters in cm\n"
         "      --height-cm Y    Höhe des fertigen Posters in cm\n"
         "      --actual-size    Originalgröße: so groß, wie es die Auflösung der Datei angibt\n"
         "      --scale P        P Prozent der Originalgröße (50: halb so groß; mit oder ohne\n"
         "                       --actual-size)\n"
         "    Papier:\n"
         "      --paper NAME     A4 (Vorgabe), A3, Letter, Legal; mit --printer auch dessen eigene\n"
         "      --dpi N          Auflösung (Vorgabe 600, mit --printer die des Druckers)\n"
         "      --glue X,Y       Kleberand rechts und unten in Prozent, je 0 bis 10 (Vorgabe 5,5)\n"
         "    Druckoptionen (Vorgaben wie im Programm):\n"
         "      --cut-lines / --no-cut-lines        Schneidelinien (an)\n"
         "      --glue-lines / --no-glue-lines      Klebelinien (aus)\n"
         "      --edge-lines / --no-edge-lines      Linien am Posterrand (aus)\n"
         "      --glue-strip / --no-glue-strip      Kleberand (an)\n"
         "      --print-glue / --no-print-glue      Kleberand bedrucken (aus)\n"
         "      --edge-glue / --no-edge-glue        Kleberand am Posterrand (aus)\n"
         "      --notes / --no-notes                Hinweise auf Rand drucken (an)\n"
         "      --center                            Zentrieren\n"
         "      --full-sheets                       Blatt voll nutzen\n"
         "    Druck:\n"
         "      --order rows|columns   zeilenweise (Vorgabe) oder spaltenweise drucken\n"
         "      --skip SPALTE,ZEILE    dieses Blatt auslassen (ab 1 gezählt; mehrfach möglich)\n"
         "      --labels               Blattnummern drucken („B3“: Zeile B, Spalte 3; auf den Kleberand)\n"
         "      --overview             Übersichtsseite drucken: das ganze Poster verkleinert, zuerst\n"
         "      --ruler                Prüfmaß auf jedem Blatt (5 cm, auf den Kleberand)\n"
         "      --no-calibration       mit --printer: ohne die gespeicherte Kalibrierung des Druckers\n"
         "                             (siehe calibrate) drucken\n" +
         dotOptionsHelp();
}

}  // namespace tessaro::cli
