// Run-length coding of 4- and 8-bit BMP rows (RLE4 and RLE8).
#include <algorithm>

#include "picture/codecs/BmpCodec.h"

namespace tessaro::bmp {

namespace {

inline void putPixel(uint8_t* row, int bits, int x, uint8_t v) {
  if (bits == 8) {
    row[x] = v;
  } else {
    uint8_t& b = row[x >> 1];
    b = (x & 1) ? static_cast<uint8_t>((b & 0xf0) | (v & 0x0f)) : static_cast<uint8_t>((b & 0x0f) | (v << 4));
  }
}

inline uint8_t pixelAt(const uint8_t* row, int bits, int x) {
  if (bits == 8) return row[x];
  return (x & 1) ? (row[x >> 1] & 0x0f) : (row[x >> 1] >> 4);
}

}  // namespace

bool decodeRle(ByteReader& in, TDib& dib, const ProgressFn& progress) {
  const int bits = dib.Header->biBitCount;
  const int w = dib.Header->biWidth;
  const int h = dib.Header->biHeight;
  // Some writers code the row's padding as pixels too; runs may reach into it, and what falls
  // there is dropped. Anything beyond the padded row is damage.
  const int paddedWidth = dib.RowBytes * 8 / bits;
  RowProgress rows(progress, h);
  int x = 0;
  int y = 0;  // stored row: the file starts with the bottom row
  // Data that only skips (end of line, delta, end of bitmap) holds no picture at all.
  bool drew = false;
  for (;;) {
    uint8_t count, value;
    // Data that stops after its last row without the end marker is still a whole picture.
    if (!in.get(count) || !in.get(value)) return y >= h && drew;
    if (count > 0) {
      if (y >= h || x + count > paddedWidth) return false;
      drew = true;
      uint8_t* row = dib.storedRow(y);
      for (int i = 0; i < count; ++i, ++x)
        if (x < w) putPixel(row, bits, x, bits == 8 ? value : ((i & 1) ? (value & 0x0f) : (value >> 4)));
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        if (++y > h) return false;
        rows.row(y);
        break;
      case 1:  // end of bitmap
        return drew;
      case 2: {  // delta
        uint8_t dx, dy;
        if (!in.get(dx) || !in.get(dy)) return false;
        x += dx;
        y += dy;
        if (x > paddedWidth || y > h) return false;
        if (dy) rows.row(y);
        break;
      }
      default: {  // absolute run, padded to a 16-bit boundary
        const int n = value;
        if (y >= h || x + n > paddedWidth) return false;
        drew = true;
        uint8_t* row = dib.storedRow(y);
        const int bytes = bits == 8 ? n : (n + 1) / 2;
        uint8_t b = 0;
        for (int i = 0; i < n; ++i, ++x) {
          if ((bits == 8 || (i & 1) == 0) && !in.get(b)) return false;
          if (x < w) putPixel(row, bits, x, bits == 8 ? b : ((i & 1) ? (b & 0x0f) : (b >> 4)));
        }
        if ((bytes & 1) && !in.skip(1)) return false;
        break;
      }
    }
  }
}

namespace {

// Longest run of equal pixels from x, at most 255.
int runLength(const uint8_t* row, int bits, int x, int w) {
  const uint8_t v = pixelAt(row, bits, x);
  int n = 1;
  while (x + n < w && n < 255 && pixelAt(row, bits, x + n) == v) ++n;
  return n;
}

void encodeRow(const uint8_t* row, int bits, int w, std::vector<uint8_t>& out) {
  int x = 0;
  while (x < w) {
    const int run = runLength(row, bits, x, w);
    if (run >= 3) {
      const uint8_t v = pixelAt(row, bits, x);
      out.push_back(static_cast<uint8_t>(run));
      out.push_back(bits == 8 ? v : static_cast<uint8_t>((v << 4) | v));
      x += run;
      continue;
    }
    // Pixels up to the next run worth coding go out as one absolute run.
    int end = x;
    while (end < w && end - x < 255 && runLength(row, bits, end, w) < 3) ++end;
    const int n = end - x;
    if (n < 3) {  // absolute runs need at least 3 pixels; short stretches are runs of one
      for (int i = 0; i < n; ++i) {
        const uint8_t v = pixelAt(row, bits, x + i);
        out.push_back(1);
        out.push_back(bits == 8 ? v : static_cast<uint8_t>(v << 4));
      }
    } else {
      out.push_back(0);
      out.push_back(static_cast<uint8_t>(n));
      int bytes = 0;
      for (int i = 0; i < n; i += (bits == 8 ? 1 : 2)) {
        if (bits == 8) {
          out.push_back(pixelAt(row, bits, x + i));
        } else {
          const uint8_t lo = i + 1 < n ? pixelAt(row, bits, x + i + 1) : 0;
          out.push_back(static_cast<uint8_t>((pixelAt(row, bits, x + i) << 4) | lo));
        }
        ++bytes;
      }
      if (bytes & 1) out.push_back(0);
    }
    x = end;
  }
}

}  // namespace

std::vector<uint8_t> encodeRle(const TDib& dib) {
  std::vector<uint8_t> out;
  const int bits = dib.Header->biBitCount;
  const int w = dib.Header->biWidth;
  const int h = dib.Header->biHeight;
  for (int y = 0; y < h; ++y) {
    encodeRow(dib.storedRow(y), bits, w, out);
    out.push_back(0);
    out.push_back(y + 1 < h ? 0 : 1);  // end of line, after the last row end of bitmap
  }
  return out;
}

}  // namespace tessaro::bmp
