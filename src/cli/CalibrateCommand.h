#pragma once
// `tessaro-cli calibrate`: prints a printer's calibration page, or stores (or removes) the
// correction worked out from its measured bars.
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/PrintTarget.h"

namespace tessaro::cli {

struct CommandLine;
struct UsageError;

struct CalibrateJob {
  PrintTarget target;    // the printer, and the paper the page is laid out on
  std::string measured;  // --measured H,V: the bars' lengths in mm; empty: print the page
  bool reset = false;    // --reset: remove the printer's correction
};

// Reads the words after "calibrate".
std::optional<UsageError> parseCalibrateWords(const std::vector<std::string>& args, size_t from, CalibrateJob& job);
// The lines of --help that describe the command.
std::string calibrateHelp();
int runCalibrate(const CommandLine& line, std::ostream& out, std::ostream& err);

}  // namespace tessaro::cli
