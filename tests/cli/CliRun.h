#pragma once
// Runs the real tessaro-cli as a script would: its exit code and both streams, in a folder of
// the test's own.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/ReferenceImage.h"

namespace tessaro::test {

struct CliRun {
  int code = -1;
  std::string out, err;
};

inline std::string readAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
}

inline std::string quoted(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs the program in `dir` with the given arguments and standard input, capturing both streams.
inline CliRun runCli(const std::filesystem::path& dir, const std::vector<std::string>& args,
                     const std::string& input = "/dev/null") {
  std::string command = "cd " + quoted(dir.string()) + " && " + quoted(TESSARO_CLI);
  for (const std::string& a : args) command += " " + quoted(a);
  command += " <" + quoted(input);
  const std::filesystem::path out = dir.parent_path() / (dir.filename().string() + ".out");
  const std::filesystem::path err = dir.parent_path() / (dir.filename().string() + ".err");
  command += " >" + quoted(out.string()) + " 2>" + quoted(err.string());
  const int status = std::system(command.c_str());
  CliRun r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = readAll(out);
  r.err = readAll(err);
  return r;
}

inline std::filesystem::path freshFolder(const std::string& name) {
  const std::filesystem::path dir = tempPath(name);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace tessaro::test
