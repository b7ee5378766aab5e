#pragma once
// The core's drawing surface over a QPainter: widgets, images and printer pages.
#include <QFont>
#include <QImage>
#include <QPen>
#include <QSize>
#include <cstdint>
#include <memory>
#include <string>

#include "picture/Device.h"
#include "platform/PictureCache.h"

class QPainter;

namespace tessaro {

// A compatible bitmap: an image the size of the picture, drawn with stretchBlt.
class QtDeviceBitmap : public DeviceBitmap {
 public:
  QtDeviceBitmap(int32_t w, int32_t h);
  int setDIBits(int32_t startScan, int32_t lines, const uint8_t* bits, const BitmapInfo& info) override;
  const QImage& image() const { return image_; }

 private:
  QImage image_;
};

class QtDevice : public Device {
 public:
  // The painter must stay alive, and active while anything is drawn.
  explicit QtDevice(QPainter& painter);

  uint32_t rasterCaps() const override;
  int bitsPerPixel() const override;

  void setSourcePicture(uint64_t id, uint64_t generation) override;
  int stretchDIBits(int32_t x, int32_t y, int32_t destW, int32_t destH, int32_t srcX, int32_t srcY, int32_t srcW,
                    int32_t srcH, const uint8_t* bits, const BitmapInfo& info, uint32_t rop) override;
  int setDIBitsToDevice(int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX, int32_t srcY, int32_t startScan,
                        int32_t numScans, const uint8_t* bits, const BitmapInfo& info) override;
  std::unique_ptr<DeviceBitmap> createCompatibleBitmap(int32_t w, int32_t h) override;
  bool stretchBlt(int32_t x, int32_t y, int32_t destW, int32_t destH, const DeviceBitmap& src, int32_t srcX,
                  int32_t srcY, int32_t srcW, int32_t srcH, uint32_t rop) override;

  const PaletteObject* selectPalette(const PaletteObject* palette) override;
  void realizePalette() override {}
  void setStretchMode(int mode) override { stretchMode_ = mode; }
  int stretchMode() const { return stretchMode_; }

  void setPen(Color color, PenStyle style) override;
  void setBrush(Color color) override;
  void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
  void rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
  void fillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color color) override;
  void setPixel(int32_t x, int32_t y, Color color) override;
  void fillDots(DotShape shape, std::span<const DotMark> marks, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                bool multiply) override;

  void setFontHeight(int32_t height) override;
  TextSize textExtent(const std::string& utf8) override;
  void textOut(int32_t x, int32_t y, const std::string& utf8) override;

  int32_t width() const override;
  int32_t height() const override;

  // Reports `area` as the device's size instead of the paint device's: for a page whose printable
  // area the painter was moved to. An empty size goes back to the paint device's.
  void setArea(QSize area) { area_ = area; }

  // True for printer and PDF pages: pictures go there at their own resolution and uncached.
  bool isPrinter() const;

  static PictureCacheStats cacheStats();
  static void clearCache();

 private:
  QPainter& painter_;
  QPen pen_;
  QColor brush_{Qt::white};
  QFont font_;
  const PaletteObject* palette_ = nullptr;
  int stretchMode_ = 0;
  QSize area_;
  uint64_t sourceId_ = 0;
  uint64_t sourceGeneration_ = 0;
};

}  // namespace tessaro
