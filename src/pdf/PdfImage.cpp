#include "pdf/PdfImage.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "picture/Limits.h"
#include "picture/PhotoGrain.h"

namespace tessaro {

namespace {

enum Filter : uint8_t { None, Sub, Up, Average, Paeth, kFilters };
// Which filters a row may take, as bits (1 << filter).
constexpr unsigned kNoFilter = 1u << None;
constexpr unsigned kPhotoFilters = (1u << Sub) | (1u << Up);
constexpr unsigned kAllFilters = (1u << kFilters) - 1;

uint8_t paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
  return static_cast<uint8_t>(pb <= pc ? b : c);
}

// One row through each allowed PNG filter; picks the one whose bytes, read as signed, sum the
// least in absolute value (the usual encoder's guess at what deflates best).
class RowFilter {
 public:
  RowFilter(size_t rowBytes, size_t pixelBytes, unsigned filters)
      : n_(rowBytes), bpp_(pixelBytes), filters_(filters), prev_(rowBytes, 0) {
    for (auto& out : out_) out.resize(rowBytes + 1);
  }
  // The filtered row with its filter byte in front; `row` becomes the previous row.
  const std::vector<uint8_t>& filter(const uint8_t* row) {
    Filter best = None;
    uint64_t least = UINT64_MAX;
    for (int f = None; f < kFilters; ++f) {
      if (!(filters_ & (1u << f))) continue;
      const uint64_t cost = apply(static_cast<Filter>(f), row);
      if (cost < least) {
        least = cost;
        best = static_cast<Filter>(f);
      }
    }
    prev_.assign(row, row + n_);
    return out_[best];
  }

 private:
  uint64_t apply(Filter f, const uint8_t* row) {
    uint8_t* out = out_[f].data();
    out[0] = f;
    ++out;
    const uint8_t* up = prev_.data();
    const size_t first = std::min(bpp_, n_);
    // Separate loops, so that the compiler can vectorise each filter.
    switch (f) {
      case None:
        std::copy(row, row + n_, out);
        break;
      case Sub:
        std::copy(row, row + first, out);
        for (size_t i = first; i < n_; ++i) out[i] = static_cast<uint8_t>(row[i] - row[i - bpp_]);
        break;
      case Up:
        for (size_t i = 0; i < n_; ++i) out[i] = static_cast<uint8_t>(row[i] - up[i]);
        break;
      case Average:
        for (size_t i = 0; i < first; ++i) out[i] = static_cast<uint8_t>(row[i] - (up[i] >> 1));
        for (size_t i = first; i < n_; ++i) out[i] = static_cast<uint8_t>(row[i] - ((row[i - bpp_] + up[i]) >> 1));
        break;
      default:
        for (size_t i = 0; i < first; ++i) out[i] = static_cast<uint8_t>(row[i] - up[i]);
        for (size_t i = first; i < n_; ++i)
          out[i] = static_cast<uint8_t>(row[i] - paeth(row[i - bpp_], up[i], up[i - bpp_]));
    }
    uint64_t sum = 0;
    for (size_t i = 0; i < n_; ++i) sum += static_cast<uint64_t>(std::abs(static_cast<int8_t>(out[i])));
    return sum;
  }

  size_t n_, bpp_;
  unsigned filters_;
  std::vector<uint8_t> prev_;
  std::array<std::vector<uint8_t>, kFilters> out_;
};

// A stored row in the image's byte order: RGB for 24 and 32 bits, packed indices as they are.
void pixelRow(const uint8_t* src, uint8_t* dst, int32_t width, int bits) {
  if (bits < 24) {
    std::copy(src, src + (static_cast<size_t>(width) * bits + 7) / 8, dst);
    return;
  }
  const size_t step = static_cast<size_t>(bits / 8);
  for (int32_t x = 0; x < width; ++x, src += step, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

}  // namespace

std::string pdfColourSpace(const BitmapInfo& info, int bits, const std::string& rgb) {
  if (bits >= 24) return rgb;
  const int entries = 1 << bits;
  std::string table;
  for (int i = 0; i < entries; ++i) {
    const RgbQuad& q = info.bmiColors[i];
    table += {static_cast<char>(q.rgbRed), static_cast<char>(q.rgbGreen), static_cast<char>(q.rgbBlue)};
  }
  return "[/Indexed " + rgb + " " + std::to_string(entries - 1) + " <" + hexDigits(table) + ">]";
}

bool pdfImageFits(const uint8_t* bits, const BitmapInfo& info, int32_t rowCount) {
  const BitmapInfoHeader& h = info.bmiHeader;
  const int depth = h.biBitCount;
  const bool known = depth == 1 || depth == 4 || depth == 8 || depth == 24 || depth == 32;
  return bits && known && h.biCompression == 0 && h.biWidth > 0 && rowCount > 0 &&
         dibSizeAllowed(h.biWidth, rowCount, depth);
}

void writePdfImage(PdfWriter& writer, int number, const uint8_t* bits, const BitmapInfo& info, int32_t rowCount,
                   const std::string& rgb) {
  const BitmapInfoHeader& h = info.bmiHeader;
  const int depth = h.biBitCount;
  const int colours = depth >= 24 ? 3 : 1, component = depth >= 24 ? 8 : depth;
  const size_t rowBytes = (static_cast<size_t>(h.biWidth) * colours * component + 7) / 8;
  const uint64_t stride = dibRowBytes(h.biWidth, depth);
  const std::string width = std::to_string(h.biWidth);

  // Compressed as our PNG files are: photos fast, drawings and palettes thoroughly. Filters on
  // packed or indexed pixels rarely pay, so those rows go unfiltered, as in PNG.
  const bool photo = depth >= 24 && looksLikeAPhoto(bits, stride, rowBytes, rowCount);
  const unsigned filters = depth < 24 ? kNoFilter : photo ? kPhotoFilters : kAllFilters;
  writer.beginObject(number);
  DeflateStream data(writer, photo ? kPhotoLevel : kDrawingLevel, depth < 24 ? Z_DEFAULT_STRATEGY : Z_FILTERED);
  writer.text("<< /Type /XObject /Subtype /Image /Width " + width + " /Height " + std::to_string(rowCount) +
              " /ColorSpace " + pdfColourSpace(info, depth, rgb) + " /BitsPerComponent " + std::to_string(component) +
              " /Interpolate false /Filter /FlateDecode /DecodeParms << /Predictor 15 /Colors " +
              std::to_string(colours) + " /BitsPerComponent " + std::to_string(component) + " /Columns " + width +
              " >> " + data.lengthEntry() + " >>\nstream\n");
  RowFilter filter(rowBytes, static_cast<size_t>(colours), filters);
  std::vector<uint8_t> row(rowBytes);
  // The stored rows run bottom-up; an image starts at the top.
  for (int32_t i = rowCount - 1; i >= 0 && writer.ok(); --i) {
    pixelRow(bits + stride * static_cast<uint64_t>(i), row.data(), h.biWidth, depth);
    const std::vector<uint8_t>& filtered = filter.filter(row.data());
    data.write(filtered.data(), filtered.size());
  }
  data.finish();
}

}  // namespace tessaro
