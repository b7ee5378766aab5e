#include "layout/PassportPrintJob.h"

#include <algorithm>

#include "picture/DrawDib.h"
#include "print/CheckRuler.h"

namespace tessaro {

namespace {

PosterPrintResult failed(const PrintService& printer, const char* fallback) {
  PosterPrintResult result;
  result.status = PosterPrintResult::Status::Failed;
  result.message = failureText(printer, fallback);
  return result;
}

// The bar below the lowest copies, level with the leftmost, centred in the room; none where the
// margin is too small.
void drawMarginRuler(Device& page, const PageMetrics& m, const std::vector<PassCopy>& copies) {
  if (copies.empty() || m.dpiX <= 0 || m.dpiY <= 0) return;
  int32_t left = m.pageWidth, bottom = 0;
  for (const PassCopy& c : copies) {
    left = std::min(left, c.x);
    bottom = std::max(bottom, c.y + c.h);
  }
  const int32_t room = m.pageHeight - bottom, height = rulerHeight(kMarginRuler, m.dpiY);
  const int32_t pad = std::max(1, room / 10);
  if (height > room - 2 * pad || left + rulerLength(kMarginRuler, m.dpiX) + 1 > m.pageWidth) return;
  drawCheckRuler(page, left, bottom + (room - height) / 2, kMarginRuler, m.dpiX, m.dpiY);
}

}  // namespace

PosterPrintResult printPassport(PrintService& printer, const TDib& picture, PassSettings settings, int32_t passCount,
                                const PassProgressFn& progress, bool checkRuler) {
  auto report = [&](int32_t percent) {
    if (progress) progress(percent);
  };
  report(0);
  printer.setTitle(kPassportJobTitle);
  if (!printer.beginDoc()) return failed(printer, "Der Druckauftrag konnte nicht begonnen werden.");
  const PageMetrics m = printer.metrics();
  const int32_t PW = m.pageWidth, PH = m.pageHeight;
  Device& page = printer.page();
  page.setBrush(kWhite);
  page.setPen(kWhite, PenStyle::Solid);
  page.rectangle(0, 0, PW, PH);
  settings.PassHeight = static_cast<double>(passHeight(picture, settings.PassWidth, PW, PH));
  int32_t drawn = 0;
  const std::vector<PassCopy> copies = passPageLayout(settings, 0, 0, PW, PH);
  for (const PassCopy& c : copies) {
    DrawDib(page, c.x, c.y, c.w, c.h, picture, 0, 0, DibWidth(picture), DibHeight(picture), false, SRCCOPY);
    // 100 is kept for the page gone to the printer.
    report(std::min(99, passProgress(++drawn, passCount)));
  }
  if (checkRuler) drawMarginRuler(page, m, copies);
  if (!printer.endDoc()) return failed(printer, "Der Druckauftrag konnte nicht abgeschlossen werden.");
  report(100);
  PosterPrintResult result;
  result.pagesPrinted = 1;
  return result;
}

}  // namespace tessaro
