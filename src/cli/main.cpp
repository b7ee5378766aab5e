// tessaro-cli: the picture library without the window, for scripts.
#include <exception>
#include <iostream>
#include <new>

#include "cli/Commands.h"

int main(int argc, char** argv) {
  using namespace tessaro::cli;
  try {
    const ParseResult parsed = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.error) {
      std::cerr << "tessaro-cli: " << parsed.error->message << "\nHilfe: tessaro-cli --help\n";
      return parsed.error->exitCode;
    }
    const int code = runCommand(parsed.line, std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout) {
      std::cerr << "tessaro-cli: Die Ausgabe konnte nicht geschrieben werden.\n";
      return kExitCannotWrite;
    }
    return code;
  } catch (const std::bad_alloc&) {
    std::cerr << "tessaro-cli: Nicht genug Arbeitsspeicher.\n";
  } catch (const std::exception& e) {
    std::cerr << "tessaro-cli: Unerwarteter Fehler: " << e.what() << '\n';
  }
  return kExitUnexpected;
}
