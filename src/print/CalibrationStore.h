#pragma once
// Each printer queue's calibration, kept in the program's settings file (group "Kalibrierung",
// keys "<queue>/waagrecht" and "<queue>/senkrecht"), where the window and tessaro-cli both find it.
#include <optional>
#include <string>

#include "print/Calibration.h"
#include "state/SettingsFile.h"

namespace tessaro {

class CalibrationStore {
 public:
  explicit CalibrationStore(std::string path = settingsFilePath()) : path_(std::move(path)) {}

  // The queue's factors; nothing when none are stored or they are not a calibration.
  std::optional<Calibration> load(const std::string& queue) const;
  // Stores or removes the queue's factors; the German reason when the file could not be written.
  std::optional<std::string> store(const std::string& queue, const Calibration& calibration) const;
  std::optional<std::string> reset(const std::string& queue) const;

 private:
  std::string path_;
};

}  // namespace tessaro
