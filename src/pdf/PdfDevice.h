#pragma once
// A page of a PDF document as a Device. Vectors and text become the page's content, written
// when the page closes; a picture's image goes into the file at its first use and is shared by
// every band of every page that shows it (see PdfDocument). Text is set in the standard
// Helvetica, measured with the very widths the file gives the viewer.
#include <cstdint>
#include <string>

#include "pdf/PdfDocument.h"
#include "picture/Device.h"

namespace tessaro {

class PdfDevice : public Device {
 public:
  PdfDevice(int32_t width, int32_t height, PdfDocument& document);
  PdfDevice(const PdfDevice&) = delete;
  PdfDevice& operator=(const PdfDevice&) = delete;

  // The page drawn so far; the drawing starts over after takePage.
  PdfPage takePage();

  uint32_t rasterCaps() const override { return RC_STRETCHDIB | RC_DIBTODEV; }
  int bitsPerPixel() const override { return 24; }
  void setSourcePicture(uint64_t id, uint64_t generation) override;
  void setSourceData(const PictureSource* source) override { source_ = source; }
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
  // Each mark places its shape's one form object, filled in the mark's colour.
  void fillDots(DotShape shape, std::span<const DotMark> marks, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                bool multiply) override;

  void setFontHeight(int32_t height) override;
  TextSize textExtent(const std::string& utf8) override;
  void textOut(int32_t x, int32_t y, const std::string& utf8) override;

  int32_t width() const override { return width_; }
  int32_t height() const override { return height_; }

 private:
  // Draws image `number` (imageW x imageH pixels) so that its pixel (sx, top row sy) of the
  // source rectangle lands at the target rectangle, clipped to it.
  void drawImage(int number, int32_t imageW, int32_t imageH, double x, double y, double destW, double destH, double sx,
                 double sy, double srcW, double srcH);
  // Draws the vector page the stand-in picture (imageW x imageH pixels) shows, as drawImage would
  // draw the picture.
  void drawVectorPage(const PictureSource& page, int32_t imageW, int32_t imageH, double x, double y, double destW,
                      double destH, double sx, double sy, double srcW, double srcH);
  // GDI_ERROR when the rows are no picture; a failed write shows at the next page or the end.
  int rowsDrawn(int number, int32_t rows) const;

  int32_t width_, height_;
  PdfDocument& document_;
  PdfPage page_;
  const PaletteObject* palette_ = nullptr;
  uint64_t sourceId_ = 0, sourceGeneration_ = 0;
  const PictureSource* source_ = nullptr;
  Color pen_ = kBlack;
  PenStyle penStyle_ = PenStyle::Solid;
  Color brush_ = kWhite;
  double fontSize_ = 16;
};

}  // namespace tessaro
