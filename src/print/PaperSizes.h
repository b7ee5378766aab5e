#pragma once
// Named paper sizes for printing without a printer (PDF files, the command line): the page
// metrics a printer of that paper at a given resolution would report.
#include <string>
#include <string_view>
#include <vector>

#include "print/PrintService.h"

namespace tessaro {

struct PaperSize {
  std::string_view name;       // as the user writes it: "A4"
  double widthMm, heightMm;    // portrait
  std::string_view mediaName;  // the print system's self-describing name
};

const std::vector<PaperSize>& paperSizes();
// The paper of that name, case ignored; null for an unknown one.
const PaperSize* findPaper(std::string_view name);
// The sheet at `dpi` with an unprintable border of 1/6 inch all round, as common laser printers
// report it.
PageMetrics paperMetrics(const PaperSize& paper, int32_t dpi);
// Sheet and margins given in hundredths of a millimetre, as the print system states media.
PageMetrics mediaMetrics(int32_t width, int32_t length, int32_t left, int32_t top, int32_t right, int32_t bottom,
                         int32_t dpi);

}  // namespace tessaro
