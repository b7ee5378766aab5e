#include "support/FakePrintService.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "print/GlueNotes.h"

namespace tessaro::test {

PageMetrics smallPage(int32_t width, int32_t height, int32_t border, int32_t dpi) {
  PageMetrics m;
  m.dpiX = m.dpiY = dpi;
  m.offsetX = m.offsetY = border;
  m.pageWidth = width;
  m.pageHeight = height;
  m.physicalWidth = width + 2 * border;
  m.physicalHeight = height + 2 * border;
  return m;
}

int RecordingDevice::count(const std::string& name) const {
  return static_cast<int>(
      std::count_if(calls_.begin(), calls_.end(), [&](const DeviceCall& c) { return c.name == name; }));
}

void RecordingDevice::record(std::string name, std::vector<int64_t> args, std::string text) {
  DeviceCall call;
  call.name = std::move(name);
  call.args = std::move(args);
  call.text = std::move(text);
  call.palette = palette_;
  calls_.push_back(std::move(call));
}

int RecordingDevice::stretchDIBits(int32_t x, int32_t y, int32_t destW, int32_t destH, int32_t srcX, int32_t srcY,
                                   int32_t srcW, int32_t srcH, const uint8_t*, const BitmapInfo& info, uint32_t rop) {
  record("stretchDIBits", {x, y, destW, destH, srcX, srcY, srcW, srcH, rop});
  calls_.back().dibWidth = info.bmiHeader.biWidth;
  calls_.back().dibHeight = info.bmiHeader.biHeight;
  calls_.back().dibBitCount = info.bmiHeader.biBitCount;
  return srcH;
}

int RecordingDevice::setDIBitsToDevice(int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX, int32_t srcY,
                                       int32_t startScan, int32_t numScans, const uint8_t*, const BitmapInfo&) {
  record("setDIBitsToDevice", {x, y, w, h, srcX, srcY, startScan, numScans});
  return numScans;
}

const PaletteObject* RecordingDevice::selectPalette(const PaletteObject* palette) {
  record("selectPalette", {});
  return std::exchange(palette_, palette);
}

void RecordingDevice::setPen(Color color, PenStyle style) { record("setPen", {color, static_cast<int64_t>(style)}); }
void RecordingDevice::setBrush(Color color) { record("setBrush", {color}); }
void RecordingDevice::line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) { record("line", {x1, y1, x2, y2}); }
void RecordingDevice::rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  record("rectangle", {x1, y1, x2, y2});
}
void RecordingDevice::fillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color color) {
  record("fillRect", {x1, y1, x2, y2, color});
}
void RecordingDevice::setPixel(int32_t x, int32_t y, Color color) { record("setPixel", {x, y, color}); }
void RecordingDevice::setFontHeight(int32_t height) {
  record("setFontHeight", {height});
  fontHeight_ = height;
}

TextSize RecordingDevice::textExtent(const std::string& utf8) {
  record("textExtent", {}, utf8);
  // Same character cells as RasterDevice, so tests can reason about either page alike.
  const auto n = static_cast<int32_t>(utf8Characters(utf8).size());
  return {n * std::max(1, fontHeight_ / 2), fontHeight_};
}

void RecordingDevice::textOut(int32_t x, int32_t y, const std::string& utf8) { record("textOut", {x, y}, utf8); }

void FakePrintService::setTitle(const std::string& t) {
  title = t;
  events.push_back("title");
}

void FakePrintService::addPage() {
  const int32_t w = metrics_.pageWidth, h = metrics_.pageHeight;
  if (static_cast<int64_t>(w) * h <= kMaxRasterPixels) {
    pages_.push_back(std::make_unique<RasterDevice>(w, h, paper_));
  } else {
    pages_.push_back(std::make_unique<RecordingDevice>(w, h));
  }
}

bool FakePrintService::beginDoc() {
  events.push_back("begin");
  if (failBeginDoc || open_) return false;
  open_ = true;
  addPage();
  return true;
}

bool FakePrintService::newPage() {
  events.push_back("newPage");
  if (!open_ || static_cast<int>(pages_.size()) == failNewPageAt) return false;
  addPage();
  return true;
}

bool FakePrintService::endDoc() {
  events.push_back("end");
  if (!open_) return false;
  open_ = false;
  return !failEndDoc;
}

void FakePrintService::abortDoc() {
  events.push_back("abort");
  open_ = false;
}

Device& FakePrintService::page() {
  if (!open_ || pages_.empty()) throw std::logic_error("no open print document");
  return *pages_.back();
}

}  // namespace tessaro::test
