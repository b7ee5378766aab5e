#include "print/PrintService.h"

#include "print/PaperSizes.h"

namespace tessaro {

PageMetrics defaultA4Metrics() { return paperMetrics(*findPaper("A4"), 600); }

std::string failureText(const PrintService& printer, const char* fallback) {
  std::string reason = printer.failureReason();
  return reason.empty() ? fallback : reason;
}

}  // namespace tessaro
