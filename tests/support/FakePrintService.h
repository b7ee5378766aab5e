#pragma once
// A printer for tests: records the title and the document calls, and gives every page its own
// device: a RasterDevice of the page size, or, for pages too big to keep as rasters, a device
// that only records the calls. Keep page metrics small to keep the tests small.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "print/PrintService.h"
#include "support/RasterDevice.h"

namespace tessaro::test {

// A page of `width` x `height` printable device pixels at `dpi` with `border` pixels round it.
// At 72 dpi a device pixel is a point, so pdftoppm -r 72 renders it pixel for pixel.
PageMetrics smallPage(int32_t width, int32_t height, int32_t border = 10, int32_t dpi = 72);

// A page that records the calls made on it and draws nothing.
class RecordingDevice : public Device {
 public:
  RecordingDevice(int32_t width, int32_t height) : width_(width), height_(height) {}
  const std::vector<DeviceCall>& calls() const { return calls_; }
  int count(const std::string& name) const;

  uint32_t rasterCaps() const override { return RC_STRETCHDIB; }
  int bitsPerPixel() const override { return 24; }
  int stretchDIBits(int32_t x, int32_t y, int32_t destW, int32_t destH, int32_t srcX, int32_t srcY, int32_t srcW,
                    int32_t srcH, const uint8_t* bits, const BitmapInfo& info, uint32_t rop) override;
  int setDIBitsToDevice(int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX, int32_t srcY, int32_t startScan,
                        int32_t numScans, const uint8_t* bits, const BitmapInfo& info) override;
  std::unique_ptr<DeviceBitmap> createCompatibleBitmap(int32_t, int32_t) override { return nullptr; }
  bool stretchBlt(int32_t, int32_t, int32_t, int32_t, const DeviceBitmap&, int32_t, int32_t, int32_t, int32_t,
                  uint32_t) override {
    return false;
  }
  const PaletteObject* selectPalette(const PaletteObject* palette) override;
  void realizePalette() override {}
  void setStretchMode(int) override {}
  void setPen(Color color, PenStyle style) override;
  void setBrush(Color color) override;
  void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
  void rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
  void fillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color color) override;
  void setPixel(int32_t x, int32_t y, Color color) override;
  void setFontHeight(int32_t height) override;
  TextSize textExtent(const std::string& utf8) override;
  void textOut(int32_t x, int32_t y, const std::string& utf8) override;
  int32_t width() const override { return width_; }
  int32_t height() const override { return height_; }

 private:
  void record(std::string name, std::vector<int64_t> args, std::string text = {});
  int32_t width_, height_;
  int32_t fontHeight_ = 16;
  const PaletteObject* palette_ = nullptr;
  std::vector<DeviceCall> calls_;
};

class FakePrintService : public PrintService {
 public:
  // Pages of more pixels than this are recorded, not rastered.
  static constexpr int64_t kMaxRasterPixels = 4'000'000;

  explicit FakePrintService(PageMetrics metrics, Color paper = kWhite) : metrics_(metrics), paper_(paper) {}

  // Failure injection: beginDoc fails; newPage fails when it would open page number
  // failNewPageAt (0-based, so 1 is the second page); endDoc fails.
  bool failBeginDoc = false;
  int failNewPageAt = -1;
  bool failEndDoc = false;
  // What failureReason() says about an injected failure.
  std::string reason;

  PageMetrics metrics() const override { return metrics_; }
  // Another printer or paper was chosen.
  void setMetrics(const PageMetrics& metrics) { metrics_ = metrics; }
  void setTitle(const std::string& title) override;
  bool beginDoc() override;
  bool newPage() override;
  bool endDoc() override;
  void abortDoc() override;
  std::string failureReason() const override { return reason; }
  // Throws when no document is open: drawing outside a document is a fault of the caller.
  Device& page() override;

  // Record.
  std::string title;
  std::vector<std::string> events;  // "title", "begin", "newPage", "end", "abort" in call order
  bool documentOpen() const { return open_; }
  size_t pageCount() const { return pages_.size(); }
  Device& pageDevice(size_t i) { return *pages_.at(i); }
  // The page as a raster; null when it was too big and only recorded.
  RasterDevice* rasterPage(size_t i) { return dynamic_cast<RasterDevice*>(pages_.at(i).get()); }

 private:
  void addPage();
  PageMetrics metrics_;
  Color paper_;
  bool open_ = false;
  std::vector<std::unique_ptr<Device>> pages_;
};

}  // namespace tessaro::test
