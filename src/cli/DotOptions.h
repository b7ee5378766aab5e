#pragma once
// The dot poster's options of `tessaro-cli poster`: --dots MM and the --dot-* settings that go
// with it, read into the settings of the window's "Punkteraster".
#include <optional>
#include <string>

#include "print/DotScreen.h"

namespace tessaro::cli {

struct UsageError;

// What the words said about dots so far.
struct DotWords {
  DotSettings settings;
  bool dots = false;         // --dots was given
  std::string firstSetting;  // the first --dot-* option, to name it when --dots is missing
};

bool isDotOption(const std::string& option);
// Reads one option's value into `words`; a malformed value is refused at once.
std::optional<UsageError> applyDotOption(const std::string& option, const std::string& value, DotWords& words);
// The settings once all words are read: none without --dots; refused when a --dot-* option
// came without it or a value is out of range.
std::optional<UsageError> finishDotOptions(const DotWords& words, std::optional<DotSettings>& dots);

// The lines of --help that describe them.
std::string dotOptionsHelp();

}  // namespace tessaro::cli
