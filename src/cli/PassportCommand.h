#pragma once
// `tessaro-cli passport`: one page of equal copies of the picture, as the tab "Paßbilder" prints it.
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli/PrintTarget.h"
#include "layout/PassportLayout.h"

namespace tessaro::cli {

struct CommandLine;
struct UsageError;

struct PassportJob {
  Ext width = 0.2L;                 // --width: fraction of the page width
  const PhotoSize* size = nullptr;  // --size: the width that prints this many millimetres
  bool fitCrop = false;             // --fit-crop: first crop the picture's middle to the size's shape
  bool ruler = false;               // --ruler: a check ruler in the bottom margin
  Ext gap = 0.02L;                  // --gap
  Ext margin = 0.05L;               // --margin
  PrintTarget target;
};

// Reads the words after "passport": the input file and the options.
std::optional<UsageError> parsePassportWords(const std::vector<std::string>& args, size_t from, std::string& input,
                                             PassportJob& job);
// The lines of --help that describe the command.
std::string passportHelp();
int runPassport(const CommandLine& line, std::ostream& out, std::ostream& err);

}  // namespace tessaro::cli
