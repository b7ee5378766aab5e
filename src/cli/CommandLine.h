#pragma once
// The command line of tessaro-cli, parsed into plain values before any file is touched, so a
// mistyped call fails at once instead of after a long load.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/CalibrateCommand.h"
#include "cli/PassportCommand.h"
#include "cli/PosterOptions.h"
#include "depth/ColourDepth.h"
#include "picture/PictureMetadata.h"

namespace tessaro::cli {

// Exit codes, as --help lists them; scripts tell the failures apart by them.
enum ExitCode : int {
  kExitOk = 0,
  kExitUnexpected = 1,       // an error the program did not foresee
  kExitUnknown = 2,          // unknown command, option, argument or format
  kExitMissingArgument = 3,  // a file name or an option's value is missing
  kExitBadInput = 4,         // the input file is missing, unreadable or damaged
  kExitCannotWrite = 5,      // the output file could not be written
  kExitCannotPrint = 6,      // the printer is unknown or refused the job
};

// One step of convert between reading and writing, with its option's values.
struct Operation {
  std::string option;
  std::vector<std::string> values;
};

enum class Command { Help, Info, Convert, Poster, Passport, Calibrate };

struct CommandLine {
  Command command = Command::Help;
  std::string input;
  std::string output;
  int32_t format = 0;                 // save format of convert, resolved from --format or OUT
  std::vector<Operation> operations;  // in the order given
  PosterJob poster;                   // the settings of poster
  PassportJob passport;               // the settings of passport
  CalibrateJob calibrate;             // the settings of calibrate
  bool acceptDamaged = false;         // --accept-damaged: read a picture despite damaged data
  ReadOptions read;                   // --no-auto-orient, --ignore-profile
};

struct UsageError {
  int exitCode = kExitUnknown;
  std::string message;  // German, without the program's name
};

struct ParseResult {
  CommandLine line;
  std::optional<UsageError> error;
};

ParseResult parseCommandLine(const std::vector<std::string>& args);

// "Ungültiger Wert „value“ für option: erwartet expected.", exit code 2.
UsageError badValue(const std::string& option, const std::string& value, const std::string& expected);

// The reduction settings that apply to every --depth step of convert (the last of each option
// given counts; the reduction dialog's preselection otherwise). The target depth is the step's.
DepthOptions depthSettings(const std::vector<Operation>& operations);
// Whether the option is a setting of other steps rather than a step itself.
bool isStepSetting(const std::string& option);

// The save format a --format value names: its number or an extension with or without the dot.
std::optional<int32_t> formatFromOption(const std::string& value);
// The save format of a file name's extension (case ignored); nothing for an unknown one.
std::optional<int32_t> formatFromFileName(const std::string& fileName);

}  // namespace tessaro::cli
