#include "layout/PassportPrintJob.h"

#include <algorithm>

#include "picture/DrawDib.h"

namespace tessaro {

namespace {

PosterPrintResult failed(const PrintService& printer, const char* fallback) {
  PosterPrintResult result;
  result.status = PosterPrintResult::Status::Failed;
  result.message = failureText(printer, fallback);
  return result;
}

}  // namespace

PosterPrintResult printPassport(PrintService& printer, const TDib& picture, PassSettings settings, int32_t passCount,
                                const PassProgressFn& progress) {
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
  for (const PassCopy& c : passPageLayout(settings, 0, 0, PW, PH)) {
    DrawDib(page, c.x, c.y, c.w, c.h, picture, 0, 0, DibWidth(picture), DibHeight(picture), false, SRCCOPY);
    // 100 is kept for the page gone to the printer.
    report(std::min(99, passProgress(++drawn, passCount)));
  }
  if (!printer.endDoc()) return failed(printer, "Der Druckauftrag konnte nicht abgeschlossen werden.");
  report(100);
  PosterPrintResult result;
  result.pagesPrinted = 1;
  return result;
}

}  // namespace tessaro
