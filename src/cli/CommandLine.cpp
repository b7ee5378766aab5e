#include "cli/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <string_view>

#include "picture/CodecRegistry.h"
#include "retouch/Filters.h"

namespace tessaro::cli {

UsageError badValue(const std::string& option, const std::string& value, const std::string& expected) {
  return {kExitUnknown, "Ungültiger Wert „" + value + "“ für " + option + ": erwartet " + expected + "."};
}

namespace {

// Whole numbers separated by commas, each at least `lo` and at most 32767 (the size dialog's
// limit); nothing when the text is anything else.
std::optional<std::vector<int32_t>> numbers(const std::string& text, int32_t lo) {
  std::vector<int32_t> values;
  for (size_t from = 0; from <= text.size();) {
    const size_t comma = std::min(text.find(',', from), text.size());
    int32_t v = 0;
    const auto [end, ec] = std::from_chars(text.data() + from, text.data() + comma, v);
    if (ec != std::errc() || end != text.data() + comma || v < lo || v > 32767) return std::nullopt;
    values.push_back(v);
    from = comma + 1;
  }
  return values;
}

// The picture operations, checked here so that a mistyped value fails before the file is read.
std::optional<UsageError> checkCrop(const std::string& o, const std::string& v) {
  const auto n = numbers(v, 0);
  if (n && n->size() == 4 && (*n)[2] > 0 && (*n)[3] > 0) return std::nullopt;
  return badValue(o, v, "X,Y,B,H in Pixeln ab der linken oberen Ecke, B und H mindestens 1");
}
std::optional<UsageError> checkFlip(const std::string& o, const std::string& v) {
  return v == "h" || v == "v" ? std::nullopt : std::optional(badValue(o, v, "h oder v"));
}
std::optional<UsageError> checkRotate(const std::string& o, const std::string& v) {
  return v == "left" || v == "right" ? std::nullopt : std::optional(badValue(o, v, "left oder right"));
}
std::optional<UsageError> checkResize(const std::string& o, const std::string& v) {
  const auto n = numbers(v, 1);
  if (n && n->size() <= 2) return std::nullopt;
  return badValue(o, v, "B,H oder B in Pixeln, je 1 bis 32767");
}
std::optional<UsageError> checkDepth(const std::string& o, const std::string& v) {
  return v == "1" || v == "4" || v == "8" || v == "24" ? std::nullopt
                                                       : std::optional(badValue(o, v, "1, 4, 8 oder 24"));
}
std::optional<UsageError> checkFilter(const std::string& o, const std::string& v) {
  return findFilter(v) >= 0 ? std::nullopt : std::optional(badValue(o, v, "ein Filtername oder 1 bis 14"));
}
std::optional<UsageError> checkPalette(const std::string& o, const std::string& v) {
  return v == "optimised" || v == "standard" ? std::nullopt : std::optional(badValue(o, v, "optimised oder standard"));
}
std::optional<UsageError> checkMethod(const std::string& o, const std::string& v) {
  return v == "nearest" || v == "ordered" || v == "fs" ? std::nullopt
                                                       : std::optional(badValue(o, v, "nearest, ordered oder fs"));
}
// A whole number in [lo, hi]: the ranges of the brightness dialog's sliders.
template <int lo, int hi>
std::optional<UsageError> wholeNumberIn(const std::string& o, const std::string& v) {
  int n = 0;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
  if (ec == std::errc() && end == v.data() + v.size() && n >= lo && n <= hi) return std::nullopt;
  return badValue(o, v, "eine ganze Zahl von " + std::to_string(lo) + " bis " + std::to_string(hi));
}

// The options convert runs as steps between reading and writing, with how many values each
// takes and the check of its value; each new operation adds its row here and its step in
// Commands.cpp.
struct OperationOption {
  std::string_view option;
  int values;
  std::optional<UsageError> (*check)(const std::string& option, const std::string& value) = nullptr;
};
const std::vector<OperationOption>& operationOptions() {
  static const std::vector<OperationOption> known{
      {"--crop", 1, checkCrop},
      {"--flip", 1, checkFlip},
      {"--rotate", 1, checkRotate},
      {"--resize", 1, checkResize},
      {"--interpolate", 0},
      {"--no-interpolate", 0},
      {"--brightness", 1, wholeNumberIn<-127, 127>},
      {"--contrast", 1, wholeNumberIn<0, 200>},
      {"--depth", 1, checkDepth},
      {"--filter", 1, checkFilter},
      {"--palette", 1, checkPalette},
      {"--method", 1, checkMethod},
      {"--system-colours", 0},
      {"--no-system-colours", 0},
      {"--dpi", 1, wholeNumberIn<1, 10000>},
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
        if (auto error = known->check(arg, op.values.back())) return error;
      }
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
  // The reduction dialog offers ordered dither only beside the standard palette.
  const DepthOptions depth = depthSettings(line.operations);
  if (depth.method == DepthMethod::Ordered && depth.optimisedPalette)
    return UsageError{kExitUnknown, "--method ordered geht nur mit --palette standard, wie im Dialog."};
  if (!words.format && line.output == kStandardStream)
    return UsageError{kExitUnknown, "Für die Standardausgabe („-“) bitte mit --format ein Speicherformat wählen."};
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

DepthOptions depthSettings(const std::vector<Operation>& operations) {
  DepthOptions o;
  for (const Operation& op : operations) {
    if (op.option == "--palette") o.optimisedPalette = op.values[0] == "optimised";
    if (op.option == "--method")
      o.method = op.values[0] == "nearest"
                     ? DepthMethod::Nearest
                     : (op.values[0] == "ordered" ? DepthMethod::Ordered : DepthMethod::FloydSteinberg);
    if (op.option == "--system-colours" || op.option == "--no-system-colours")
      o.systemColours = op.option == "--system-colours";
  }
  return o;
}

bool isStepSetting(const std::string& option) {
  return option == "--interpolate" || option == "--no-interpolate" || option == "--palette" || option == "--method" ||
         option == "--system-colours" || option == "--no-system-colours" || option == "--dpi";
}

ParseResult parseCommandLine(const std::vector<std::string>& given) {
  ParseResult result;
  // Help wins wherever it stands, as long as no "--" made it a file name; the options of reading
  // a picture are taken out before the command's own words are read, as every command reads one.
  std::vector<std::string> args;
  bool onlyFiles = false;
  for (size_t i = 0; i < given.size(); ++i) {
    const std::string& arg = given[i];
    onlyFiles = onlyFiles || arg == "--";
    if (!onlyFiles && (arg == "-h" || arg == "--help")) return result;
    if (!onlyFiles && arg == "--accept-damaged") {
      result.line.acceptDamaged = true;
    } else if (!onlyFiles && arg == "--no-auto-orient") {
      result.line.read.autoOrient = false;
    } else if (!onlyFiles && arg == "--ignore-profile") {
      result.line.read.useProfile = false;
    } else if (!onlyFiles && (arg == "--page" || arg.starts_with("--page="))) {
      if (arg == "--page" && i + 1 >= given.size()) {
        result.error = missingValue(arg);
        return result;
      }
      const std::string value = arg == "--page" ? given[++i] : arg.substr(7);
      // Any whole number: a page the file does not have is the file's refusal.
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), result.line.read.page);
      if (value.empty() || ec != std::errc() || end != value.data() + value.size()) {
        result.error = badValue("--page", value, "eine Seitenzahl ab 1");
        return result;
      }
    } else {
      args.push_back(arg);
    }
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
  } else if (command == "passport") {
    result.line.command = Command::Passport;
    result.error = parsePassportWords(args, 1, result.line.input, result.line.passport);
    return result;
  } else if (command == "calibrate") {
    result.line.command = Command::Calibrate;
    result.error = parseCalibrateWords(args, 1, result.line.calibrate);
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
