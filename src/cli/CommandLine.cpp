#include "cli/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <string_view>

#include "picture/CodecRegistry.h"

namespace tessaro::cli {

namespace {

// A whole number in [lo, hi] as the only value of an operation, or the German refusal.
template <int lo, int hi>
std::optional<UsageError> wholeNumberIn(const Operation& op) {
  const std::string& text = op.values.front();
  int v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec == std::errc() && end == text.data() + text.size() && v >= lo && v <= hi) return std::nullopt;
  return UsageError{kExitUnknown, "Ungültiger Wert „" + text + "“ für " + op.option +
                                      ": erwartet eine ganze Zahl von " + std::to_string(lo) + " bis " +
                                      std::to_string(hi) + "."};
}

// The options convert runs as steps between reading and writing, with how many values each
// takes and the check of those values before any file is read. Each operation adds its row here
// and its step in Commands.cpp.
struct OperationOption {
  std::string_view option;
  int values;
  std::optional<UsageError> (*check)(const Operation&) = nullptr;
};
const std::vector<OperationOption>& operationOptions() {
  static const std::vector<OperationOption> known{
      {"--brightness", 1, wholeNumberIn<-127, 127>},  // the dialog's slider ranges
      {"--contrast", 1, wholeNumberIn<0, 200>},
  };
  return known;
}

const OperationOption* findOperation(const std::string& option) {
  const auto& known = operationOptions();
  const auto it =
      std::find_if(known.begin(), known.end(), [&](const OperationOption& s) { return s.option == option; });
  return it == known.end() ? nullptr : &*it;
}

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::optional<int32_t> formatFromExtension(std::string ext) {
  ext = lower(std::move(ext));
  if (!ext.starts_with('.')) ext = "." + ext;
  // The long spellings people use for the two formats whose entries carry a short one.
  if (ext == ".jpeg") return kFormatJpg;
  if (ext == ".tiff") return kFormatTif;
  for (const SaveEntry& e : saveEntries())
    if (e.extension == ext) return e.format;
  return std::nullopt;
}

UsageError unknownOption(const std::string& arg) { return {kExitUnknown, "Unbekannte Option „" + arg + "“."}; }
UsageError missingValue(const std::string& option) {
  return {kExitMissingArgument, "Der Option „" + option + "“ fehlt ihr Wert."};
}

bool isOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

// Splits the words after the command into file names, options and operation steps.
struct Words {
  std::vector<std::string> files;
  std::optional<std::string> format;
  std::vector<Operation> operations;
};

std::optional<UsageError> splitWords(const std::vector<std::string>& args, size_t from, Words& words) {
  bool onlyFiles = false;
  for (size_t i = from; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (onlyFiles || !isOption(arg)) {
      words.files.push_back(arg);
    } else if (arg == "--") {
      onlyFiles = true;  // names that begin with a dash follow
    } else if (arg == "--format") {
      if (i + 1 >= args.size()) return missingValue(arg);
      words.format = args[++i];
    } else if (arg.starts_with("--format=")) {
      words.format = arg.substr(9);
    } else if (const OperationOption* known = findOperation(arg)) {
      Operation op{arg, {}};
      for (int v = 0; v < known->values; ++v) {
        if (i + 1 >= args.size()) return missingValue(arg);
        op.values.push_back(args[++i]);
      }
      if (known->check)
        if (auto error = known->check(op)) return error;
      words.operations.push_back(std::move(op));
    } else {
      return unknownOption(arg);
    }
  }
  return std::nullopt;
}

std::optional<UsageError> expectFiles(const Words& words, size_t count, const std::string& names) {
  if (words.files.size() < count) return UsageError{kExitMissingArgument, "Es fehlt " + names + "."};
  if (words.files.size() > count)
    return UsageError{kExitUnknown, "Unerwartetes Argument „" + words.files[count] + "“."};
  return std::nullopt;
}

std::optional<UsageError> parseInfo(const Words& words, CommandLine& line) {
  if (words.format) return unknownOption("--format");
  if (!words.operations.empty()) return unknownOption(words.operations.front().option);
  if (auto error = expectFiles(words, 1, "der Name der Bilddatei")) return error;
  line.input = words.files[0];
  return std::nullopt;
}

std::optional<UsageError> parseConvert(const Words& words, CommandLine& line) {
  if (auto error = expectFiles(
          words, 2, words.files.empty() ? "der Name der Eingabe- und der Ausgabedatei" : "der Name der Ausgabedatei")) {
    return error;
  }
  line.input = words.files[0];
  line.output = words.files[1];
  line.operations = words.operations;
  const auto format = words.format ? formatFromOption(*words.format) : formatFromFileName(line.output);
  if (!format) {
    if (words.format) return UsageError{kExitUnknown, "Unbekanntes Format „" + *words.format + "“."};
    return UsageError{kExitUnknown, "Die Endung von „" + line.output +
                                        "“ passt zu keinem Speicherformat; bitte mit --format eines wählen."};
  }
  line.format = *format;
  return std::nullopt;
}

}  // namespace

std::optional<int32_t> formatFromOption(const std::string& value) {
  const bool digits =
      !value.empty() && std::all_of(value.begin(), value.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
  if (!digits) return formatFromExtension(value);
  for (const SaveEntry& e : saveEntries())
    if (std::to_string(e.format) == value) return e.format;
  return std::nullopt;
}

std::optional<int32_t> formatFromFileName(const std::string& fileName) {
  const std::string ext = std::filesystem::path(fileName).extension().string();
  if (ext.empty()) return std::nullopt;
  return formatFromExtension(ext);
}

ParseResult parseCommandLine(const std::vector<std::string>& args) {
  ParseResult result;
  // Help wins wherever it stands, as long as no "--" made it a file name.
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "-h" || arg == "--help") return result;
  }
  if (args.empty()) return result;
  const std::string& command = args[0];
  if (command == "info") {
    result.line.command = Command::Info;
  } else if (command == "convert") {
    result.line.command = Command::Convert;
  } else if (command == "poster") {
    result.line.command = Command::Poster;
    result.error = parsePosterWords(args, 1, result.line.input, result.line.poster);
    return result;
  } else {
    result.error =
        isOption(command) ? unknownOption(command) : UsageError{kExitUnknown, "Unbekannter Befehl „" + command + "“."};
    return result;
  }
  Words words;
  result.error = splitWords(args, 1, words);
  if (!result.error)
    result.error =
        result.line.command == Command::Info ? parseInfo(words, result.line) : parseConvert(words, result.line);
  return result;
}

}  // namespace tessaro::cli
