#include "pdf/PdfDevice.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "picture/Limits.h"

namespace tessaro {

namespace {

void setColour(cairo_t* cr, Color c) {
  cairo_set_source_rgb(cr, colorRed(c) / 255.0, colorGreen(c) / 255.0, colorBlue(c) / 255.0);
}

void selectFont(cairo_t* cr, double size) {
  cairo_select_font_face(cr, PdfDevice::kFontFace, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
}

uint32_t xrgb(const RgbQuad& q) { return (uint32_t{q.rgbRed} << 16) | (uint32_t{q.rgbGreen} << 8) | q.rgbBlue; }

// Palette index of pixel x in a row of 1, 4 or 8 bits.
int paletteIndex(const uint8_t* row, int32_t x, int bits) {
  switch (bits) {
    case 8:
      return row[x];
    case 4:
      return (x & 1) ? (row[x >> 1] & 0x0f) : (row[x >> 1] >> 4);
    default:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
  }
}

void convertRow(const uint8_t* src, uint32_t* dst, int32_t width, const BitmapInfo& info) {
  const int bits = info.bmiHeader.biBitCount;
  if (bits >= 24) {
    const int step = bits / 8;
    for (int32_t x = 0; x < width; ++x, src += step)
      dst[x] = (uint32_t{src[2]} << 16) | (uint32_t{src[1]} << 8) | src[0];
    return;
  }
  for (int32_t x = 0; x < width; ++x) dst[x] = xrgb(info.bmiColors[paletteIndex(src, x, bits)]);
}

CairoSurfacePtr adopt(cairo_surface_t* s) { return CairoSurfacePtr(s, cairo_surface_destroy); }

}  // namespace

CairoSurfacePtr dibRowsToImage(const uint8_t* bits, const BitmapInfo& info, int32_t firstRow, int32_t rowCount) {
  const BitmapInfoHeader& h = info.bmiHeader;
  const int depth = h.biBitCount;
  const bool known = depth == 1 || depth == 4 || depth == 8 || depth == 24 || depth == 32;
  if (!bits || !known || h.biCompression != 0 || h.biWidth <= 0 || h.biHeight <= 0 || firstRow < 0 || rowCount <= 0 ||
      int64_t{firstRow} + rowCount > h.biHeight || !dibSizeAllowed(h.biWidth, rowCount, 32)) {
    return nullptr;
  }
  auto image = adopt(cairo_image_surface_create(CAIRO_FORMAT_RGB24, h.biWidth, rowCount));
  if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
  cairo_surface_flush(image.get());
  uint8_t* data = cairo_image_surface_get_data(image.get());
  const size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(image.get()));
  const uint64_t rowBytes = dibRowBytes(h.biWidth, depth);
  // `bits` holds the rows from firstRow up; the image's top row is the highest of them.
  for (int32_t i = 0; i < rowCount; ++i) {
    const uint8_t* src = bits + rowBytes * static_cast<uint64_t>(i);
    convertRow(src, reinterpret_cast<uint32_t*>(data + stride * static_cast<size_t>(rowCount - 1 - i)), h.biWidth,
               info);
  }
  cairo_surface_mark_dirty(image.get());
  return image;
}

CairoSurfacePtr PdfImageCache::find(uint64_t id, uint64_t generation) const {
  const auto it = images_.find({id, generation});
  return it == images_.end() ? nullptr : it->second;
}

void PdfImageCache::store(uint64_t id, uint64_t generation, CairoSurfacePtr image) {
  images_[{id, generation}] = std::move(image);
}

PdfDevice::PdfDevice(int32_t width, int32_t height, PdfImageCache& images)
    : width_(width), height_(height), images_(images) {
  measureSurface_ = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
  measure_ = cairo_create(measureSurface_);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_set_font_options(measure_, options);
  cairo_font_options_destroy(options);
  selectFont(measure_, fontSize_);
}

PdfDevice::~PdfDevice() {
  cairo_destroy(measure_);
  cairo_surface_destroy(measureSurface_);
}

std::vector<PdfStep> PdfDevice::takeSteps() { return std::exchange(steps_, {}); }

void PdfDevice::setSourcePicture(uint64_t id, uint64_t generation) {
  sourceId_ = id;
  sourceGeneration_ = generation;
}

void PdfDevice::drawImage(CairoSurfacePtr image, double x, double y, double destW, double destH, double sx, double sy,
                          double srcW, double srcH) {
  steps_.push_back([=](cairo_t* cr) {
    cairo_save(cr);
    cairo_rectangle(cr, x, y, destW, destH);
    cairo_clip(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, destW / srcW, destH / srcH);
    cairo_set_source_surface(cr, image.get(), -sx, -sy);
    // Pixels stay pixels: no smoothing when a viewer enlarges them.
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_restore(cr);
  });
}

int PdfDevice::stretchDIBits(int32_t x, int32_t y, int32_t destW, int32_t destH, int32_t srcX, int32_t srcY,
                             int32_t srcW, int32_t srcH, const uint8_t* bits, const BitmapInfo& info, uint32_t) {
  // The picture's identity holds for this one call.
  const uint64_t id = std::exchange(sourceId_, 0);
  const uint64_t generation = std::exchange(sourceGeneration_, 0);
  if (destW <= 0 || destH <= 0 || srcW <= 0 || srcH <= 0) return 0;
  CairoSurfacePtr image = id ? images_.find(id, generation) : nullptr;
  if (!image) {
    image = dibRowsToImage(bits, info, 0, info.bmiHeader.biHeight);
    if (!image) return GDI_ERROR;
    if (id) images_.store(id, generation, image);
  }
  // Source rows count from the bottom; the image's from the top.
  const int64_t top = int64_t{info.bmiHeader.biHeight} - srcY - srcH;
  drawImage(std::move(image), x, y, destW, destH, srcX, static_cast<double>(top), srcW, srcH);
  return srcH;
}

int PdfDevice::setDIBitsToDevice(int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX, int32_t srcY,
                                 int32_t startScan, int32_t numScans, const uint8_t* bits, const BitmapInfo& info) {
  sourceId_ = sourceGeneration_ = 0;
  if (w <= 0 || h <= 0 || numScans <= 0) return 0;
  CairoSurfacePtr rows = dibRowsToImage(bits, info, 0, numScans);
  if (!rows) return 0;
  // The image holds stored rows startScan .. startScan + numScans - 1, the highest on top; the
  // source rectangle's top row (srcY + h - 1) lands on y.
  const int64_t top = int64_t{startScan} + numScans - (int64_t{srcY} + h);
  drawImage(std::move(rows), x, y, w, h, srcX, static_cast<double>(top), w, h);
  return numScans;
}

const PaletteObject* PdfDevice::selectPalette(const PaletteObject* palette) { return std::exchange(palette_, palette); }

void PdfDevice::setPen(Color color, PenStyle style) {
  pen_ = color;
  penStyle_ = style;
}

void PdfDevice::line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (x1 == x2 && y1 == y2) return;
  const Color colour = pen_;
  const bool dotted = penStyle_ == PenStyle::Dot;
  steps_.push_back([=](cairo_t* cr) {
    // Through the pixel centres with flat ends: the end point stays out, as on any device.
    cairo_move_to(cr, x1 + 0.5, y1 + 0.5);
    cairo_line_to(cr, x2 + 0.5, y2 + 0.5);
    cairo_set_line_width(cr, 1);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    const double dot = 1;
    cairo_set_dash(cr, &dot, dotted ? 1 : 0, 0);
    setColour(cr, colour);
    cairo_stroke(cr);
  });
}

void PdfDevice::rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const int32_t l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2), b = std::max(y1, y2);
  if (r <= l || b <= t) return;
  // The outline covers the outermost pixels; a thin rectangle is all outline.
  fillRect(l, t, r, b, pen_);
  if (r - l > 2 && b - t > 2) fillRect(l + 1, t + 1, r - 1, b - 1, brush_);
}

void PdfDevice::fillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color color) {
  const int32_t l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2), b = std::max(y1, y2);
  if (r <= l || b <= t) return;
  steps_.push_back([=](cairo_t* cr) {
    cairo_rectangle(cr, l, t, r - l, b - t);
    setColour(cr, color);
    cairo_fill(cr);
  });
}

void PdfDevice::setPixel(int32_t x, int32_t y, Color color) { fillRect(x, y, x + 1, y + 1, color); }

void PdfDevice::setFontHeight(int32_t height) {
  fontSize_ = 16;
  if (height != 0) {
    // A negative height is the character height; a positive one is the whole cell, ascent plus
    // descent, as the core's text placement measures it.
    fontSize_ = std::abs(static_cast<double>(height));
    selectFont(measure_, fontSize_);
    cairo_font_extents_t e;
    cairo_font_extents(measure_, &e);
    const double cell = e.ascent + e.descent;
    if (height > 0 && cell > height) fontSize_ = fontSize_ * height / cell;
  }
  selectFont(measure_, fontSize_);
}

TextSize PdfDevice::textExtent(const std::string& utf8) {
  cairo_text_extents_t t;
  cairo_text_extents(measure_, utf8.c_str(), &t);
  cairo_font_extents_t f;
  cairo_font_extents(measure_, &f);
  return {static_cast<int32_t>(std::lround(t.x_advance)), static_cast<int32_t>(std::ceil(f.ascent + f.descent))};
}

void PdfDevice::textOut(int32_t x, int32_t y, const std::string& utf8) {
  const TextSize box = textExtent(utf8);
  fillRect(x, y, x + box.width, y + box.height, kWhite);
  cairo_font_extents_t f;
  cairo_font_extents(measure_, &f);
  const double size = fontSize_, baseline = y + f.ascent;
  steps_.push_back([=](cairo_t* cr) {
    selectFont(cr, size);
    setColour(cr, kBlack);
    cairo_move_to(cr, x, baseline);
    cairo_show_text(cr, utf8.c_str());
  });
}

}  // namespace tessaro
