#include "print/PaperSizes.h"

#include <algorithm>
#include <cctype>

#include "common/Numbers.h"

namespace tessaro {

namespace {

constexpr Ext kHundredthsMmPerInch = 2540;

int32_t dots(Ext hundredthsMm, int32_t dpi) { return Round(hundredthsMm * dpi / kHundredthsMmPerInch); }

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

}  // namespace

const std::vector<PaperSize>& paperSizes() {
  static const std::vector<PaperSize> sizes = {
      {"A4", 210, 297, "iso_a4_210x297mm"},
      {"A3", 297, 420, "iso_a3_297x420mm"},
      {"Letter", 215.9, 279.4, "na_letter_8.5x11in"},
      {"Legal", 215.9, 355.6, "na_legal_8.5x14in"},
  };
  return sizes;
}

const PaperSize* findPaper(std::string_view name) {
  const auto& sizes = paperSizes();
  const auto it = std::find_if(sizes.begin(), sizes.end(), [&](const PaperSize& p) { return sameName(p.name, name); });
  return it == sizes.end() ? nullptr : &*it;
}

PageMetrics mediaMetrics(int32_t width, int32_t length, int32_t left, int32_t top, int32_t right, int32_t bottom,
                         int32_t dpi) {
  PageMetrics m;
  m.dpiX = m.dpiY = dpi;
  m.physicalWidth = dots(width, dpi);
  m.physicalHeight = dots(length, dpi);
  m.offsetX = dots(left, dpi);
  m.offsetY = dots(top, dpi);
  m.pageWidth = m.physicalWidth - m.offsetX - dots(right, dpi);
  m.pageHeight = m.physicalHeight - m.offsetY - dots(bottom, dpi);
  return m;
}

PageMetrics paperMetrics(const PaperSize& paper, int32_t dpi) {
  PageMetrics m;
  m.dpiX = m.dpiY = dpi;
  m.physicalWidth = dots(static_cast<Ext>(paper.widthMm) * 100, dpi);
  m.physicalHeight = dots(static_cast<Ext>(paper.heightMm) * 100, dpi);
  m.offsetX = m.offsetY = Round(static_cast<Ext>(dpi) / 6);
  m.pageWidth = m.physicalWidth - 2 * m.offsetX;
  m.pageHeight = m.physicalHeight - 2 * m.offsetY;
  return m;
}

}  // namespace tessaro
