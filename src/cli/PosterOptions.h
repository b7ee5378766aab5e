#pragma once
// The options of `tessaro-cli poster`: the window's settings as words, checked before the
// picture is read.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "layout/PosterSetup.h"
#include "print/DotScreen.h"
#include "print/PosterPrintJob.h"
#include "state/MainState.h"

namespace tessaro::cli {

struct UsageError;

struct PosterJob {
  PosterSizeRequest size;
  GlueMargins glue;
  Options options;
  PrintOrder order = PrintOrder::Rows;
  std::vector<std::pair<int, int>> skip;  // column and row, counted from 1
  std::string output;                     // -o FILE
  std::string printer;                    // --printer QUEUE
  std::string paper;                      // empty: A4, or the printer's default
  int dpi = 0;                            // 0: 600, or the printer's default
  bool labels = false;                    // --labels: sheet labels on the glue strips
  bool overview = false;                  // --overview: an assembly page first
  bool ruler = false;                     // --ruler: a check ruler on each sheet's glue strip
  bool noCalibration = false;             // --no-calibration: the printer's stored factors do not apply
  std::optional<DotSettings> dots;        // --dots MM and --dot-*: a dot poster
};

// Reads the words after "poster": the input file and the options.
std::optional<UsageError> parsePosterWords(const std::vector<std::string>& args, size_t from, std::string& input,
                                           PosterJob& job);

// The lines of --help that describe the poster's options.
std::string posterOptionsHelp();

}  // namespace tessaro::cli
