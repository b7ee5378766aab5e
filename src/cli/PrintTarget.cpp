#include "cli/PrintTarget.h"

#include <ostream>

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cups/PrintQueue.h"
#include "cups/QueuePrintService.h"
#include "pdf/PdfPrintService.h"
#include "print/CalibrationStore.h"
#include "print/PaperSizes.h"

namespace tessaro::cli {

std::optional<UsageError> readPrintWords(const std::vector<std::string>& args, size_t from, const OptionWords& words,
                                         std::string* input) {
  std::vector<std::string> files;
  bool onlyFiles = false;
  for (size_t i = from; i < args.size(); ++i) {
    std::string arg = args[i];
    if (onlyFiles || arg.size() < 2 || arg[0] != '-') {
      files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      onlyFiles = true;
      continue;
    }
    std::string value;
    if (words.isSwitch(arg)) {
      // no value
    } else if (const size_t eq = arg.find('='); eq != std::string::npos && arg.starts_with("--")) {
      value = arg.substr(eq + 1);
      arg.resize(eq);
      if (!words.takesValue(arg)) return UsageError{kExitUnknown, "Unbekannte Option „" + arg + "“."};
    } else if (!words.takesValue(arg)) {
      return UsageError{kExitUnknown, "Unbekannte Option „" + arg + "“."};
    } else if (i + 1 >= args.size()) {
      return UsageError{kExitMissingArgument, "Der Option „" + arg + "“ fehlt ihr Wert."};
    } else {
      value = args[++i];
    }
    if (auto error = words.apply(arg, value)) return error;
  }
  const size_t wanted = input ? 1 : 0;
  if (files.size() < wanted) return UsageError{kExitMissingArgument, "Es fehlt der Name der Bilddatei."};
  if (files.size() > wanted) return UsageError{kExitUnknown, "Unerwartetes Argument „" + files[wanted] + "“."};
  if (input) *input = files[0];
  return std::nullopt;
}

std::optional<UsageError> checkTarget(const PrintTarget& target) {
  if (target.output.empty() == target.printer.empty())
    return UsageError{target.output.empty() ? kExitMissingArgument : kExitUnknown,
                      "Bitte genau ein Ziel angeben: -o DATEI.pdf oder --printer DRUCKER."};
  if (target.printer.empty() && !target.paper.empty() && !findPaper(target.paper))
    return UsageError{kExitUnknown,
                      "Ungültiger Wert „" + target.paper +
                          "“ für --paper: erwartet A4, A3, Letter oder Legal (andere nur mit --printer)."};
  return std::nullopt;
}

std::optional<Paper> choosePaper(const PrintTarget& job, std::ostream& err, int& code) {
  const PaperSize* named = job.paper.empty() ? nullptr : findPaper(job.paper);
  if (job.printer.empty()) return Paper{paperMetrics(named ? *named : *findPaper("A4"), job.dpi ? job.dpi : 600), {}};
  std::string why;
  const std::string media = named ? std::string(named->mediaName) : job.paper;
  const auto queue = cups::queuePaper(job.printer, media, job.dpi, why);
  if (!queue) {
    code = fail(err, kExitCannotPrint, why);
    return std::nullopt;
  }
  return Paper{queue->metrics, queue->media};
}

namespace {

std::string sheetsText(int32_t n) { return n == 1 ? "1 Blatt" : std::to_string(n) + " Blätter"; }

}  // namespace

int deliver(const PrintTarget& target, const Paper& paper, const PrintJobFn& job,
            const std::function<void(std::ostream&)>& describe, std::ostream& out, std::ostream& err) {
  const bool toFile = target.printer.empty();
  PdfPrintService file(target.output, paper.metrics);
  cups::QueuePrintService queue(target.printer, paper.metrics, paper.media);
  const std::optional<Calibration> calibration =
      toFile || !target.calibrated ? std::nullopt : CalibrationStore().load(target.printer);
  if (calibration) queue.setPageScale(*calibration);
  PrintService& printer = toFile ? static_cast<PrintService&>(file) : queue;
  const PosterPrintResult result = job(printer);
  if (result.status == PosterPrintResult::Status::NothingPrinted)
    return fail(err, kExitUnknown, "Alle Blätter sind ausgelassen; es gibt nichts zu drucken.");
  // Settings the job cannot print are the caller's to change, like any value out of range.
  if (result.status == PosterPrintResult::Status::Refused) return fail(err, kExitUnknown, result.message);
  if (!result.ok())
    return toFile ? fail(err, kExitCannotWrite, "„" + target.output + "“: " + result.message)
                  : fail(err, kExitCannotPrint, result.message);
  if (toFile && target.output == kStandardStream) {
    // Standard output holds the PDF; what it holds is told beside it.
    describe(err);
    err << sheetsText(result.pagesPrinted) << " auf die Standardausgabe geschrieben.\n";
    return kExitOk;
  }
  describe(out);
  if (calibration) out << correctionText(calibration) << '\n';
  if (toFile) {
    out << sheetsText(result.pagesPrinted) << " in „" << target.output << "“ gespeichert.\n";
    return kExitOk;
  }
  out << sheetsText(result.pagesPrinted) << " an " << target.printer << " gesendet (Auftrag " << queue.jobId()
      << ").\n";
  if (const std::string notice = queue.notice(); !notice.empty()) err << "tessaro-cli: " << notice << '\n';
  return kExitOk;
}

}  // namespace tessaro::cli
