#pragma once
// A Device over an in-memory true-colour raster, for tests. It really draws (pictures, lines,
// rectangles, a stand-in for text) so tests can read pixels back, and it records every call so
// tests can see which way of drawing ran.
//
// Conventions, chosen to match the device interface the core draws through:
// - Rectangles (x1, y1, x2, y2) exclude x2 and y2; a line from (x1, y1) to (x2, y2) leaves out
//   its end point. Everything is clipped to the raster.
// - Picture sources count rows from the bottom of the picture; a device bitmap made by
//   createCompatibleBitmap counts its rows from the top, like any device surface.
// - Stretching samples by nearest neighbour: the source pixel under the centre of each target
//   pixel. Source coordinates that fall outside the picture are clamped to its edge.
// - The raster is always true colour: bitsPerPixel() and the selected palette are only reported,
//   colours are not mapped onto the palette.
// - Dotted pens set every other pixel of a line, starting with the first.
// - Text: each character (UTF-8 code point) is a cell of max(1, fontHeight / 2) by fontHeight
//   pixels; textOut fills the whole box white, then each non-space cell black, inset by one pixel
//   when the cell is at least 3 pixels each way.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "picture/Device.h"

namespace tessaro::test {

struct DeviceCall {
  std::string name;
  std::vector<int64_t> args;  // the call's integer arguments in order
  std::string text;           // textOut / textExtent
  // The palette selected while the call ran: for identity checks only, it may be freed since.
  const PaletteObject* palette = nullptr;
  // Picture calls: the source picture's size and depth as its header states them, and a copy of
  // the selected palette's colours (empty when none was selected).
  int32_t dibWidth = 0, dibHeight = 0, dibBitCount = 0;
  std::vector<PaletteEntry> paletteColours;
  std::string describe() const;
};

class RasterDevice : public Device {
 public:
  RasterDevice(int32_t width, int32_t height, Color background = kWhite);

  // Configuration.
  uint32_t caps = RC_STRETCHDIB | RC_DIBTODEV | RC_STRETCHBLT;
  int bits = 24;
  bool failStretchDIBits = false;
  bool failSetDIBitsToDevice = false;
  bool failCreateCompatibleBitmap = false;
  bool failSetDIBits = false;
  bool failStretchBlt = false;
  // Called after each call is recorded (for checks while a drawing call is in progress).
  std::function<void(const DeviceCall&)> onCall;

  // Readback.
  Color pixel(int32_t x, int32_t y) const { return raster_[index(x, y)]; }
  const std::vector<Color>& pixels() const { return raster_; }
  // Pixels in the rectangle (exclusive right and bottom) that differ from `colour`.
  int64_t countNot(Color colour, int32_t x1, int32_t y1, int32_t x2, int32_t y2) const;
  int64_t countOf(Color colour, int32_t x1, int32_t y1, int32_t x2, int32_t y2) const;
  void clear(Color colour);

  // Call record.
  const std::vector<DeviceCall>& calls() const { return calls_; }
  std::vector<std::string> callNames() const;
  int count(const std::string& name) const;
  // The last call of that name; throws when there is none.
  const DeviceCall& last(const std::string& name) const;
  void clearCalls() { calls_.clear(); }
  int paletteSelections() const { return paletteSelections_; }
  int realizations() const { return realizations_; }
  const PaletteObject* currentPalette() const { return palette_; }
  int stretchMode() const { return stretchMode_; }
  Color penColor() const { return penColor_; }
  PenStyle penStyle() const { return penStyle_; }
  Color brushColor() const { return brushColor_; }
  int32_t fontHeight() const { return fontHeight_; }

  // Device.
  uint32_t rasterCaps() const override { return caps; }
  int bitsPerPixel() const override { return bits; }
  int stretchDIBits(int32_t x, int32_t y, int32_t destW, int32_t destH, int32_t srcX, int32_t srcY, int32_t srcW,
                    int32_t srcH, const uint8_t* bits, const BitmapInfo& info, uint32_t rop) override;
  int setDIBitsToDevice(int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX, int32_t srcY, int32_t startScan,
                        int32_t numScans, const uint8_t* bits, const BitmapInfo& info) override;
  std::unique_ptr<DeviceBitmap> createCompatibleBitmap(int32_t w, int32_t h) override;
  bool stretchBlt(int32_t x, int32_t y, int32_t destW, int32_t destH, const DeviceBitmap& src, int32_t srcX,
                  int32_t srcY, int32_t srcW, int32_t srcH, uint32_t rop) override;
  const PaletteObject* selectPalette(const PaletteObject* palette) override;
  void realizePalette() override;
  void setStretchMode(int mode) override;
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
  size_t index(int32_t x, int32_t y) const { return static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x); }
  bool inside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  void put(int32_t x, int32_t y, Color c) {
    if (inside(x, y)) raster_[index(x, y)] = c;
  }
  // Range of target columns dx (from a target left edge x) that land on the raster.
  int32_t firstInside(int32_t x) const { return x < 0 ? -x : 0; }
  int32_t lastInside(int32_t x, int32_t w) const { return static_cast<int32_t>(std::min<int64_t>(w, int64_t{width_} - x)); }
  void fill(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color c);
  DeviceCall& record(std::string name, std::vector<int64_t> args);
  DeviceCall& recordPictureCall(std::string name, std::vector<int64_t> args, const BitmapInfo& info);
  // Hands the latest call to onCall; a copy, so the hook may draw more.
  void notify() {
    if (onCall) onCall(DeviceCall(calls_.back()));
  }

  int32_t width_, height_;
  std::vector<Color> raster_;
  std::vector<DeviceCall> calls_;
  const PaletteObject* palette_ = nullptr;
  int paletteSelections_ = 0;
  int realizations_ = 0;
  int stretchMode_ = 0;
  Color penColor_ = kBlack;
  PenStyle penStyle_ = PenStyle::Solid;
  Color brushColor_ = kWhite;
  int32_t fontHeight_ = 16;
};

// Colour of pixel (x, stored row y) of a packed picture, colour table applied; depths 1, 4, 8,
// 24 and 32. The caller keeps x and y inside the picture.
Color dibPixelColor(const uint8_t* bits, const BitmapInfo& info, int32_t x, int32_t storedY);

}  // namespace tessaro::test
