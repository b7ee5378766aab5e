#pragma once
// `tessaro-cli poster`: the window's print job without the window.
#include <iosfwd>

#include "cli/CommandLine.h"

namespace tessaro::cli {

int runPoster(const CommandLine& line, std::ostream& out, std::ostream& err);

}  // namespace tessaro::cli
