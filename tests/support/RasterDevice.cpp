#include "support/RasterDevice.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "picture/Limits.h"

namespace tessaro::test {

namespace {

// Source index under the centre of target index i when n targets cover `extent` sources.
int32_t centreSample(int64_t i, int64_t extent, int64_t n) {
  return static_cast<int32_t>(((2 * i + 1) * extent) / (2 * n));
}

int32_t clampTo(int32_t v, int32_t limit) { return std::clamp(v, 0, limit - 1); }

bool readableDib(const uint8_t* bits, const BitmapInfo& info) {
  const BitmapInfoHeader& h = info.bmiHeader;
  return bits && h.biHeight > 0 && dibRowBytes(h.biWidth, h.biBitCount) != 0 && h.biBitCount != 16;
}

int64_t codePoints(const std::string& utf8) {
  return std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<uint8_t>(c) & 0xc0) != 0x80; });
}

// A bitmap in the device's own form: true-colour rows from the top.
class RasterBitmap : public DeviceBitmap {
 public:
  RasterBitmap(int32_t w, int32_t h, bool fail) : w_(w), h_(h), fail_(fail), px_(static_cast<size_t>(w) * h, kBlack) {}
  int setDIBits(int32_t startScan, int32_t lines, const uint8_t* bits, const BitmapInfo& info) override {
    if (fail_ || !readableDib(bits, info) || lines <= 0) return 0;
    const int32_t dibW = info.bmiHeader.biWidth, dibH = info.bmiHeader.biHeight;
    int copied = 0;
    for (int32_t i = 0; i < lines; ++i) {
      const int32_t stored = startScan + i;
      if (stored < 0 || stored >= dibH || stored >= h_) continue;
      const int32_t row = h_ - 1 - stored;
      // `bits` holds the rows from startScan on.
      for (int32_t x = 0; x < std::min(w_, dibW); ++x) px_[static_cast<size_t>(row) * w_ + x] = dibPixelColor(bits, info, x, i);
      ++copied;
    }
    return copied;
  }
  int32_t width() const { return w_; }
  int32_t height() const { return h_; }
  Color at(int32_t x, int32_t y) const { return px_[static_cast<size_t>(y) * w_ + x]; }

 private:
  int32_t w_, h_;
  bool fail_;
  std::vector<Color> px_;
};

}  // namespace

Color dibPixelColor(const uint8_t* bits, const BitmapInfo& info, int32_t x, int32_t storedY) {
  const int bpp = info.bmiHeader.biBitCount;
  const uint8_t* row = bits + dibRowBytes(info.bmiHeader.biWidth, bpp) * static_cast<uint64_t>(storedY);
  int index = 0;
  switch (bpp) {
    case 24:
    case 32: {
      const uint8_t* p = row + static_cast<size_t>(x) * (bpp / 8);
      return rgbColor(p[2], p[1], p[0]);
    }
    case 8:
      index = row[x];
      break;
    case 4:
      index = (x & 1) ? (row[x >> 1] & 0x0f) : (row[x >> 1] >> 4);
      break;
    case 1:
      index = (row[x >> 3] >> (7 - (x & 7))) & 1;
      break;
    default:
      return kBlack;
  }
  const RgbQuad& q = info.bmiColors[index];
  return rgbColor(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

std::string DeviceCall::describe() const {
  std::ostringstream out;
  out << name << "(";
  for (size_t i = 0; i < args.size(); ++i) out << (i ? ", " : "") << args[i];
  if (!text.empty()) out << (args.empty() ? "" : ", ") << '"' << text << '"';
  out << ")";
  if (dibBitCount) out << " [" << dibWidth << "x" << dibHeight << "x" << dibBitCount << "]";
  return out.str();
}

RasterDevice::RasterDevice(int32_t width, int32_t height, Color background)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      raster_(static_cast<size_t>(width_) * static_cast<size_t>(height_), background) {}

int64_t RasterDevice::countOf(Color colour, int32_t x1, int32_t y1, int32_t x2, int32_t y2) const {
  int64_t n = 0;
  for (int32_t y = std::max(y1, 0); y < std::min(y2, height_); ++y)
    for (int32_t x = std::max(x1, 0); x < std::min(x2, width_); ++x) n += pixel(x, y) == colour;
  return n;
}

int64_t RasterDevice::countNot(Color colour, int32_t x1, int32_t y1, int32_t x2, int32_t y2) const {
  const int64_t area = int64_t{std::max(0, std::min(x2, width_) - std::max(x1, 0))} *
                       std::max(0, std::min(y2, height_) - std::max(y1, 0));
  return area - countOf(colour, x1, y1, x2, y2);
}

void RasterDevice::clear(Color colour) { std::fill(raster_.begin(), raster_.end(), colour); }

std::vector<std::string> RasterDevice::callNames() const {
  std::vector<std::string> names;
  for (const DeviceCall& c : calls_) names.push_back(c.name);
  return names;
}

int RasterDevice::count(const std::string& name) const {
  return static_cast<int>(std::count_if(calls_.begin(), calls_.end(), [&](const DeviceCall& c) { return c.name == name; }));
}

const DeviceCall& RasterDevice::last(const std::string& name) const {
  for (auto it = calls_.rbegin(); it != calls_.rend(); ++it)
    if (it->name == name) return *it;
  throw std::out_of_range("no call " + name);
}

DeviceCall& RasterDevice::record(std::string name, std::vector<int64_t> args) {
  DeviceCall call;
  call.name = std::move(name);
  call.args = std::move(args);
  call.palette = palette_;
  calls_.push_back(std::move(call));
  return calls_.back();
}

void RasterDevice::fill(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color c) {
  for (int32_t y = std::max(y1, 0); y < std::min(y2, height_); ++y)
    for (int32_t x = std::max(x1, 0); x < std::min(x2, width_); ++x) raster_[index(x, y)] = c;
}

DeviceCall& RasterDevice::recordPictureCall(std::string name, std::vector<int64_t> args, const BitmapInfo& info) {
  DeviceCall& call = record(std::move(name), std::move(args));
  call.dibWidth = info.bmiHeader.biWidth;
  call.dibHeight = info.bmiHeader.biHeight;
  call.dibBitCount = info.bmiHeader.biBitCount;
  if (palette_)
    for (int i = 0; i < palette_->size(); ++i) call.paletteColours.push_back(palette_->entry(i));
  return call;
}

int RasterDevice::stretchDIBits(int32_t x, int32_t y, int32_t destW, int32_t destH, int32_t srcX, int32_t srcY,
                                int32_t srcW, int32_t srcH, const uint8_t* bits, const BitmapInfo& info,
                                uint32_t rop) {
  recordPictureCall("stretchDIBits", {x, y, destW, destH, srcX, srcY, srcW, srcH, rop}, info);
  int result = GDI_ERROR;
  if (!failStretchDIBits && readableDib(bits, info)) {
    result = 0;
    if (destW > 0 && destH > 0 && srcW > 0 && srcH > 0) {
      const int32_t dibW = info.bmiHeader.biWidth, dibH = info.bmiHeader.biHeight;
      for (int32_t dy = 0; dy < destH; ++dy) {
        if (y + dy < 0 || y + dy >= height_) continue;
        // The target's top row shows the source rectangle's top row, the highest stored row.
        const int32_t stored = clampTo(srcY + srcH - 1 - centreSample(dy, srcH, destH), dibH);
        for (int32_t dx = firstInside(x); dx < lastInside(x, destW); ++dx)
          put(x + dx, y + dy, dibPixelColor(bits, info, clampTo(srcX + centreSample(dx, srcW, destW), dibW), stored));
      }
      result = srcH;
    }
  }
  notify();
  return result;
}

int RasterDevice::setDIBitsToDevice(int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX, int32_t srcY,
                                    int32_t startScan, int32_t numScans, const uint8_t* bits,
                                    const BitmapInfo& info) {
  recordPictureCall("setDIBitsToDevice", {x, y, w, h, srcX, srcY, startScan, numScans}, info);
  int result = 0;
  if (!failSetDIBitsToDevice && readableDib(bits, info) && numScans > 0) {
    const int32_t dibW = info.bmiHeader.biWidth, dibH = info.bmiHeader.biHeight;
    for (int32_t dy = 0; dy < h; ++dy) {
      const int32_t stored = srcY + h - 1 - dy;
      // Only the scans handed over exist; `bits` begins with stored row startScan.
      if (stored < startScan || stored >= startScan + numScans || stored >= dibH) continue;
      for (int32_t dx = 0; dx < w; ++dx) {
        const int32_t sx = srcX + dx;
        if (sx < 0 || sx >= dibW) continue;
        put(x + dx, y + dy, dibPixelColor(bits, info, sx, stored - startScan));
      }
    }
    result = numScans;
  }
  notify();
  return result;
}

std::unique_ptr<DeviceBitmap> RasterDevice::createCompatibleBitmap(int32_t w, int32_t h) {
  record("createCompatibleBitmap", {w, h});
  std::unique_ptr<DeviceBitmap> result;
  if (!failCreateCompatibleBitmap && w > 0 && h > 0) result = std::make_unique<RasterBitmap>(w, h, failSetDIBits);
  notify();
  return result;
}

bool RasterDevice::stretchBlt(int32_t x, int32_t y, int32_t destW, int32_t destH, const DeviceBitmap& src,
                              int32_t srcX, int32_t srcY, int32_t srcW, int32_t srcH, uint32_t rop) {
  record("stretchBlt", {x, y, destW, destH, srcX, srcY, srcW, srcH, rop});
  const auto* bitmap = dynamic_cast<const RasterBitmap*>(&src);
  bool ok = false;
  if (!failStretchBlt && bitmap) {
    ok = true;
    if (destW > 0 && destH > 0 && srcW > 0 && srcH > 0) {
      for (int32_t dy = 0; dy < destH; ++dy) {
        if (y + dy < 0 || y + dy >= height_) continue;
        const int32_t sy = clampTo(srcY + centreSample(dy, srcH, destH), bitmap->height());
        for (int32_t dx = firstInside(x); dx < lastInside(x, destW); ++dx)
          put(x + dx, y + dy, bitmap->at(clampTo(srcX + centreSample(dx, srcW, destW), bitmap->width()), sy));
      }
    }
  }
  notify();
  return ok;
}

const PaletteObject* RasterDevice::selectPalette(const PaletteObject* palette) {
  const PaletteObject* previous = palette_;
  palette_ = palette;
  ++paletteSelections_;
  record("selectPalette", {palette ? palette->size() : -1});
  notify();
  return previous;
}

void RasterDevice::realizePalette() {
  ++realizations_;
  record("realizePalette", {});
  notify();
}

void RasterDevice::setStretchMode(int mode) {
  stretchMode_ = mode;
  record("setStretchMode", {mode});
  notify();
}

void RasterDevice::setPen(Color color, PenStyle style) {
  penColor_ = color;
  penStyle_ = style;
  record("setPen", {color, style == PenStyle::Dot ? 1 : 0});
  notify();
}

void RasterDevice::setBrush(Color color) {
  brushColor_ = color;
  record("setBrush", {color});
  notify();
}

void RasterDevice::line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  record("line", {x1, y1, x2, y2});
  // Bresenham, end point excluded.
  const int64_t dx = std::llabs(int64_t{x2} - x1), dy = -std::llabs(int64_t{y2} - y1);
  const int32_t stepX = x1 < x2 ? 1 : -1, stepY = y1 < y2 ? 1 : -1;
  int64_t err = dx + dy;
  int32_t x = x1, y = y1;
  for (int64_t n = 0; x != x2 || y != y2; ++n) {
    if (penStyle_ == PenStyle::Solid || n % 2 == 0) put(x, y, penColor_);
    const int64_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += stepX;
    }
    if (e2 <= dx) {
      err += dx;
      y += stepY;
    }
  }
  notify();
}

void RasterDevice::rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  record("rectangle", {x1, y1, x2, y2});
  if (x2 > x1 && y2 > y1) {
    fill(x1 + 1, y1 + 1, x2 - 1, y2 - 1, brushColor_);
    for (int32_t x = x1; x < x2; ++x) {
      put(x, y1, penColor_);
      put(x, y2 - 1, penColor_);
    }
    for (int32_t y = y1; y < y2; ++y) {
      put(x1, y, penColor_);
      put(x2 - 1, y, penColor_);
    }
  }
  notify();
}

void RasterDevice::fillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color color) {
  record("fillRect", {x1, y1, x2, y2, color});
  fill(x1, y1, x2, y2, color);
  notify();
}

void RasterDevice::setPixel(int32_t x, int32_t y, Color color) {
  record("setPixel", {x, y, color});
  put(x, y, color);
  notify();
}

void RasterDevice::setFontHeight(int32_t height) {
  fontHeight_ = height;
  record("setFontHeight", {height});
  notify();
}

TextSize RasterDevice::textExtent(const std::string& utf8) {
  DeviceCall& call = record("textExtent", {});
  call.text = utf8;
  const int32_t cell = std::max(1, fontHeight_ / 2);
  notify();
  return TextSize{static_cast<int32_t>(codePoints(utf8) * cell), fontHeight_};
}

void RasterDevice::textOut(int32_t x, int32_t y, const std::string& utf8) {
  DeviceCall& call = record("textOut", {x, y});
  call.text = utf8;
  const int32_t cell = std::max(1, fontHeight_ / 2), h = fontHeight_;
  const int64_t n = codePoints(utf8);
  fill(x, y, static_cast<int32_t>(x + n * cell), y + h, kWhite);
  const int32_t inset = (cell >= 3 && h >= 3) ? 1 : 0;
  int64_t i = 0;
  for (size_t k = 0; k < utf8.size(); ++k) {
    const auto c = static_cast<uint8_t>(utf8[k]);
    if ((c & 0xc0) == 0x80) continue;  // continuation byte of the same character
    const int32_t cx = static_cast<int32_t>(x + i * cell);
    if (c != ' ') fill(cx + inset, y + inset, cx + cell - inset, y + h - inset, kBlack);
    ++i;
  }
  notify();
}

}  // namespace tessaro::test
