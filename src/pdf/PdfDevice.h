#pragma once
// A page of a PDF document as a Device. Drawing is recorded and played into cairo's PDF surface
// when the document is written, so that the file can be made in one go (see PdfPrintService).
// Pictures become one lossless image per picture and document: every band of every page draws
// a clipped, scaled part of that one image.
#include <cairo.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "picture/Device.h"

namespace tessaro {

using CairoSurfacePtr = std::shared_ptr<cairo_surface_t>;
// One drawing step of a page, in device pixels.
using PdfStep = std::function<void(cairo_t*)>;

// Images of the document, one per picture and change of it (TDib Id and Generation).
class PdfImageCache {
 public:
  CairoSurfacePtr find(uint64_t id, uint64_t generation) const;
  void store(uint64_t id, uint64_t generation, CairoSurfacePtr image);
  void clear() { images_.clear(); }
  size_t size() const { return images_.size(); }

 private:
  std::map<std::pair<uint64_t, uint64_t>, CairoSurfacePtr> images_;
};

class PdfDevice : public Device {
 public:
  PdfDevice(int32_t width, int32_t height, PdfImageCache& images);
  ~PdfDevice() override;
  PdfDevice(const PdfDevice&) = delete;
  PdfDevice& operator=(const PdfDevice&) = delete;

  // The steps drawn so far; the page's drawing starts over after takeSteps.
  std::vector<PdfStep> takeSteps();

  uint32_t rasterCaps() const override { return RC_STRETCHDIB | RC_DIBTODEV; }
  int bitsPerPixel() const override { return 24; }
  void setSourcePicture(uint64_t id, uint64_t generation) override;
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
  void setBrush(Color color) override { brush_ = color; }
  void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
  void rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
  void fillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color color) override;
  void setPixel(int32_t x, int32_t y, Color color) override;

  void setFontHeight(int32_t height) override;
  TextSize textExtent(const std::string& utf8) override;
  void textOut(int32_t x, int32_t y, const std::string& utf8) override;

  int32_t width() const override { return width_; }
  int32_t height() const override { return height_; }

  // The face notes are set in; measured and embedded alike.
  static constexpr const char* kFontFace = "DejaVu Sans";

 private:
  // Draws `rows` (a picture, or the rows of one) so that picture pixel (sx, top row sy) of the
  // source rectangle lands at the target rectangle, clipped to it.
  void drawImage(CairoSurfacePtr image, double x, double y, double destW, double destH, double sx, double sy,
                 double srcW, double srcH);

  int32_t width_, height_;
  PdfImageCache& images_;
  std::vector<PdfStep> steps_;
  const PaletteObject* palette_ = nullptr;
  uint64_t sourceId_ = 0, sourceGeneration_ = 0;
  Color pen_ = kBlack;
  PenStyle penStyle_ = PenStyle::Solid;
  Color brush_ = kWhite;
  double fontSize_ = 16;
  // Measures text as the PDF will set it: unhinted metrics of the same face.
  cairo_surface_t* measureSurface_ = nullptr;
  cairo_t* measure_ = nullptr;
};

// The rows [firstRow, firstRow + rowCount) of a bottom-up picture (depths 1, 4, 8, 24, 32; the
// colour table applied) as an opaque RGB image, top row first. Null for anything else.
CairoSurfacePtr dibRowsToImage(const uint8_t* bits, const BitmapInfo& info, int32_t firstRow, int32_t rowCount);

}  // namespace tessaro
