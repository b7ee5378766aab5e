#include "platform/QtDevice.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <utility>

#include "picture/Limits.h"
#include "platform/DibImage.h"

namespace tessaro {

namespace {

QColor toQColor(Color c) { return QColor(colorRed(c), colorGreen(c), colorBlue(c)); }

QString fromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// Pictures are drawn pixel for pixel, never blended: the nearest-neighbour look of COLORONCOLOR.
void drawUnsmoothed(QPainter& p, const QRect& target, const QImage& image, const QRect& source) {
  const bool smooth = p.testRenderHint(QPainter::SmoothPixmapTransform);
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
  if (target.size() == source.size())
    p.drawImage(target.topLeft(), image, source);
  else
    p.drawImage(target, image, source);
  p.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}

// Maps [from, to) of a source axis that starts at s0 and spans sLen onto a target axis that
// starts at t0 and spans tLen.
int32_t mapAxis(int64_t v, int32_t s0, int32_t sLen, int32_t t0, int32_t tLen) {
  return t0 + static_cast<int32_t>(std::llround(static_cast<double>(v - s0) * tLen / sLen));
}

// The unit shape every mark of a dot poster is carried from (see DotMark).
const QPainterPath& unitShape(DotShape shape) {
  static const QPainterPath circle = [] {
    QPainterPath p;
    p.addEllipse(QPointF(0, 0), 1, 1);
    return p;
  }();
  static const QPainterPath square = [] {
    QPainterPath p;
    p.addRect(QRectF(-1, -1, 2, 2));
    return p;
  }();
  static const QPainterPath diamond = [] {
    QPainterPath p;
    p.moveTo(1, 0);
    p.lineTo(0, 1);
    p.lineTo(-1, 0);
    p.lineTo(0, -1);
    p.closeSubpath();
    return p;
  }();
  switch (shape) {
    case DotShape::Circle:
      return circle;
    case DotShape::Diamond:
      return diamond;
    case DotShape::Square:
    case DotShape::Line:
      break;
  }
  return square;
}

}  // namespace

QtDeviceBitmap::QtDeviceBitmap(int32_t w, int32_t h) : image_(w, h, QImage::Format_RGB32) {
  if (!image_.isNull()) image_.fill(Qt::white);
}

int QtDeviceBitmap::setDIBits(int32_t startScan, int32_t lines, const uint8_t* bits, const BitmapInfo& info) {
  if (image_.isNull() || lines <= 0) return 0;
  const auto source = makeDibSource(bits, info, startScan, lines);
  if (!source) return 0;
  const int32_t w = std::min(source->width, static_cast<int32_t>(image_.width()));
  // Stored row r sits at image row height - 1 - r, as the picture's rows do on screen.
  const int32_t top = source->height - (source->firstRow + source->rowCount);
  QImage rows = sampleDib(*source, {0, source->firstRow, w, source->rowCount}, w, source->rowCount);
  QPainter p(&image_);
  p.drawImage(QPoint(0, top), rows);
  return source->rowCount;
}

QtDevice::QtDevice(QPainter& painter) : painter_(painter), font_(painter.isActive() ? painter.font() : QFont()) {
  setPen(kBlack, PenStyle::Solid);
}

uint32_t QtDevice::rasterCaps() const { return RC_STRETCHDIB | RC_DIBTODEV | RC_STRETCHBLT; }

int QtDevice::bitsPerPixel() const { return painter_.device() ? painter_.device()->depth() : 0; }

bool QtDevice::isPrinter() const {
  const QPaintDevice* d = painter_.device();
  if (!d) return false;
  const QPaintEngine* engine = painter_.paintEngine();
  return d->devType() == QInternal::Printer || (engine && engine->type() == QPaintEngine::Pdf);
}

void QtDevice::setSourcePicture(uint64_t id, uint64_t generation) {
  sourceId_ = id;
  sourceGeneration_ = generation;
}

int QtDevice::stretchDIBits(int32_t x, int32_t y, int32_t destW, int32_t destH, int32_t srcX, int32_t srcY,
                            int32_t srcW, int32_t srcH, const uint8_t* bits, const BitmapInfo& info, uint32_t) {
  // The picture's identity holds for this one call.
  const uint64_t id = std::exchange(sourceId_, 0);
  const uint64_t generation = std::exchange(sourceGeneration_, 0);
  if (!painter_.isActive()) return GDI_ERROR;
  const auto source = makeDibSource(bits, info);
  if (!source) return GDI_ERROR;
  if (destW <= 0 || destH <= 0 || srcW <= 0 || srcH <= 0) return 0;

  // Only the part of the source inside the picture is drawn, into the matching part of the target.
  const int32_t cx0 = std::max(srcX, 0), cy0 = std::max(srcY, 0);
  const int32_t cx1 = static_cast<int32_t>(std::min<int64_t>(int64_t{srcX} + srcW, source->width));
  const int32_t cy1 = static_cast<int32_t>(std::min<int64_t>(int64_t{srcY} + srcH, source->height));
  if (cx0 >= cx1 || cy0 >= cy1) return 0;
  const int32_t tx0 = mapAxis(cx0, srcX, srcW, x, destW), tx1 = mapAxis(cx1, srcX, srcW, x, destW);
  // Rows count from the bottom, target rows from the top.
  const int64_t srcTop = int64_t{srcY} + srcH;
  const int32_t ty0 = mapAxis(srcTop - cy1 + srcY, srcY, srcH, y, destH);
  const int32_t ty1 = mapAxis(srcTop - cy0 + srcY, srcY, srcH, y, destH);
  const QRect target(tx0, ty0, tx1 - tx0, ty1 - ty0);
  if (target.isEmpty()) return 0;

  // Shrinking converts exactly the pixels that will be shown; enlarging converts the source
  // pixels once and lets the painter repeat them, so no page-sized copy is ever made.
  const SourceRect rect{cx0, cy0, cx1 - cx0, cy1 - cy0};
  const int32_t outW = std::min(rect.w, target.width()), outH = std::min(rect.h, target.height());

  QImage image;
  const bool cached = id != 0 && !isPrinter();
  const PictureKey key{id, generation, bits, rect.x, rect.y, rect.w, rect.h, outW, outH};
  if (auto hit = cached ? pictureCache::find(key) : std::nullopt) {
    image = std::move(*hit);
  } else {
    image = sampleDib(*source, rect, outW, outH);
    if (image.isNull()) return GDI_ERROR;
    if (cached) pictureCache::store(key, image);
  }
  drawUnsmoothed(painter_, target, image, image.rect());
  return rect.h;
}

int QtDevice::setDIBitsToDevice(int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX, int32_t srcY,
                                int32_t startScan, int32_t numScans, const uint8_t* bits, const BitmapInfo& info) {
  sourceId_ = sourceGeneration_ = 0;
  if (!painter_.isActive() || w <= 0 || h <= 0 || numScans <= 0) return 0;
  const auto source = makeDibSource(bits, info, startScan, numScans);
  if (!source) return 0;
  // The rows handed over, within the source rectangle and the picture.
  const int32_t cx0 = std::max(srcX, 0);
  const int32_t cx1 = static_cast<int32_t>(std::min<int64_t>(int64_t{srcX} + w, source->width));
  const int32_t cy0 = std::max({srcY, source->firstRow, 0});
  const int32_t cy1 =
      static_cast<int32_t>(std::min<int64_t>(int64_t{srcY} + h, int64_t{source->firstRow} + source->rowCount));
  if (cx0 >= cx1 || cy0 >= cy1) return 0;
  const SourceRect rect{cx0, cy0, cx1 - cx0, cy1 - cy0};
  // The source rectangle's top row (srcY + h - 1) lands on y.
  const QRect target(x + (cx0 - srcX), y + (srcY + h - cy1), rect.w, rect.h);
  const QImage image = sampleDib(*source, rect, rect.w, rect.h);
  if (image.isNull()) return 0;
  drawUnsmoothed(painter_, target, image, image.rect());
  return rect.h;
}

std::unique_ptr<DeviceBitmap> QtDevice::createCompatibleBitmap(int32_t w, int32_t h) {
  if (w <= 0 || h <= 0 || !dibSizeAllowed(w, h, 32)) return nullptr;
  auto bitmap = std::make_unique<QtDeviceBitmap>(w, h);
  if (bitmap->image().isNull()) return nullptr;
  return bitmap;
}

bool QtDevice::stretchBlt(int32_t x, int32_t y, int32_t destW, int32_t destH, const DeviceBitmap& src, int32_t srcX,
                          int32_t srcY, int32_t srcW, int32_t srcH, uint32_t) {
  const auto* bitmap = dynamic_cast<const QtDeviceBitmap*>(&src);
  if (!bitmap || !painter_.isActive() || destW <= 0 || destH <= 0 || srcW <= 0 || srcH <= 0) return false;
  // A device bitmap's rows run from the top.
  const QRect source = QRect(srcX, srcY, srcW, srcH) & bitmap->image().rect();
  if (source.isEmpty()) return true;
  const QRect target(QPoint(mapAxis(source.left(), srcX, srcW, x, destW), mapAxis(source.top(), srcY, srcH, y, destH)),
                     QPoint(mapAxis(source.right() + 1, srcX, srcW, x, destW) - 1,
                            mapAxis(source.bottom() + 1, srcY, srcH, y, destH) - 1));
  if (!target.isEmpty()) drawUnsmoothed(painter_, target, bitmap->image(), source);
  return true;
}

const PaletteObject* QtDevice::selectPalette(const PaletteObject* palette) { return std::exchange(palette_, palette); }

void QtDevice::setPen(Color color, PenStyle style) {
  pen_ = QPen(toQColor(color), 1, style == PenStyle::Dot ? Qt::DotLine : Qt::SolidLine, Qt::FlatCap);
  pen_.setCosmetic(true);
}

void QtDevice::setBrush(Color color) { brush_ = toQColor(color); }

void QtDevice::line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (!painter_.isActive() || (x1 == x2 && y1 == y2)) return;
  // A flat-capped cosmetic line leaves out its end point, as the core expects.
  painter_.setPen(pen_);
  painter_.drawLine(x1, y1, x2, y2);
}

void QtDevice::rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (!painter_.isActive()) return;
  const QRect r = QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)).normalized();
  if (r.isEmpty()) return;
  // The outline runs over the outermost pixels of the area; a thin one is all outline.
  if (r.width() <= 2 || r.height() <= 2) {
    painter_.fillRect(r, pen_.color());
    return;
  }
  // An outline in the fill's own colour is just a larger fill: one call instead of two.
  if (pen_.style() == Qt::SolidLine && brush_ == pen_.color()) {
    painter_.fillRect(r, brush_);
    return;
  }
  painter_.fillRect(r.adjusted(1, 1, -1, -1), brush_);
  painter_.setPen(pen_);
  painter_.setBrush(Qt::NoBrush);
  painter_.drawRect(r.adjusted(0, 0, -1, -1));
}

void QtDevice::fillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Color color) {
  if (!painter_.isActive()) return;
  const QRect r = QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)).normalized();
  if (!r.isEmpty()) painter_.fillRect(r, toQColor(color));
}

void QtDevice::setPixel(int32_t x, int32_t y, Color color) {
  if (painter_.isActive()) painter_.fillRect(QRect(x, y, 1, 1), toQColor(color));
}

void QtDevice::fillDots(DotShape shape, std::span<const DotMark> marks, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                        bool multiply) {
  if (!painter_.isActive() || marks.empty() || x2 <= x1 || y2 <= y1) return;
  painter_.save();
  painter_.setClipRect(QRect(x1, y1, x2 - x1, y2 - y1), Qt::IntersectClip);
  painter_.setRenderHint(QPainter::Antialiasing, true);
  // Inks printed over each other: each screen darkens what the others left.
  if (multiply) painter_.setCompositionMode(QPainter::CompositionMode_Multiply);
  painter_.setPen(Qt::NoPen);
  const QTransform base = painter_.transform();
  const QPainterPath& unit = unitShape(shape);
  Color brush = marks.front().color;
  painter_.setBrush(toQColor(brush));
  for (const DotMark& m : marks) {
    if (m.color != brush) painter_.setBrush(toQColor(brush = m.color));
    painter_.setTransform(QTransform(m.m11, m.m21, m.m12, m.m22, m.cx, m.cy) * base);
    painter_.drawPath(unit);
  }
  painter_.restore();
}

void QtDevice::setFontHeight(int32_t height) {
  font_ = painter_.isActive() ? painter_.font() : QFont();
  if (height == 0) return;
  // A negative height is the character height; a positive one is the whole cell, ascent plus
  // descent, as the core's text placement measures it.
  font_.setPixelSize(std::max(1, std::abs(height)));
  if (height < 0) return;
  const int cell = painter_.device() ? QFontMetrics(font_, painter_.device()).height() : QFontMetrics(font_).height();
  if (cell > height) font_.setPixelSize(std::max(1, static_cast<int>(int64_t{height} * height / cell)));
}

TextSize QtDevice::textExtent(const std::string& utf8) {
  const QFontMetrics metrics = painter_.device() ? QFontMetrics(font_, painter_.device()) : QFontMetrics(font_);
  return {metrics.horizontalAdvance(fromUtf8(utf8)), metrics.height()};
}

void QtDevice::textOut(int32_t x, int32_t y, const std::string& utf8) {
  if (!painter_.isActive()) return;
  painter_.save();
  painter_.setFont(font_);
  painter_.setPen(Qt::black);
  painter_.setBackgroundMode(Qt::OpaqueMode);
  painter_.setBackground(Qt::white);
  painter_.drawText(QPoint(x, y + QFontMetrics(font_, painter_.device()).ascent()), fromUtf8(utf8));
  painter_.restore();
}

int32_t QtDevice::width() const {
  if (!area_.isEmpty()) return area_.width();
  return painter_.device() ? painter_.device()->width() : 0;
}

int32_t QtDevice::height() const {
  if (!area_.isEmpty()) return area_.height();
  return painter_.device() ? painter_.device()->height() : 0;
}

PictureCacheStats QtDevice::cacheStats() { return pictureCache::stats(); }
void QtDevice::clearCache() { pictureCache::clear(); }

}  // namespace tessaro
