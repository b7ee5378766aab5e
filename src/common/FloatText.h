#pragma once
// The number edits of the window keep their text as the truth: a value written into one becomes
// text with a fixed count of decimals, reading one parses its text in extended precision, and an
// arrow step writes the rounded text of the stepped value. These are the rules, without Qt, so
// the window's edits and the core's stand-ins for them agree to the last digit.
#include <optional>
#include <string>
#include <string_view>

#include "common/Numbers.h"

namespace tessaro {

struct FloatFormat {
  Ext min = 0;
  Ext max = 0;
  int decimals = 8;
};

// `v` clamped to the range, in fixed notation with a point.
std::string floatText(Ext v, const FloatFormat& format);
// The number in the text (spaces around it and a leading '+' allowed); nothing for anything else.
std::optional<Ext> parseFloat(std::string_view text);
// What an edit holding `text` reads: its number, not clamped, or the minimum for text that is no
// number.
Ext floatValue(std::string_view text, const FloatFormat& format);
// The text after `steps` arrow clicks of `step` on an edit holding `text`.
std::string steppedText(std::string_view text, int steps, Ext step, const FloatFormat& format);

}  // namespace tessaro
