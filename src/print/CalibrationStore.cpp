#include "print/CalibrationStore.h"

#include <charconv>

namespace tessaro {

namespace {

constexpr const char* kGroup = "Kalibrierung";

std::string keyOf(const std::string& queue, const char* direction) { return queue + "/" + direction; }

std::optional<double> factor(const SettingsFile& file, const std::string& queue, const char* direction) {
  const std::optional<std::string> text = file.value(kGroup, keyOf(queue, direction));
  double v = 0;
  if (!text) return std::nullopt;
  const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), v);
  if (ec != std::errc() || end != text->data() + text->size() || v < kMinCalibration || v > kMaxCalibration)
    return std::nullopt;
  return v;
}

std::string number(double v) {
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return ec == std::errc() ? std::string(buf, end) : "1";
}

std::optional<std::string> saved(const SettingsFile& file) {
  const FileError e = file.save();
  if (!e) return std::nullopt;
  return "Die Einstellungen ließen sich nicht speichern. " + describeFileError(e);
}

}  // namespace

std::optional<Calibration> CalibrationStore::load(const std::string& queue) const {
  const SettingsFile file(path_);
  const std::optional<double> h = factor(file, queue, "waagrecht"), v = factor(file, queue, "senkrecht");
  if (!h || !v) return std::nullopt;
  return Calibration{*h, *v};
}

std::optional<std::string> CalibrationStore::store(const std::string& queue, const Calibration& c) const {
  SettingsFile file(path_);
  file.setValue(kGroup, keyOf(queue, "waagrecht"), number(c.horizontal));
  file.setValue(kGroup, keyOf(queue, "senkrecht"), number(c.vertical));
  return saved(file);
}

std::optional<std::string> CalibrationStore::reset(const std::string& queue) const {
  SettingsFile file(path_);
  file.remove(kGroup, keyOf(queue, "waagrecht"));
  file.remove(kGroup, keyOf(queue, "senkrecht"));
  return saved(file);
}

}  // namespace tessaro
