#include "picture/codecs/PcxCodec.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "picture/Limits.h"
#include "picture/codecs/Codecs.h"
#include "picture/codecs/LegacyCodecIo.h"

namespace tessaro {

namespace {

using legacy::ByteReader;
using legacy::rgbQuad;

constexpr size_t kHeaderSize = 128;
constexpr size_t kTailPaletteSize = 769;  // marker 0x0C and 256 RGB triples
constexpr uint8_t kTailMarker = 0x0C;
constexpr int kMaxRun = 63;

struct PcxHeader {
  int version = 0;
  bool rle = true;
  int bitsPerPlane = 0;
  int planes = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint32_t bytesPerLine = 0;
  const uint8_t* colors16 = nullptr;  // 16 RGB triples inside the header
};

// The fields that lie within the first 64 bytes; enough to recognise the format.
bool parseFront(std::span<const uint8_t> h, PcxHeader& out) {
  if (h.size() < 64 || h[0] != 0x0A) return false;
  const int version = h[1];
  if (version != 0 && version != 2 && version != 3 && version != 4 && version != 5) return false;
  if (h[2] > 1) return false;
  const int bits = h[3];
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8) return false;
  const int xmin = le16(&h[4]), ymin = le16(&h[6]), xmax = le16(&h[8]), ymax = le16(&h[10]);
  if (xmax < xmin || ymax < ymin) return false;
  out.version = version;
  out.rle = h[2] == 1;
  out.bitsPerPlane = bits;
  out.width = xmax - xmin + 1;
  out.height = ymax - ymin + 1;
  out.colors16 = &h[16];
  return true;
}

// Depth of the picture we make from a plane layout; 0 for layouts we do not read.
int targetBits(int bitsPerPlane, int planes) {
  if (bitsPerPlane == 1 && planes == 1) return 1;
  if (bitsPerPlane == 1 && planes >= 2 && planes <= 4) return 4;
  if ((bitsPerPlane == 2 || bitsPerPlane == 4) && planes == 1) return 4;
  if (bitsPerPlane == 8 && planes == 1) return 8;
  if (bitsPerPlane == 8 && (planes == 3 || planes == 4)) return 24;
  return 0;
}

bool parseHeader(InputStream& in, std::span<const uint8_t> h, PcxHeader& out) {
  if (h.size() < kHeaderSize || !parseFront(h, out)) return false;
  out.planes = h[65];
  out.bytesPerLine = le16(&h[66]);
  if (targetBits(out.bitsPerPlane, out.planes) == 0) {
    // Other layouts of up to four planes exist in the wild; more are not a PCX header.
    if (out.planes >= 1 && out.planes <= 4)
      in.fail(FileFault::Unsupported, std::to_string(out.planes) + " × " + std::to_string(out.bitsPerPlane) + " Bit");
    return false;
  }
  // Each plane line must hold the whole width.
  const uint64_t needBits = static_cast<uint64_t>(out.width) * static_cast<uint64_t>(out.bitsPerPlane);
  return out.bytesPerLine > 0 && uint64_t{out.bytesPerLine} * 8 >= needBits;
}

// Run-length decoder whose runs may carry over from one line into the next.
class RleLines {
 public:
  RleLines(ByteReader& in, bool rle) : in_(in), rle_(rle) {}
  bool fill(std::span<uint8_t> line) {
    for (uint8_t& dst : line) {
      while (pending_ == 0) {
        uint8_t c;
        if (!in_.get(c)) return false;
        if (rle_ && (c & 0xC0) == 0xC0) {
          pending_ = c & 0x3F;
          if (!in_.get(value_)) return false;
        } else {
          pending_ = 1;
          value_ = c;
        }
      }
      dst = value_;
      --pending_;
    }
    return true;
  }
  // A run that reaches past the last line means the data is broken.
  bool overran() const { return pending_ != 0; }

 private:
  ByteReader& in_;
  bool rle_;
  int pending_ = 0;
  uint8_t value_ = 0;
};

void lineToRow(const PcxHeader& h, const std::vector<uint8_t>& line, uint8_t* row) {
  const size_t bpl = h.bytesPerLine;
  const int32_t w = h.width;
  if (h.bitsPerPlane == 8 && h.planes >= 3) {
    for (int32_t x = 0; x < w; ++x) {
      const size_t i = static_cast<size_t>(x);
      uint8_t r = line[i], g = line[bpl + i], b = line[2 * bpl + i];
      if (h.planes == 4) {
        const uint8_t a = line[3 * bpl + i];
        r = legacy::onWhite(r, a);
        g = legacy::onWhite(g, a);
        b = legacy::onWhite(b, a);
      }
      row[i * 3] = b;
      row[i * 3 + 1] = g;
      row[i * 3 + 2] = r;
    }
  } else if (h.bitsPerPlane == 1 && h.planes > 1) {
    for (int32_t x = 0; x < w; ++x) {
      uint8_t v = 0;
      for (int p = 0; p < h.planes; ++p)
        v = static_cast<uint8_t>(v | (((line[p * bpl + static_cast<size_t>(x >> 3)] >> (7 - (x & 7))) & 1) << p));
      legacy::putIndex(row, 4, x, v);
    }
  } else if (h.bitsPerPlane == 2) {
    for (int32_t x = 0; x < w; ++x)
      legacy::putIndex(row, 4, x, static_cast<uint8_t>((line[static_cast<size_t>(x >> 2)] >> (6 - 2 * (x & 3))) & 3));
  } else {
    // One plane of 1, 4 or 8 bits is already laid out as the picture's row.
    const size_t bytes = (static_cast<size_t>(w) * static_cast<size_t>(h.bitsPerPlane) + 7) / 8;
    std::copy_n(line.begin(), bytes, row);
  }
}

// The 256-colour table at the end of an 8-bit file. Without one (old files) a grey ramp is
// used; bytes after the pixel data that are too few for a table mean a cut-off file.
bool readTailPalette(InputStream& in, uint64_t dataEnd, std::array<RgbQuad, 256>& table) {
  const uint64_t size = in.size();
  uint8_t buf[kTailPaletteSize];
  bool found = false;
  if (size >= dataEnd + kTailPaletteSize) {
    for (uint64_t candidate : {size - kTailPaletteSize, dataEnd}) {
      if (!in.seek(candidate) || !in.readExact(buf, sizeof buf)) return false;
      if (buf[0] == kTailMarker) {
        found = true;
        break;
      }
    }
  }
  if (!found) {
    if (size > dataEnd && size < dataEnd + kTailPaletteSize) return false;
    legacy::greyRamp(table, 256);
    return true;
  }
  for (size_t i = 0; i < 256; ++i) table[i] = rgbQuad(buf[1 + i * 3], buf[2 + i * 3], buf[3 + i * 3]);
  return true;
}

class PcxCodec final : public Codec {
 public:
  std::string name() const override { return "PCX"; }
  std::vector<std::string> extensions() const override { return {"pcx"}; }
  bool probe(std::span<const uint8_t> head) const override {
    PcxHeader h;
    return parseFront(head, h);
  }
  TDib decode(InputStream& in, const ProgressFn& progress) const override;
  bool encode(const TDib& dib, OutputStream& out) const override;
};

TDib PcxCodec::decode(InputStream& in, const ProgressFn& progress) const {
  uint8_t head[kHeaderSize];
  PcxHeader h;
  if (!in.readExact(head, sizeof head) || !parseHeader(in, head, h)) return TDib();
  in.metadata().resolution = resolutionPer(le16(&head[12]), le16(&head[14]), 1);
  const int bits = targetBits(h.bitsPerPlane, h.planes);
  if (!admitSize(in, h.width, h.height, bits)) return TDib();
  std::vector<uint8_t> line(static_cast<size_t>(h.bytesPerLine) * static_cast<size_t>(h.planes));
  // A run gives at most 63 bytes for two.
  const uint64_t lineBytes = uint64_t{line.size()} * static_cast<uint64_t>(h.height);
  if (!legacy::bodyHolds(in, in.size(), h.rle ? (lineBytes * 2 + 62) / 63 : lineBytes)) return TDib();
  TDib dib = allocateDib(h.width, h.height, bits, true);
  if (dib.empty()) return TDib();

  ByteReader reader(in, in.remaining());
  RleLines lines(reader, h.rle);
  RowProgress rows(progress, h.height);
  for (int32_t y = 0; y < h.height; ++y) {
    if (!lines.fill(line)) return TDib();
    lineToRow(h, line, dib.row(y));
    rows.row(y);
  }
  if (lines.overran()) return TDib();

  if (bits <= 8) {
    std::array<RgbQuad, 256> table{};
    if (bits == 8) {
      if (!readTailPalette(in, kHeaderSize + reader.consumed(), table)) return TDib();
    } else {
      // A 2-bit file uses the first four header colours; the rest of its table stays black.
      const size_t colors = h.bitsPerPlane == 2 ? 4 : 16;
      for (size_t i = 0; i < colors; ++i)
        table[i] = rgbQuad(h.colors16[i * 3], h.colors16[i * 3 + 1], h.colors16[i * 3 + 2]);
      // Many writers leave the header colours of a 1-bit file empty: that means black and white.
      if (bits == 1 && table[0].rgbRed == table[1].rgbRed && table[0].rgbGreen == table[1].rgbGreen &&
          table[0].rgbBlue == table[1].rgbBlue) {
        table[0] = rgbQuad(0, 0, 0);
        table[1] = rgbQuad(255, 255, 255);
      }
    }
    legacy::applyColors(dib, table);
  }
  touchDib(dib);
  return dib;
}

namespace {
uint32_t pcxDpi(double dpi) {
  return dpi > 0 ? static_cast<uint32_t>(std::clamp<int64_t>(dotsPerUnit(dpi, 1), 1, 0xFFFF)) : 72;
}
}  // namespace

bool PcxCodec::encode(const TDib& dib, OutputStream& out) const {
  if (dib.empty()) return false;
  const int bits = DibBitCount(dib);
  const int32_t w = DibWidth(dib), hgt = DibHeight(dib);
  if (w > 65536 || hgt > 65536) return false;
  int bitsPerPlane = 0, planes = 0;
  switch (bits) {
    case 1: bitsPerPlane = 1; planes = 1; break;
    case 4: bitsPerPlane = 1; planes = 4; break;
    case 8: bitsPerPlane = 8; planes = 1; break;
    case 24: bitsPerPlane = 8; planes = 3; break;
    default: return false;
  }
  size_t bpl = (static_cast<size_t>(w) * static_cast<size_t>(bitsPerPlane) + 7) / 8;
  bpl += bpl & 1;  // lines hold an even number of bytes
  if (bpl > 0xFFFF) return false;

  std::array<uint8_t, kHeaderSize> head{};
  head[0] = 0x0A;
  head[1] = 5;
  head[2] = 1;
  head[3] = static_cast<uint8_t>(bitsPerPlane);
  auto put16 = [&](size_t at, uint32_t v) {
    head[at] = static_cast<uint8_t>(v);
    head[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  put16(8, static_cast<uint32_t>(w - 1));
  put16(10, static_cast<uint32_t>(hgt - 1));
  // Whole dots per inch; 72 when the picture has none.
  put16(12, pcxDpi(dib.Dpi.x));
  put16(14, pcxDpi(dib.Dpi.y));
  if (bits <= 4) {
    for (int i = 0; i < (1 << bits); ++i) {
      const RgbQuad& q = dib.colors()[i];
      head[16 + i * 3] = q.rgbRed;
      head[17 + i * 3] = q.rgbGreen;
      head[18 + i * 3] = q.rgbBlue;
    }
  }
  head[65] = static_cast<uint8_t>(planes);
  put16(66, static_cast<uint32_t>(bpl));
  put16(68, 1);
  if (!out.write(head.data(), head.size())) return false;

  std::vector<uint8_t> line(bpl * static_cast<size_t>(planes));
  std::vector<uint8_t> idx(static_cast<size_t>(w));
  std::vector<uint8_t> packed;
  for (int32_t y = 0; y < hgt; ++y) {
    std::fill(line.begin(), line.end(), 0);
    const uint8_t* row = dib.row(y);
    if (bits == 24) {
      for (size_t x = 0; x < static_cast<size_t>(w); ++x) {
        line[x] = row[x * 3 + 2];
        line[bpl + x] = row[x * 3 + 1];
        line[2 * bpl + x] = row[x * 3];
      }
    } else if (bits == 4) {
      legacy::rowIndices(dib, y, idx);
      for (int32_t x = 0; x < w; ++x)
        for (int p = 0; p < 4; ++p)
          if ((idx[static_cast<size_t>(x)] >> p) & 1)
            line[p * bpl + static_cast<size_t>(x >> 3)] |= static_cast<uint8_t>(0x80 >> (x & 7));
    } else {
      std::copy_n(row, (static_cast<size_t>(w) * static_cast<size_t>(bits) + 7) / 8, line.begin());
    }
    packed.clear();
    for (int p = 0; p < planes; ++p) pcx::encodeRuns(std::span<const uint8_t>(line).subspan(p * bpl, bpl), packed);
    if (!out.write(packed.data(), packed.size())) return false;
  }
  if (bits == 8) {
    std::array<uint8_t, kTailPaletteSize> tail{};
    tail[0] = kTailMarker;
    for (size_t i = 0; i < 256; ++i) {
      const RgbQuad& q = dib.colors()[i];
      tail[1 + i * 3] = q.rgbRed;
      tail[2 + i * 3] = q.rgbGreen;
      tail[3 + i * 3] = q.rgbBlue;
    }
    if (!out.write(tail.data(), tail.size())) return false;
  }
  return true;
}

}  // namespace

namespace pcx {

void encodeRuns(std::span<const uint8_t> data, std::vector<uint8_t>& out) {
  size_t i = 0;
  while (i < data.size()) {
    const uint8_t v = data[i];
    size_t run = 1;
    while (i + run < data.size() && data[i + run] == v && run < kMaxRun) ++run;
    // A lone byte with both top bits set would read as a run count, so it goes as a run of 1.
    if (run > 1 || (v & 0xC0) == 0xC0) out.push_back(static_cast<uint8_t>(0xC0 | run));
    out.push_back(v);
    i += run;
  }
}

}  // namespace pcx

const Codec& pcxCodec() {
  static const PcxCodec codec;
  return codec;
}

}  // namespace tessaro
