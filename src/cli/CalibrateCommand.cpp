#include "cli/CalibrateCommand.h"

#include <ostream>

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "print/CalibrationPage.h"
#include "print/CalibrationStore.h"

namespace tessaro::cli {

namespace {

bool takesValue(const std::string& o) { return o == "--printer" || o == "--measured" || o == "--paper"; }

// "H,V": two lengths in mm with a point before the decimals.
std::optional<std::pair<std::string, std::string>> lengths(const std::string& text) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos) return std::nullopt;
  std::pair<std::string, std::string> both{text.substr(0, comma), text.substr(comma + 1)};
  if (!parseMillimetres(both.first) || !parseMillimetres(both.second)) return std::nullopt;
  return both;
}

int storeMeasured(const CalibrateJob& job, std::ostream& out, std::ostream& err) {
  int code = kExitOk;
  const std::optional<Paper> paper = choosePaper(job.target, err, code);
  if (!paper) return code;
  const auto [across, down] = *lengths(job.measured);
  const PageMetrics& m = paper->metrics;
  const CalibrationBars bars = calibrationBars(m);
  const CalibrationResult result =
      calibrationFromMeasured({"waagrechte", double(bars.acrossMm), sheetWidthMm(m), across},
                              {"senkrechte", double(bars.downMm), sheetHeightMm(m), down});
  if (!result.calibration) return fail(err, kExitUnknown, result.error);
  if (const auto error = CalibrationStore().store(job.target.printer, *result.calibration))
    return fail(err, kExitCannotWrite, *error);
  out << correctionText(result.calibration) << '\n';
  return kExitOk;
}

}  // namespace

std::optional<UsageError> parseCalibrateWords(const std::vector<std::string>& args, size_t from, CalibrateJob& job) {
  const OptionWords words{[](const std::string& o) { return o == "--reset"; }, takesValue,
                          [&](const std::string& o, const std::string& v) -> std::optional<UsageError> {
                            if (o == "--reset") job.reset = true;
                            if (o == "--printer") job.target.printer = v;
                            if (o == "--paper") job.target.paper = v;
                            if (o == "--measured") {
                              if (!lengths(v))
                                return UsageError{kExitUnknown, "Ungültiger Wert „" + v +
                                                                    "“ für --measured: erwartet H,V in mm, etwa "
                                                                    "189.6,276.4."};
                              job.measured = v;
                            }
                            return std::nullopt;
                          }};
  if (auto error = readPrintWords(args, from, words, nullptr)) return error;
  if (job.target.printer.empty())
    return UsageError{kExitMissingArgument, "Bitte mit --printer DRUCKER den Drucker angeben."};
  if (job.reset && !job.measured.empty())
    return UsageError{kExitUnknown, "Nur eines angeben: --measured oder --reset."};
  job.target.calibrated = false;
  return std::nullopt;
}

std::string calibrateHelp() {
  return "  calibrate --printer DRUCKER [--measured H,V | --reset] [--paper NAME]\n"
         "      Ohne --measured: druckt die Kalibrierungsseite mit einer waagrechten und einer\n"
         "      senkrechten Linie, deren Länge daneben steht (die Seite selbst nie korrigiert).\n"
         "      --measured H,V   die gemessenen Längen der beiden Linien in mm (mit Punkt, etwa\n"
         "                       189.6,276.4): speichert die Korrektur des Druckers und zeigt sie;\n"
         "                       poster und passport drucken auf diesem Drucker dann korrigiert\n"
         "      --reset          entfernt die gespeicherte Korrektur des Druckers\n";
}

int runCalibrate(const CommandLine& line, std::ostream& out, std::ostream& err) {
  const CalibrateJob& job = line.calibrate;
  if (job.reset) {
    if (const auto error = CalibrationStore().reset(job.target.printer)) return fail(err, kExitCannotWrite, *error);
    out << correctionText(std::nullopt) << '\n';
    return kExitOk;
  }
  if (!job.measured.empty()) return storeMeasured(job, out, err);
  int code = kExitOk;
  const std::optional<Paper> paper = choosePaper(job.target, err, code);
  if (!paper) return code;
  const CalibrationBars bars = calibrationBars(paper->metrics);
  return deliver(
      job.target, *paper, [](PrintService& p) { return printCalibrationPage(p); },
      [&](std::ostream& o) {
        o << "Kalibrierungsseite: waagrecht " << bars.acrossMm << " mm, senkrecht " << bars.downMm << " mm\n";
      },
      out, err);
}

}  // namespace tessaro::cli
