#include "platform/DibImage.h"

#include <vector>

#include "picture/Limits.h"

namespace tessaro {

std::optional<DibSource> makeDibSource(const uint8_t* bits, const BitmapInfo& info, int32_t firstRow,
                                       int32_t rowCount) {
  const BitmapInfoHeader& h = info.bmiHeader;
  if (!bits || h.biCompression != 0 || h.biHeight <= 0) return std::nullopt;
  if (!dibSizeAllowed(h.biWidth, h.biHeight, h.biBitCount)) return std::nullopt;
  if (firstRow < 0 || firstRow >= h.biHeight) return std::nullopt;
  if (rowCount < 0 || rowCount > h.biHeight - firstRow) rowCount = h.biHeight - firstRow;
  if (rowCount == 0) return std::nullopt;

  DibSource s;
  s.bits = bits;
  s.width = h.biWidth;
  s.height = h.biHeight;
  s.bitCount = h.biBitCount;
  s.rowBytes = static_cast<size_t>(dibRowBytes(h.biWidth, h.biBitCount));
  s.firstRow = firstRow;
  s.rowCount = rowCount;
  s.colors.fill(qRgb(0, 0, 0));
  if (s.bitCount <= 8) {
    const uint32_t full = 1u << s.bitCount;
    const uint32_t used = (h.biClrUsed > 0 && h.biClrUsed < full) ? h.biClrUsed : full;
    for (uint32_t i = 0; i < used; ++i) {
      const RgbQuad& q = info.bmiColors[i];
      s.colors[i] = qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
  }
  return s;
}

namespace {

inline uint8_t expand5(unsigned v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); }

// One output row from one source row; xs holds the source column of every output pixel.
void sampleRow(const DibSource& s, const uint8_t* row, const std::vector<int32_t>& xs, QRgb* out) {
  const size_t n = xs.size();
  switch (s.bitCount) {
    case 24:
      for (size_t i = 0; i < n; ++i) {
        const uint8_t* p = row + 3 * static_cast<size_t>(xs[i]);
        out[i] = qRgb(p[2], p[1], p[0]);
      }
      break;
    case 32:
      for (size_t i = 0; i < n; ++i) {
        const uint8_t* p = row + 4 * static_cast<size_t>(xs[i]);
        out[i] = qRgb(p[2], p[1], p[0]);
      }
      break;
    case 16:  // 5-5-5, the only 16-bit layout without bit fields
      for (size_t i = 0; i < n; ++i) {
        const uint8_t* p = row + 2 * static_cast<size_t>(xs[i]);
        const unsigned v = p[0] | (p[1] << 8);
        out[i] = qRgb(expand5((v >> 10) & 31), expand5((v >> 5) & 31), expand5(v & 31));
      }
      break;
    case 8:
      for (size_t i = 0; i < n; ++i) out[i] = s.colors[row[xs[i]]];
      break;
    case 4:
      for (size_t i = 0; i < n; ++i) {
        const uint8_t b = row[xs[i] >> 1];
        out[i] = s.colors[(xs[i] & 1) ? (b & 15) : (b >> 4)];
      }
      break;
    case 1:
      for (size_t i = 0; i < n; ++i) out[i] = s.colors[(row[xs[i] >> 3] >> (7 - (xs[i] & 7))) & 1];
      break;
  }
}

// Source offset (0 .. length - 1) under the centre of output pixel i of count.
inline int32_t centreSample(int32_t i, int32_t length, int32_t count) {
  return static_cast<int32_t>((2 * int64_t{i} + 1) * length / (2 * int64_t{count}));
}

}  // namespace

QImage sampleDib(const DibSource& source, const SourceRect& rect, int32_t outW, int32_t outH) {
  QImage image(outW, outH, QImage::Format_RGB32);
  if (image.isNull()) return image;
  std::vector<int32_t> xs(static_cast<size_t>(outW));
  for (int32_t i = 0; i < outW; ++i) xs[static_cast<size_t>(i)] = rect.x + centreSample(i, rect.w, outW);
  for (int32_t oy = 0; oy < outH; ++oy) {
    // Output rows run from the top; the rectangle's top row is its highest stored row.
    const int32_t storedY = rect.y + rect.h - 1 - centreSample(oy, rect.h, outH);
    sampleRow(source, source.storedRow(storedY), xs, reinterpret_cast<QRgb*>(image.scanLine(oy)));
  }
  return image;
}

QImage dibImage(const TDib& dib) {
  if (dib.empty()) return {};
  const auto source = makeDibSource(dib.Bits, *dib.info());
  if (!source) return {};
  return sampleDib(*source, {0, 0, DibWidth(dib), DibHeight(dib)}, DibWidth(dib), DibHeight(dib));
}

}  // namespace tessaro
