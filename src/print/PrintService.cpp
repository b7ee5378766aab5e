#include "print/PrintService.h"

#include "print/PaperSizes.h"

namespace tessaro {

PageMetrics defaultA4Metrics() { return paperMetrics(*findPaper("A4"), 600); }

}  // namespace tessaro
