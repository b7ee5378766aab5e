#pragma once
// The printer as the core sees it: page metrics and a document of pages to draw on.
#include <cstdint>
#include <string>

#include "picture/Device.h"

namespace tessaro {

struct PageMetrics {
  int32_t physicalWidth = 0;  // device pixels of the whole sheet
  int32_t physicalHeight = 0;
  int32_t offsetX = 0;  // unprintable border at the left and top
  int32_t offsetY = 0;
  int32_t dpiX = 0;
  int32_t dpiY = 0;
  int32_t pageWidth = 0;  // printable width and height (PW, PH)
  int32_t pageHeight = 0;
};

// A4 at 600 dpi, used when no printer is installed.
PageMetrics defaultA4Metrics();

class PrintService {
 public:
  virtual ~PrintService() = default;
  virtual PageMetrics metrics() const = 0;
  virtual void setTitle(const std::string& title) = 0;
  virtual bool beginDoc() = 0;
  virtual bool newPage() = 0;
  virtual bool endDoc() = 0;
  // Drops the open document: none of its pages are printed or kept.
  virtual void abortDoc() = 0;
  // The current page; valid between beginDoc and endDoc.
  virtual Device& page() = 0;
  // The file the last document was written to when it went to a file instead of a printer.
  virtual std::string jobFile() const { return {}; }
  // Why the last beginDoc, newPage or endDoc failed, in words for the user; empty when the
  // printer cannot say more than that it failed.
  virtual std::string failureReason() const { return {}; }
  // What the user should know about the last document although it was taken (a queue that keeps
  // it for now); empty when there is nothing to say.
  virtual std::string notice() const { return {}; }
};

// The printer's own reason when it has one, else what the job was doing when it failed.
std::string failureText(const PrintService& printer, const char* fallback);

}  // namespace tessaro
