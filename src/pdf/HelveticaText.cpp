#include <algorithm>

#include "pdf/HelveticaMetrics.h"
#include "pdf/PdfWriter.h"
#include "print/GlueNotes.h"

namespace tessaro::helvetica {

namespace {

char winAnsiCode(int32_t u) {
  if ((u >= 0x20 && u < 0x7f) || (u >= 0xa0 && u <= 0xff)) return static_cast<char>(u);
  const auto* end = kWinAnsi80 + 32;
  const auto* it = u > 0 ? std::find(kWinAnsi80, end, static_cast<char16_t>(u)) : end;
  return it == end || u > 0xffff ? '?' : static_cast<char>(0x80 + (it - kWinAnsi80));
}

}  // namespace

std::string toWinAnsi(std::string_view utf8) {
  std::string out;
  for (const std::string& c : utf8Characters(utf8)) out += winAnsiCode(utf8CodePoint(c));
  return out;
}

int64_t advance(std::string_view winAnsi) {
  int64_t sum = 0;
  for (const char c : winAnsi) {
    const int code = static_cast<unsigned char>(c);
    if (code >= kFirstChar) sum += kWidths[code - kFirstChar];
  }
  return sum;
}

}  // namespace tessaro::helvetica
