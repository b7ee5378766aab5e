#pragma once
// Where a print job of tessaro-cli goes: a PDF file or a printer queue.
// Shared by the commands that print pages.
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "print/PosterPrintJob.h"
#include "print/PrintService.h"

namespace tessaro::cli {

struct UsageError;

struct PrintTarget {
  std::string output;   // -o FILE
  std::string printer;  // --printer QUEUE
  std::string paper;    // empty: A4, or the printer's default
  int dpi = 0;          // 0: 600, or the printer's default
  bool calibrated = true;  // a printer's stored calibration applies (--no-calibration: not)
};

// How a print command reads its words: switches stand alone, other options take a value
// ("--name value" or "--name=value"). `apply` gets each option with its value, empty for a switch.
struct OptionWords {
  std::function<bool(const std::string&)> isSwitch;
  std::function<bool(const std::string&)> takesValue;
  std::function<std::optional<UsageError>(const std::string& option, const std::string& value)> apply;
};
// Reads the words after the command: the one input file and the options; "--" makes every later
// word a file name. Null `input`: the command takes no file.
std::optional<UsageError> readPrintWords(const std::vector<std::string>& args, size_t from, const OptionWords& words,
                                         std::string* input);

// Exactly one of file and printer, and a paper known without a printer.
std::optional<UsageError> checkTarget(const PrintTarget& target);

struct Paper {
  PageMetrics metrics;
  std::string media;  // for the printer
};
// The page the job is laid out on; nothing after a message, with `code` set.
std::optional<Paper> choosePaper(const PrintTarget& target, std::ostream& err, int& code);

// Makes the pages with `job` into the file, or sends them to the printer as one job, scaled by
// the printer's calibration where one is stored and the target is `calibrated`.
// `describe` tells what the pages hold once they are made. A job that the queue keeps for now is
// reported on `err` and still counts as done. Returns the exit code.
using PrintJobFn = std::function<PosterPrintResult(PrintService&)>;
int deliver(const PrintTarget& target, const Paper& paper, const PrintJobFn& job,
            const std::function<void(std::ostream&)>& describe, std::ostream& out, std::ostream& err);

}  // namespace tessaro::cli
