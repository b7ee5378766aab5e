#pragma once
// What tessaro-cli does for each command. Results go to `out`, German messages to `err`; the
// return value is the process's exit code.
#include <iosfwd>
#include <string>

#include "cli/CommandLine.h"
#include "picture/Dib.h"

namespace tessaro::cli {

std::string helpText();
// Writes "tessaro-cli: message" to `err` and returns `code`: every message names the program, so
// a script's log shows who complained.
int fail(std::ostream& err, int code, const std::string& message);
// The picture in the input file, or an empty one after a message, with `code` set to
// kExitBadInput; a damaged file only with --accept-damaged. A picture loaded `onlyIntoPdf` must
// go unchanged into a PDF and nowhere else (see openDibForPdf): its file's own data may stand in
// for pixels never stored.
TDib load(const CommandLine& line, std::ostream& err, int& code, bool onlyIntoPdf = false);
int runCommand(const CommandLine& line, std::ostream& out, std::ostream& err);

}  // namespace tessaro::cli
