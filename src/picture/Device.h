#pragma once
// A drawing surface: a widget, an image or a printer page. The core draws everything through
// this interface; QtDevice implements it over QPainter, tests over an in-memory raster.
// Coordinates are device pixels; rectangles given as (x1, y1, x2, y2) exclude x2 and y2.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "picture/Dib.h"
#include "picture/DotMark.h"

namespace tessaro {

// Colour as 0x00BBGGRR: red is the low byte, so pure red is 255.
using Color = uint32_t;
inline constexpr Color kBlack = 0x000000;
inline constexpr Color kWhite = 0xffffff;
inline constexpr Color kRed = 0x0000ff;
inline constexpr Color rgbColor(uint8_t r, uint8_t g, uint8_t b) { return r | (g << 8) | (b << 16); }
inline constexpr uint8_t colorRed(Color c) { return static_cast<uint8_t>(c); }
inline constexpr uint8_t colorGreen(Color c) { return static_cast<uint8_t>(c >> 8); }
inline constexpr uint8_t colorBlue(Color c) { return static_cast<uint8_t>(c >> 16); }

// Raster capabilities a device may report.
inline constexpr uint32_t RC_STRETCHDIB = 0x2000;
inline constexpr uint32_t RC_DIBTODEV = 0x0200;
inline constexpr uint32_t RC_STRETCHBLT = 0x0800;

inline constexpr uint32_t SRCCOPY = 0x00CC0020;
inline constexpr int COLORONCOLOR = 3;
inline constexpr int GDI_ERROR = -1;

enum class PenStyle { Solid, Dot };

struct TextSize {
  int32_t width = 0;
  int32_t height = 0;
};

// A device-dependent bitmap made compatible with a device: the last resort of drawing.
class DeviceBitmap {
 public:
  virtual ~DeviceBitmap() = default;
  // Copies `lines` rows starting at stored row `startScan` of the picture into the bitmap;
  // returns the number of rows copied, 0 on failure.
  virtual int setDIBits(int32_t startScan, int32_t lines, const uint8_t* bits, const BitmapInfo& info) = 0;
};

class Device {
 public:
  virtual ~Device() = default;

  // What the device reports about itself.
  virtual uint32_t rasterCaps() const = 0;
  virtual int bitsPerPixel() const = 0;

  // Picture drawing. The source rectangle counts rows from the bottom of the picture, as the
  // stored rows do. Returns the number of rows drawn, or GDI_ERROR.
  virtual int stretchDIBits(int32_t x, int32_t y, int32_t destW, int32_t destH, int32_t srcX, int32_t srcY,
                            int32_t srcW, int32_t srcH, const uint8_t* bits, const BitmapInfo& info,
                            uint32_t rop) = 0;
  // Names the picture that the next stretchDIBits or setDIBitsToDevice call draws (TDib::Id and
  // TDib::Generation), so that a device may keep its converted copy between repaints. Applies to
  // that one call only; without it (or with id 0) nothing is cached.
  virtual void setSourcePicture(uint64_t /*id*/, uint64_t /*generation*/) {}
  // The data that picture was decoded from, while its pixels are unchanged (unchangedSource), for
  // the same one call: a device that stores pictures may store that data instead of the pixels.
  virtual void setSourceData(const PictureSource* /*source*/) {}
  // Unstretched: rows startScan .. startScan + numScans - 1 of the picture land at (x, y).
  // Returns the number of rows drawn, 0 on failure.
  virtual int setDIBitsToDevice(int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX, int32_t srcY,
                                int32_t startScan, int32_t numScans, const uint8_t* bits,
                                const BitmapInfo& info) = 0;
  // Null when the device cannot make one. Like any device surface, the bitmap counts its rows
  // from the top: stretchBlt's source rectangle does too.
  virtual std::unique_ptr<DeviceBitmap> createCompatibleBitmap(int32_t w, int32_t h) = 0;
  virtual bool stretchBlt(int32_t x, int32_t y, int32_t destW, int32_t destH, const DeviceBitmap& src, int32_t srcX,
                          int32_t srcY, int32_t srcW, int32_t srcH, uint32_t rop) = 0;

  // Palettes: select returns the one selected before (may be null); realise maps it.
  virtual const PaletteObject* selectPalette(const PaletteObject* palette) = 0;
  virtual void realizePalette() = 0;
  virtual void setStretchMode(int mode) = 0;

  // Pens, brushes and shapes. Pen mode is always copy.
  virtual void setPen(Color color, PenStyle style) = 0;
  virtual void setBrush(Color color) = 0;
  virtual void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
  // Outline with the pen, inside with the brush.
  virtual void rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
  // Fills without outline: the bulk way to set runs of pixels.
  virtual void fillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color color) = 0;
  virtual void setPixel(int32_t x, int32_t y, Color color) = 0;
  // Fills each mark's shape in its colour, clipped to the rectangle (x1, y1, x2, y2). With
  // `multiply` the colours multiply with what is already there, as inks printed over each other
  // do (the four screens of a CMYK dot poster). This fallback sets whole pixels whose centres
  // lie inside the shape, through fillRect, and ignores `multiply`; real devices draw paths.
  virtual void fillDots(DotShape shape, std::span<const DotMark> marks, int32_t x1, int32_t y1, int32_t x2,
                        int32_t y2, bool multiply);

  // Text in the device's default face, black on an opaque white background.
  virtual void setFontHeight(int32_t height) = 0;
  virtual TextSize textExtent(const std::string& utf8) = 0;
  virtual void textOut(int32_t x, int32_t y, const std::string& utf8) = 0;

  // The device's size in pixels (widgets: the paint box; pages: the printable area).
  virtual int32_t width() const = 0;
  virtual int32_t height() const = 0;
};

}  // namespace tessaro
