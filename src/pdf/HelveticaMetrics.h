#pragma once
// The standard Helvetica as a PDF viewer sets it from WinAnsiEncoding: advance widths and the
// cell, in thousandths of the font size (HelveticaMetrics.cpp is generated, see its script).
#include <cstdint>
#include <string>
#include <string_view>

namespace tessaro::helvetica {

inline constexpr int kFirstChar = 32;
inline constexpr int kLastChar = 255;
// Highest and lowest ink of the glyphs the encoding reaches, so a box of the cell covers them.
extern const int kAscent;
extern const int kDescent;
extern const uint16_t kWidths[kLastChar - kFirstChar + 1];
// The characters of codes 0x80 .. 0x9f; 0 where the encoding has none.
extern const char16_t kWinAnsi80[32];

// UTF-8 text as WinAnsi codes; characters the encoding lacks (and broken bytes) become '?'.
std::string toWinAnsi(std::string_view utf8);
// The advance of WinAnsi text in thousandths of the font size.
int64_t advance(std::string_view winAnsi);

}  // namespace tessaro::helvetica
