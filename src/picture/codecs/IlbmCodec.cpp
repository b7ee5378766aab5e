#include "picture/codecs/IlbmCodec.h"

#include <array>
#include <cstring>
#include <vector>

#include "picture/Limits.h"
#include "picture/codecs/Codecs.h"
#include "picture/codecs/LegacyCodecIo.h"

namespace tessaro {

namespace {

using legacy::ByteReader;
using legacy::rgbQuad;

constexpr uint32_t kCamgExtraHalfbrite = 0x80;
constexpr uint32_t kCamgHam = 0x800;
constexpr uint8_t kMaskPlane = 1;

bool tagIs(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

struct IlbmInfo {
  bool chunky = false;  // FORM PBM: one byte per pixel instead of bit planes
  bool haveHeader = false;
  int32_t width = 0;
  int32_t height = 0;
  int planes = 0;
  int masking = 0;
  int compression = 0;
  uint32_t camg = 0;
  int mapEntries = -1;  // -1: no CMAP chunk
  bool directColour = false;  // a DCOL chunk: planes are red, green and blue bits, no map
  bool eightBitsEach = false;
  std::array<RgbQuad, 256> map{};
  uint64_t bodyAt = 0;
  uint64_t bodyLength = 0;
  bool haveBody = false;
};

// Walks the chunks of the FORM, keeping the header, colour map and where the body lies. Every
// chunk must fit inside the FORM, and the FORM inside the file.
bool readChunks(InputStream& in, IlbmInfo& info) {
  uint8_t form[12];
  if (!in.readExact(form, sizeof form) || !tagIs(form, "FORM")) return false;
  if (tagIs(form + 8, "PBM "))
    info.chunky = true;
  else if (!tagIs(form + 8, "ILBM"))
    return false;
  const uint64_t formEnd = 8 + uint64_t{be32(form + 4)};
  if (formEnd > in.size() || formEnd < 12) return false;
  uint64_t pos = 12;
  while (pos + 8 <= formEnd) {
    uint8_t ch[8];
    if (!in.seek(pos) || !in.readExact(ch, sizeof ch)) return false;
    const uint64_t length = be32(ch + 4);
    const uint64_t dataAt = pos + 8;
    if (length > formEnd - dataAt) return false;
    if (tagIs(ch, "BMHD")) {
      uint8_t b[20];
      if (length < sizeof b || !in.readExact(b, sizeof b)) return false;
      info.haveHeader = true;
      info.width = be16(b);
      info.height = be16(b + 2);
      info.planes = b[8];
      info.masking = b[9];
      info.compression = b[10];
    } else if (tagIs(ch, "CMAP")) {
      const size_t entries = static_cast<size_t>(std::min<uint64_t>(length / 3, 256));
      std::array<uint8_t, 768> rgb{};
      if (!in.readExact(rgb.data(), entries * 3)) return false;
      for (size_t i = 0; i < entries; ++i) info.map[i] = rgbQuad(rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]);
      info.mapEntries = static_cast<int>(entries);
    } else if (tagIs(ch, "CAMG")) {
      uint8_t b[4];
      if (length < 4 || !in.readExact(b, 4)) return false;
      info.camg = be32(b);
    } else if (tagIs(ch, "DCOL")) {
      uint8_t b[3];
      if (length < 3 || !in.readExact(b, 3)) return false;
      info.directColour = true;
      info.eightBitsEach = b[0] == 8 && b[1] == 8 && b[2] == 8;
    } else if (tagIs(ch, "BODY") && !info.haveBody) {
      info.haveBody = true;
      info.bodyAt = dataAt;
      info.bodyLength = length;
    }
    // Chunks of odd length are followed by one pad byte.
    pos = dataAt + length + (length & 1);
  }
  return info.haveHeader && info.haveBody;
}

// Bytes of the body, plain or ByteRun1-packed. Runs may carry over from one row into the next;
// one that is still open after the last row means the data is broken.
class BodySource {
 public:
  BodySource(ByteReader& in, bool packed) : in_(in), packed_(packed) {}
  bool fill(std::span<uint8_t> dst) {
    if (!packed_) return in_.read(dst.data(), dst.size());
    for (uint8_t& b : dst) {
      while (literal_ == 0 && repeat_ == 0) {
        uint8_t c;
        if (!in_.get(c)) return false;
        const auto n = static_cast<int8_t>(c);
        if (n >= 0) {
          literal_ = n + 1;
        } else if (n != -128) {  // -128 is a no-op
          repeat_ = 1 - n;
          if (!in_.get(value_)) return false;
        }
      }
      if (literal_ > 0) {
        if (!in_.get(b)) return false;
        --literal_;
      } else {
        b = value_;
        --repeat_;
      }
    }
    return true;
  }
  bool overran() const { return literal_ != 0 || repeat_ != 0; }

 private:
  ByteReader& in_;
  bool packed_;
  int literal_ = 0;
  int repeat_ = 0;
  uint8_t value_ = 0;
};

int targetBits(const IlbmInfo& info) {
  if (info.chunky) return info.planes == 8 ? 8 : 0;
  if (info.planes == 1) return 1;
  if (info.planes >= 2 && info.planes <= 4) return 4;
  if (info.planes >= 5 && info.planes <= 8) return 8;
  if (info.planes == 24) return 24;
  return 0;
}

// The colour table of an indexed picture: the CMAP with missing entries black, a grey ramp
// without one, and the darker second half for extra-halfbrite pictures.
std::array<RgbQuad, 256> colorTable(const IlbmInfo& info) {
  std::array<RgbQuad, 256> table = info.map;
  const int colors = 1 << info.planes;
  if (info.mapEntries < 0) {
    legacy::greyRamp(table, colors);
  } else if (info.camg & kCamgExtraHalfbrite) {
    const int half = colors / 2;
    for (int i = 0; i < half; ++i) {
      const RgbQuad& c = table[static_cast<size_t>(i)];
      table[static_cast<size_t>(i + half)] =
          rgbQuad(static_cast<uint8_t>(c.rgbRed >> 1), static_cast<uint8_t>(c.rgbGreen >> 1),
                  static_cast<uint8_t>(c.rgbBlue >> 1));
    }
  }
  return table;
}

class IlbmCodec final : public Codec {
 public:
  std::string name() const override { return "IFF/LBM"; }
  std::vector<std::string> extensions() const override { return {"iff", "lbm", "ilbm"}; }
  bool probe(std::span<const uint8_t> head) const override {
    return head.size() >= 12 && tagIs(head.data(), "FORM") &&
           (tagIs(head.data() + 8, "ILBM") || tagIs(head.data() + 8, "PBM "));
  }
  TDib decode(InputStream& in, const ProgressFn& progress) const override;
  bool encode(const TDib& dib, OutputStream& out) const override;
};

TDib IlbmCodec::decode(InputStream& in, const ProgressFn& progress) const {
  IlbmInfo info;
  if (!readChunks(in, info)) return TDib();
  // Hold-and-modify pictures change colours from pixel to pixel; we do not read them, nor the
  // vertical packing (VDAT chunks) of Atari files.
  if (info.camg & kCamgHam) {
    in.fail(FileFault::Unsupported, "HAM");
    return TDib();
  }
  if (info.compression == 2 && !info.chunky) {
    in.fail(FileFault::Unsupported, "VDAT");
    return TDib();
  }
  // Direct colour of 8 bits each in 24 planes is the deep layout read below; other splits are not.
  if (info.directColour && !(info.eightBitsEach && info.planes == 24 && !info.chunky)) {
    in.fail(FileFault::Unsupported, "DCOL-Direktfarben");
    return TDib();
  }
  if (info.compression > 1 || info.masking > 3 || info.width == 0 || info.height == 0) return TDib();
  const int bits = targetBits(info);
  if (bits == 0 || !admitSize(in, info.width, info.height, bits)) return TDib();
  const size_t w = static_cast<size_t>(info.width);
  // Plane rows are padded to 16 bits, chunky rows to an even byte count.
  const size_t planeBytes = info.chunky ? w + (w & 1) : ((w + 15) / 16) * 2;
  const int storedPlanes = info.chunky ? 1 : info.planes;
  std::vector<uint8_t> line(planeBytes * static_cast<size_t>(storedPlanes));
  std::vector<uint8_t> mask(planeBytes);
  const bool maskRows = !info.chunky && info.masking == kMaskPlane;
  const uint64_t rowBytes = line.size() + (maskRows ? mask.size() : 0);
  // ByteRun1 gives at most 128 bytes for two.
  const uint64_t bodyBytes = rowBytes * static_cast<uint64_t>(info.height);
  const uint64_t least = info.compression == 1 ? (bodyBytes + 63) / 64 : bodyBytes;
  if (!in.seek(info.bodyAt) || !legacy::bodyHolds(in, info.bodyAt + info.bodyLength, least)) return TDib();
  TDib dib = allocateDib(info.width, info.height, bits, true);
  if (dib.empty()) return TDib();

  ByteReader reader(in, info.bodyLength);
  BodySource body(reader, info.compression == 1);
  RowProgress rows(progress, info.height);
  for (int32_t y = 0; y < info.height; ++y) {
    if (!body.fill(line)) return TDib();
    if (maskRows && !body.fill(mask)) return TDib();
    uint8_t* row = dib.row(y);
    if (info.chunky) {
      std::copy_n(line.begin(), w, row);
    } else {
      for (size_t x = 0; x < w; ++x) {
        uint32_t v = 0;
        const size_t byte = x >> 3;
        const int shift = 7 - static_cast<int>(x & 7);
        for (int p = 0; p < info.planes; ++p)
          v |= static_cast<uint32_t>((line[static_cast<size_t>(p) * planeBytes + byte] >> shift) & 1) << p;
        if (bits == 24) {
          row[x * 3] = static_cast<uint8_t>(v >> 16);
          row[x * 3 + 1] = static_cast<uint8_t>(v >> 8);
          row[x * 3 + 2] = static_cast<uint8_t>(v);
        } else {
          legacy::putIndex(row, bits, static_cast<int32_t>(x), static_cast<uint8_t>(v));
        }
      }
    }
    rows.row(y);
  }
  if (body.overran()) return TDib();
  if (bits <= 8) legacy::applyColors(dib, colorTable(info));
  touchDib(dib);
  return dib;
}

void appendTag(std::vector<uint8_t>& out, const char* tag, uint32_t length) {
  out.insert(out.end(), tag, tag + 4);
  out.insert(out.end(), {static_cast<uint8_t>(length >> 24), static_cast<uint8_t>(length >> 16),
                         static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
}

void appendBe16(std::vector<uint8_t>& out, uint32_t v) {
  out.insert(out.end(), {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
}

bool IlbmCodec::encode(const TDib& dib, OutputStream& out) const {
  if (dib.empty()) return false;
  const int bits = DibBitCount(dib);
  const int32_t w = DibWidth(dib), hgt = DibHeight(dib);
  if (w > 0xFFFF || hgt > 0xFFFF) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
  const int planes = bits;
  const size_t planeBytes = ((static_cast<size_t>(w) + 15) / 16) * 2;

  std::vector<uint8_t> body;
  std::vector<uint8_t> values(static_cast<size_t>(w));
  std::vector<uint8_t> plane(planeBytes);
  std::vector<uint32_t> pixels(static_cast<size_t>(w));
  for (int32_t y = 0; y < hgt; ++y) {
    if (bits == 24) {
      const uint8_t* row = dib.row(y);
      for (size_t x = 0; x < static_cast<size_t>(w); ++x)
        pixels[x] = uint32_t{row[x * 3 + 2]} | (uint32_t{row[x * 3 + 1]} << 8) | (uint32_t{row[x * 3]} << 16);
    } else {
      legacy::rowIndices(dib, y, values);
      std::copy(values.begin(), values.end(), pixels.begin());
    }
    for (int p = 0; p < planes; ++p) {
      std::fill(plane.begin(), plane.end(), 0);
      for (size_t x = 0; x < static_cast<size_t>(w); ++x)
        if ((pixels[x] >> p) & 1) plane[x >> 3] = static_cast<uint8_t>(plane[x >> 3] | (0x80 >> (x & 7)));
      ilbm::encodeByteRun1(plane, body);
    }
  }
  const bool withMap = bits <= 8;
  const uint32_t mapBytes = withMap ? 3u << bits : 0;
  const uint64_t formLength = 4 + (8 + 20) + (withMap ? 8 + mapBytes : 0) + 8 + body.size() + (body.size() & 1);
  if (formLength > 0xFFFFFFFFu) return false;

  std::vector<uint8_t> head;
  appendTag(head, "FORM", static_cast<uint32_t>(formLength));
  head.insert(head.end(), {'I', 'L', 'B', 'M'});
  appendTag(head, "BMHD", 20);
  appendBe16(head, static_cast<uint32_t>(w));
  appendBe16(head, static_cast<uint32_t>(hgt));
  appendBe16(head, 0);  // x, y position
  appendBe16(head, 0);
  head.insert(head.end(), {static_cast<uint8_t>(planes), 0 /*no mask*/, 1 /*ByteRun1*/, 0});
  appendBe16(head, 0);           // transparent colour
  head.insert(head.end(), {1, 1});  // square pixels
  appendBe16(head, static_cast<uint32_t>(w));
  appendBe16(head, static_cast<uint32_t>(hgt));
  if (withMap) {
    appendTag(head, "CMAP", mapBytes);
    for (int i = 0; i < (1 << bits); ++i) {
      const RgbQuad& q = dib.colors()[i];
      head.insert(head.end(), {q.rgbRed, q.rgbGreen, q.rgbBlue});
    }
  }
  appendTag(head, "BODY", static_cast<uint32_t>(body.size()));
  if (body.size() & 1) body.push_back(0);
  return out.write(head.data(), head.size()) && out.write(body.data(), body.size());
}

}  // namespace

namespace ilbm {

void encodeByteRun1(std::span<const uint8_t> data, std::vector<uint8_t>& out) {
  constexpr size_t kMaxGroup = 128;
  size_t literalStart = 0;
  size_t i = 0;
  auto flushLiteral = [&](size_t end) {
    while (literalStart < end) {
      const size_t n = std::min(kMaxGroup, end - literalStart);
      out.push_back(static_cast<uint8_t>(n - 1));
      out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(literalStart),
                 data.begin() + static_cast<std::ptrdiff_t>(literalStart + n));
      literalStart += n;
    }
  };
  while (i < data.size()) {
    size_t run = 1;
    while (i + run < data.size() && data[i + run] == data[i] && run < kMaxGroup) ++run;
    // Two equal bytes cost as much as a run as inside a literal group; three or more gain.
    if (run >= 3) {
      flushLiteral(i);
      out.push_back(static_cast<uint8_t>(257 - run));
      out.push_back(data[i]);
      i += run;
      literalStart = i;
    } else {
      i += run;
    }
  }
  flushLiteral(data.size());
}

}  // namespace ilbm

const Codec& ilbmCodec() {
  static const IlbmCodec codec;
  return codec;
}

}  // namespace tessaro
