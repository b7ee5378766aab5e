#include "common/FloatText.h"

#include <charconv>
#include <cmath>

namespace tessaro {

std::string floatText(Ext v, const FloatFormat& format) {
  if (std::isnan(v) || v < format.min) v = format.min;
  if (v > format.max) v = format.max;
  char buf[128];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, format.decimals);
  return ec == std::errc() ? std::string(buf, end) : std::string();
}

std::optional<Ext> parseFloat(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return std::nullopt;
  Ext v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

Ext floatValue(std::string_view text, const FloatFormat& format) { return parseFloat(text).value_or(format.min); }

std::string steppedText(std::string_view text, int steps, Ext step, const FloatFormat& format) {
  return floatText(floatValue(text, format) + steps * step, format);
}

}  // namespace tessaro
