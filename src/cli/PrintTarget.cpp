#include "cli/PrintTarget.h"

#include <stdlib.h>
#include <unistd.h>

#include <ostream>

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cups/PrintQueue.h"
#include "pdf/PdfPrintService.h"
#include "print/PaperSizes.h"

namespace tessaro::cli {

std::optional<UsageError> readPrintWords(const std::vector<std::string>& args, size_t from, const OptionWords& words,
                                         std::string& input) {
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
  if (files.empty()) return UsageError{kExitMissingArgument, "Es fehlt der Name der Bilddatei."};
  if (files.size() > 1) return UsageError{kExitUnknown, "Unerwartetes Argument „" + files[1] + "“."};
  input = files[0];
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

// A file of our own for the job to the printer, removed whatever happens.
class TemporaryPdf {
 public:
  TemporaryPdf() {
    const char* dir = ::getenv("TMPDIR");
    std::string name = std::string(dir && *dir ? dir : "/tmp") + "/tessaro-print-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd >= 0) {
      ::close(fd);
      name_ = name;
    }
  }
  ~TemporaryPdf() {
    if (!name_.empty()) ::unlink(name_.c_str());
  }
  TemporaryPdf(const TemporaryPdf&) = delete;
  TemporaryPdf& operator=(const TemporaryPdf&) = delete;
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};

std::string sheetsText(int32_t n) { return n == 1 ? "1 Blatt" : std::to_string(n) + " Blätter"; }

}  // namespace

int deliver(const PrintTarget& target, const Paper& paper, const char* title, const PrintJobFn& job,
            const std::function<void(std::ostream&)>& describe, std::ostream& out, std::ostream& err) {
  TemporaryPdf spool;
  const std::string file = target.printer.empty() ? target.output : spool.name();
  if (file.empty()) return fail(err, kExitCannotPrint, "Für den Druckauftrag ließ sich keine Datei anlegen.");
  PdfPrintService pdf(file, paper.metrics);
  const PosterPrintResult result = job(pdf);
  if (result.status == PosterPrintResult::Status::NothingPrinted)
    return fail(err, kExitUnknown, "Alle Blätter sind ausgelassen; es gibt nichts zu drucken.");
  if (!result.ok()) {
    const std::string where = target.printer.empty() ? "„" + file + "“: " : "Druckdatei: ";
    return fail(err, target.printer.empty() ? kExitCannotWrite : kExitCannotPrint, where + result.message);
  }
  if (file == kStandardStream) {
    // Standard output holds the PDF; what it holds is told beside it.
    describe(err);
    err << sheetsText(result.pagesPrinted) << " auf die Standardausgabe geschrieben.\n";
    return kExitOk;
  }
  describe(out);
  if (target.printer.empty()) {
    out << sheetsText(result.pagesPrinted) << " in „" << file << "“ gespeichert.\n";
    return kExitOk;
  }
  std::string why;
  const int id = cups::printFile(target.printer, file, title, paper.media, why);
  if (id == 0) return fail(err, kExitCannotPrint, why);
  out << sheetsText(result.pagesPrinted) << " an " << target.printer << " gesendet (Auftrag " << id << ").\n";
  return kExitOk;
}

}  // namespace tessaro::cli
