#include "pdf/PdfDevice.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

#include "pdf/HelveticaMetrics.h"
#include "pdf/PdfSourceImage.h"
#include "vector/PageEmbedder.h"

namespace tessaro {

namespace {

constexpr double kDefaultFontSize = 16;

std::string colour(Color c, const char* op) {
  return pdfNumber(colorRed(c) / 255.0) + " " + pdfNumber(colorGreen(c) / 255.0) + " " +
         pdfNumber(colorBlue(c) / 255.0) + " " + op + "\n";
}

// A number in tenths of a device pixel, a space after it: finer than any printer places ink, and
// short, as a dot poster writes six of them for each of its many dots.
void appendTenths(std::string& out, double v) {
  const long long tenths = std::llround(v * 10);
  const long long whole = (tenths < 0 ? -tenths : tenths) / 10, tenth = (tenths < 0 ? -tenths : tenths) % 10;
  char buf[32];
  char* p = buf;
  if (tenths < 0) *p++ = '-';
  p = std::to_chars(p, buf + sizeof buf, whole).ptr;
  if (tenth) {
    *p++ = '.';
    *p++ = static_cast<char>('0' + tenth);
  }
  *p++ = ' ';
  out.append(buf, p);
}

// A fill colour to three decimals, which tell all 256 steps of a channel apart.
void appendFillColour(std::string& out, Color c) {
  for (const uint8_t channel : {colorRed(c), colorGreen(c), colorBlue(c)}) {
    long thousandths = std::lround(channel * 1000 / 255.0);
    if (thousandths == 0 || thousandths == 1000) {
      out += thousandths ? "1 " : "0 ";
      continue;
    }
    out += "0.";
    for (long digit = 100; thousandths; digit /= 10) {
      out += static_cast<char>('0' + thousandths / digit);
      thousandths %= digit;
    }
    out += ' ';
  }
  out += "rg\n";
}

// The cell of the font at `size`: ascent plus descent.
double cellOf(double size) { return size * (helvetica::kAscent + helvetica::kDescent) / 1000; }

}  // namespace

PdfDevice::PdfDevice(int32_t width, int32_t height, PdfDocument& document)
    : width_(width), height_(height), document_(document) {}

PdfPage PdfDevice::takePage() { return std::exchange(page_, {}); }

void PdfDevice::setSourcePicture(uint64_t id, uint64_t generation) {
  sourceId_ = id;
  sourceGeneration_ = generation;
}

void PdfDevice::drawImage(int number, int32_t imageW, int32_t imageH, double x, double y, double destW, double destH,
                          double sx, double sy, double srcW, double srcH) {
  const double kx = destW / srcW, ky = destH / srcH;
  // The image fills the unit square, its top row at 1; y runs down here.
  page_.content += "q " + pdfNumber(x) + " " + pdfNumber(y) + " " + pdfNumber(destW) + " " + pdfNumber(destH) +
                   " re W n " + pdfNumber(imageW * kx) + " 0 0 " + pdfNumber(-imageH * ky) + " " +
                   pdfNumber(x - sx * kx) + " " + pdfNumber(y - sy * ky + imageH * ky) + " cm " +
                   pdfOrientationMatrix(document_.imageOrientation(number)) + "/Im" + std::to_string(number) + " Do Q\n";
  page_.images.insert(number);
}

void PdfDevice::drawVectorPage(const PictureSource& page, int32_t imageW, int32_t imageH, double x, double y,
                               double destW, double destH, double sx, double sy, double srcW, double srcH) {
  const double kx = destW / srcW, ky = destH / srcH;
  // As an image would be drawn, with the page's points in place of the unit square: the
  // stand-in's pixels and the page cover the same area.
  page_.content += "q " + pdfNumber(x) + " " + pdfNumber(y) + " " + pdfNumber(destW) + " " + pdfNumber(destH) +
                   " re W n " + pdfNumber(imageW * kx / page.widthPt) + " 0 0 " +
                   pdfNumber(-imageH * ky / page.heightPt) + " " + pdfNumber(x - sx * kx) + " " +
                   pdfNumber(y - sy * ky + imageH * ky) + " cm " + kPlacedPageName + " Do Q\n";
  page_.vectorPage = true;
}

int PdfDevice::rowsDrawn(int number, int32_t rows) const {
  if (number) return rows;
  return document_.ok() ? GDI_ERROR : rows;
}

int PdfDevice::stretchDIBits(int32_t x, int32_t y, int32_t destW, int32_t destH, int32_t srcX, int32_t srcY,
                             int32_t srcW, int32_t srcH, const uint8_t* bits, const BitmapInfo& info, uint32_t) {
  // The picture's identity holds for this one call.
  const uint64_t id = std::exchange(sourceId_, 0);
  const uint64_t generation = std::exchange(sourceGeneration_, 0);
  const PictureSource* source = std::exchange(source_, nullptr);
  if (destW <= 0 || destH <= 0 || srcW <= 0 || srcH <= 0) return 0;
  const int32_t h = info.bmiHeader.biHeight;
  if (source && document_.placeVectorPage(*source)) {
    drawVectorPage(*source, info.bmiHeader.biWidth, h, x, y, destW, destH, srcX,
                   static_cast<double>(int64_t{h} - srcY - srcH), srcW, srcH);
    return srcH;
  }
  const int number = document_.image(id, generation, bits, info, h, source);
  // Source rows count from the bottom; the image's from the top.
  if (number)
    drawImage(number, info.bmiHeader.biWidth, h, x, y, destW, destH, srcX,
              static_cast<double>(int64_t{h} - srcY - srcH), srcW, srcH);
  return rowsDrawn(number, srcH);
}

int PdfDevice::setDIBitsToDevice(int32_t x, int32_t y, int32_t w, int32_t h, int32_t srcX, int32_t srcY,
                                 int32_t startScan, int32_t numScans, const uint8_t* bits, const BitmapInfo& info) {
  sourceId_ = sourceGeneration_ = 0;
  source_ = nullptr;
  if (w <= 0 || h <= 0 || numScans <= 0) return 0;
  const int number = document_.image(0, 0, bits, info, numScans, nullptr);
  // The image holds stored rows startScan .. startScan + numScans - 1, the highest on top; the
  // source rectangle's top row (srcY + h - 1) lands on y.
  const int64_t top = int64_t{startScan} + numScans - (int64_t{srcY} + h);
  if (number) drawImage(number, info.bmiHeader.biWidth, numScans, x, y, w, h, srcX, static_cast<double>(top), w, h);
  const int drawn = rowsDrawn(number, numScans);
  return drawn == GDI_ERROR ? 0 : drawn;
}

const PaletteObject* PdfDevice::selectPalette(const PaletteObject* palette) { return std::exchange(palette_, palette); }

void PdfDevice::setPen(Color color, PenStyle style) {
  pen_ = color;
  penStyle_ = style;
}

void PdfDevice::line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (x1 == x2 && y1 == y2) return;
  // Through the pixel centres with flat ends (set for the page): the end point stays out, as on
  // any device.
  page_.content += colour(pen_, "RG") + (penStyle_ == PenStyle::Dot ? "[1 1] 0 d " : "[] 0 d ") + pdfNumber(x1 + 0.5) +
                   " " + pdfNumber(y1 + 0.5) + " m " + pdfNumber(x2 + 0.5) + " " + pdfNumber(y2 + 0.5) + " l S\n";
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
  page_.content += colour(color, "rg") + std::to_string(l) + " " + std::to_string(t) + " " +
                   std::to_string(int64_t{r} - l) + " " + std::to_string(int64_t{b} - t) + " re f\n";
}

void PdfDevice::setPixel(int32_t x, int32_t y, Color color) { fillRect(x, y, x + 1, y + 1, color); }

void PdfDevice::fillDots(DotShape shape, std::span<const DotMark> marks, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                         bool multiply) {
  const int32_t l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2), b = std::max(y1, y2);
  if (marks.empty() || r <= l || b <= t) return;
  const int form = document_.dotForm(shape);
  if (!form) return;
  page_.dotForms.insert(form);
  std::string& out = page_.content;
  out.reserve(out.size() + marks.size() * 48);
  out += "q " + std::to_string(l) + " " + std::to_string(t) + " " + std::to_string(int64_t{r} - l) + " " +
         std::to_string(int64_t{b} - t) + " re W n\n";
  if (const int state = multiply ? document_.multiplyState() : 0) {
    out += "/G" + std::to_string(state) + " gs\n";
    page_.blendStates.insert(state);
  }
  const std::string place = "cm /D" + std::to_string(form) + " Do Q\n";
  Color fill = ~marks.front().color;
  for (const DotMark& m : marks) {
    const double su = std::hypot(m.m11, m.m21), sv = std::hypot(m.m12, m.m22);
    // Thinner than a tenth of a pixel: nothing shows, and a flat matrix is no valid transform.
    if (!(su >= 0.05 && sv >= 0.05)) continue;
    if (m.color != fill) appendFillColour(out, fill = m.color);
    out += "q ";
    // A circle turned is the same circle: a plain scale says it in fewer bytes.
    if (shape == DotShape::Circle && std::abs(su - sv) < 1e-6 * su &&
        std::abs(m.m11 * m.m12 + m.m21 * m.m22) < 1e-6 * su * su) {
      appendTenths(out, su);
      out += "0 0 ";
      appendTenths(out, su);
    } else {
      for (const double v : {m.m11, m.m21, m.m12, m.m22}) appendTenths(out, v);
    }
    appendTenths(out, m.cx);
    appendTenths(out, m.cy);
    out += place;
  }
  out += "Q\n";
}

void PdfDevice::setFontHeight(int32_t height) {
  // A negative height is the character height; a positive one is the whole cell, ascent plus
  // descent, as the core's text placement measures it.
  fontSize_ = height == 0 ? kDefaultFontSize : std::abs(static_cast<double>(height));
  if (height > 0 && cellOf(fontSize_) > height) fontSize_ = fontSize_ * height / cellOf(fontSize_);
}

TextSize PdfDevice::textExtent(const std::string& utf8) {
  const double width = static_cast<double>(helvetica::advance(helvetica::toWinAnsi(utf8))) * fontSize_ / 1000;
  // A cell of exactly h pixels must not round up to h + 1 through the division above.
  return {static_cast<int32_t>(std::lround(width)), static_cast<int32_t>(std::ceil(cellOf(fontSize_) - 1e-9))};
}

void PdfDevice::textOut(int32_t x, int32_t y, const std::string& utf8) {
  const TextSize box = textExtent(utf8);
  fillRect(x, y, x + box.width, y + box.height, kWhite);
  const double baseline = y + fontSize_ * helvetica::kAscent / 1000;
  // The text matrix turns the page's downward y up again, so the letters stand upright.
  page_.content += "BT /F1 " + pdfNumber(fontSize_) + " Tf 0 g 1 0 0 -1 " + pdfNumber(x) + " " + pdfNumber(baseline) +
                   " Tm " + "<" + hexDigits(helvetica::toWinAnsi(utf8)) + ">" + " Tj ET\n";
  page_.text = true;
}

}  // namespace tessaro
