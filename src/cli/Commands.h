#pragma once
// What tessaro-cli does for each command. Results go to `out`, German messages to `err`; the
// return value is the process's exit code.
#include <iosfwd>
#include <string>

#include "cli/CommandLine.h"

namespace tessaro::cli {

std::string helpText();
int runCommand(const CommandLine& line, std::ostream& out, std::ostream& err);

}  // namespace tessaro::cli
