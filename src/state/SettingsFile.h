#pragma once
// The window's settings file, read and written without Qt so that tessaro-cli shares it. The file
// is the INI text the window's QSettings keeps: sections, "key=value" lines, and keys escaped as
// QSettings escapes them. A change touches only its own line; every other line stays as it was.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "picture/FileError.h"

namespace tessaro {

// $XDG_CONFIG_HOME (else ~/.config) /Tessaro/Tessaro.conf.
std::string settingsFilePath();

// A key or section name as QSettings writes it: A-Z, a-z, 0-9, '_', '-' and '.' stay, '/' (a
// subkey) becomes '\', other characters up to U+00FF become %XX and the rest %UXXXX per UTF-16 unit.
std::string iniEscapedKey(std::string_view key);

class SettingsFile {
 public:
  // Reads the file; a missing one is empty.
  explicit SettingsFile(std::string path = settingsFilePath());

  // The value of `key` (unescaped, '/' between subkeys) in `section`.
  std::optional<std::string> value(std::string_view section, std::string_view key) const;
  void setValue(std::string_view section, std::string_view key, const std::string& value);
  void remove(std::string_view section, std::string_view key);
  // Replaces the file with the lines as they are now, creating its folder if need be.
  FileError save() const;

 private:
  // The line of `key` in `section`, and the end of the section's lines.
  struct Place {
    std::optional<size_t> section, key;
    size_t end = 0;
  };
  Place find(std::string_view section, std::string_view key) const;

  std::string path_;
  std::vector<std::string> lines_;
};

}  // namespace tessaro
