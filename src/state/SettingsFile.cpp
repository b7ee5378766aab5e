#include "state/SettingsFile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "picture/AtomicFile.h"

namespace tessaro {

namespace {

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// The name of a "[section]" line; nothing for any other line.
std::optional<std::string_view> sectionOf(std::string_view line) {
  line = trimmed(line);
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
  return trimmed(line.substr(1, line.size() - 2));
}

// The escaped key of a "key=value" line; nothing for comments and other lines.
std::optional<std::string_view> keyOf(std::string_view line) {
  line = trimmed(line);
  const size_t eq = line.find('=');
  if (line.empty() || line.front() == ';' || line.front() == '#' || eq == std::string_view::npos) return std::nullopt;
  return trimmed(line.substr(0, eq));
}

// The code points of UTF-8 text; a stray byte stands for itself.
std::vector<char32_t> codePoints(std::string_view s) {
  std::vector<char32_t> out;
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const int more = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    char32_t c = more ? b & (0x3F >> more) : b;
    bool valid = i + more < s.size() + (more ? 0 : 1);
    for (int k = 1; valid && k <= more; ++k) {
      const auto n = static_cast<unsigned char>(s[i + k]);
      valid = (n & 0xC0) == 0x80;
      c = (c << 6) | (n & 0x3F);
    }
    if (!valid || (b & 0xC0) == 0x80) {
      out.push_back(b);
      ++i;
      continue;
    }
    out.push_back(c);
    i += more + 1;
  }
  return out;
}

}  // namespace

std::string settingsFilePath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  const std::string base = config && *config ? config : std::string(home ? home : "") + "/.config";
  return base + "/Tessaro/Tessaro.conf";
}

std::string iniEscapedKey(std::string_view key) {
  std::string out;
  char hex[8];
  for (const char32_t c : codePoints(key)) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
        c == '.') {
      out += static_cast<char>(c);
    } else if (c == '/') {
      out += '\\';
    } else if (c <= 0xFF) {
      std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned>(c));
      out += hex;
    } else if (c <= 0xFFFF) {
      std::snprintf(hex, sizeof hex, "%%U%04X", static_cast<unsigned>(c));
      out += hex;
    } else {
      // Beyond the basic plane QSettings escapes each half of the UTF-16 surrogate pair.
      const char32_t v = c - 0x10000;
      for (const char32_t unit : {0xD800 + (v >> 10), 0xDC00 + (v & 0x3FF)}) {
        std::snprintf(hex, sizeof hex, "%%U%04X", static_cast<unsigned>(unit));
        out += hex;
      }
    }
  }
  return out;
}

SettingsFile::SettingsFile(std::string path) : path_(std::move(path)) {
  std::ifstream in(path_, std::ios::binary);
  for (std::string line; std::getline(in, line);) lines_.push_back(line);
}

SettingsFile::Place SettingsFile::find(std::string_view section, std::string_view key) const {
  const std::string wantedSection = iniEscapedKey(section), wantedKey = iniEscapedKey(key);
  Place p;
  bool inside = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (const auto s = sectionOf(lines_[i])) {
      inside = *s == wantedSection;
      if (inside && !p.section) p.section = i;
    } else if (inside && keyOf(lines_[i])) {
      if (*keyOf(lines_[i]) == wantedKey) p.key = i;
      p.end = i + 1;
    }
  }
  if (p.section && p.end == 0) p.end = *p.section + 1;
  return p;
}

std::optional<std::string> SettingsFile::value(std::string_view section, std::string_view key) const {
  const Place p = find(section, key);
  if (!p.key) return std::nullopt;
  const std::string_view line = trimmed(lines_[*p.key]);
  return std::string(trimmed(line.substr(line.find('=') + 1)));
}

void SettingsFile::setValue(std::string_view section, std::string_view key, const std::string& value) {
  const Place p = find(section, key);
  const std::string line = iniEscapedKey(key) + "=" + value;
  if (p.key) {
    lines_[*p.key] = line;
  } else if (p.section) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(p.end), line);
  } else {
    if (!lines_.empty() && !trimmed(lines_.back()).empty()) lines_.emplace_back();
    std::string header(1, '[');
    header.append(iniEscapedKey(section)).push_back(']');
    lines_.push_back(header);
    lines_.push_back(line);
  }
}

void SettingsFile::remove(std::string_view section, std::string_view key) {
  const Place p = find(section, key);
  if (p.key) lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*p.key));
}

FileError SettingsFile::save() const {
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ignored);
  return replaceFile(path_, [this](OutputStream& out) {
    for (const std::string& line : lines_) {
      const std::string text = line + "\n";
      if (!out.write(text.data(), text.size())) return false;
    }
    return true;
  });
}

}  // namespace tessaro
