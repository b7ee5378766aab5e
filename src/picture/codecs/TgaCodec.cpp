#include "picture/codecs/TgaCodec.h"

#include <array>
#include <vector>

#include "picture/Limits.h"
#include "picture/codecs/Codecs.h"
#include "picture/codecs/LegacyCodecIo.h"

namespace tessaro {

namespace {

using legacy::ByteReader;
using legacy::rgbQuad;

constexpr size_t kHeaderSize = 18;
constexpr uint8_t kTopOrigin = 0x20;
constexpr uint8_t kRightToLeft = 0x10;

enum ImageType : uint8_t { kMapped = 1, kTrueColor = 2, kGrey = 3, kRleFlag = 8 };

struct TgaHeader {
  uint8_t idLength = 0;
  uint8_t mapType = 0;
  uint8_t type = 0;
  uint16_t mapFirst = 0;
  uint16_t mapLength = 0;
  uint8_t mapEntryBits = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint8_t pixelBits = 0;
  uint8_t descriptor = 0;
  ImageType base() const { return static_cast<ImageType>(type & 7); }
  bool rle() const { return (type & kRleFlag) != 0; }
  int alphaBits() const { return descriptor & 0x0F; }
};

bool validEntryBits(int bits) { return bits == 15 || bits == 16 || bits == 24 || bits == 32; }

bool parseHeader(std::span<const uint8_t> b, TgaHeader& h) {
  if (b.size() < kHeaderSize) return false;
  h.idLength = b[0];
  h.mapType = b[1];
  h.type = b[2];
  h.mapFirst = le16(&b[3]);
  h.mapLength = le16(&b[5]);
  h.mapEntryBits = b[7];
  h.width = le16(&b[12]);
  h.height = le16(&b[14]);
  h.pixelBits = b[16];
  h.descriptor = b[17];
  if (h.mapType > 1) return false;
  if (h.type != 1 && h.type != 2 && h.type != 3 && h.type != 9 && h.type != 10 && h.type != 11) return false;
  if (h.width == 0 || h.height == 0) return false;
  // Interleaved rows (the two top bits) were never used by anyone; more than 8 alpha bits is
  // not a TGA header either.
  if ((h.descriptor & 0xC0) != 0 || h.alphaBits() > 8) return false;
  if (h.mapType == 1) {
    if (h.mapLength == 0 || !validEntryBits(h.mapEntryBits)) return false;
  } else if (h.mapLength != 0) {
    return false;  // a length without a colour map is not written by any sane encoder
  }
  switch (h.base()) {
    case kMapped:
      return h.mapType == 1 && h.pixelBits == 8;
    case kTrueColor:
      return validEntryBits(h.pixelBits);
    case kGrey:
      // Sixteen bits hold a grey and its alpha byte.
      return h.pixelBits == 8 || (h.pixelBits == 16 && h.alphaBits() == 8);
    default:
      return false;
  }
}

// One colour of the map or of a true-colour pixel, alpha flattened onto white when the file
// declares alpha bits.
RgbQuad colorOf(const uint8_t* p, int bits, bool useAlpha) {
  switch (bits) {
    case 15:
    case 16: {
      const uint32_t v = le16(p);
      return rgbQuad(legacy::widen5(v >> 10), legacy::widen5(v >> 5), legacy::widen5(v));
    }
    case 24:
      return rgbQuad(p[2], p[1], p[0]);
    default: {
      if (!useAlpha) return rgbQuad(p[2], p[1], p[0]);
      const uint8_t a = p[3];
      return rgbQuad(legacy::onWhite(p[2], a), legacy::onWhite(p[1], a), legacy::onWhite(p[0], a));
    }
  }
}

// The stream of pixels in file order, plain or in run-length packets. Packets may run across
// rows; a last packet that runs past the picture gives the pixels that fit, as other readers
// take it, and the rest of it is never read.
class PixelSource {
 public:
  PixelSource(ByteReader& in, bool rle, size_t pixelBytes, uint64_t total)
      : in_(in), rle_(rle), size_(pixelBytes), left_(total) {}
  bool next(uint8_t* px) {
    if (left_ == 0) return false;
    --left_;
    if (!rle_) return in_.read(px, size_);
    if (count_ == 0) {
      uint8_t packet;
      if (!in_.get(packet)) return false;
      count_ = (packet & 0x7F) + 1;
      repeat_ = (packet & 0x80) != 0;
      if (repeat_ && !in_.read(run_.data(), size_)) return false;
    }
    --count_;
    if (repeat_) {
      std::copy_n(run_.begin(), size_, px);
      return true;
    }
    return in_.read(px, size_);
  }

 private:
  ByteReader& in_;
  bool rle_;
  size_t size_;
  uint64_t left_;
  int count_ = 0;
  bool repeat_ = false;
  std::array<uint8_t, 4> run_{};
};

class TgaCodec final : public Codec {
 public:
  std::string name() const override { return "TGA"; }
  std::vector<std::string> extensions() const override { return {"tga", "targa", "vda", "icb", "vst"}; }
  // The registry probes the formats in the save list's order, so the signed formats before TGA
  // (BMP, GIF, IFF, JPEG, PCX) have had their say; TIFF ("II"/"MM") and PNG (0x89 'P') come
  // after it but cannot pass here, since their second byte is no colour-map type of 0 or 1.
  // The probe is as strict as the decoder's own header check, so the registry's fallback to the
  // file extension cannot hand the decoder anything the probe would have turned away.
  bool probe(std::span<const uint8_t> head) const override { return tga::plausibleHeader(head); }
  TDib decode(InputStream& in, const ProgressFn& progress) const override;
  bool encode(const TDib& dib, OutputStream& out) const override;
};

TDib TgaCodec::decode(InputStream& in, const ProgressFn& progress) const {
  uint8_t head[kHeaderSize];
  TgaHeader h;
  if (!in.readExact(head, sizeof head) || !parseHeader(head, h)) return TDib();
  const bool indexed = h.base() != kTrueColor;
  const int bits = indexed ? 8 : 24;
  if (!admitSize(in, h.width, h.height, bits)) return TDib();
  const size_t pixelBytes = (h.pixelBits + 7u) / 8u;
  const uint64_t pixelCount = static_cast<uint64_t>(h.width) * static_cast<uint64_t>(h.height);
  const uint64_t mapBytes = h.mapType == 1 ? uint64_t{h.mapLength} * ((h.mapEntryBits + 7u) / 8u) : 0;
  // A packet holds at most 128 pixels.
  const uint64_t least =
      h.idLength + mapBytes + (h.rle() ? (pixelCount + 127) / 128 * (1 + pixelBytes) : pixelCount * pixelBytes);
  if (!legacy::bodyHolds(in, in.size(), least)) return TDib();

  ByteReader reader(in, in.remaining());
  uint8_t skip[255];
  if (!reader.read(skip, h.idLength)) return TDib();

  std::array<RgbQuad, 256> table{};
  if (h.mapType == 1) {
    const size_t entryBytes = (h.mapEntryBits + 7u) / 8u;
    const bool useAlpha = h.alphaBits() > 0;
    uint8_t entry[4];
    for (uint32_t i = 0; i < h.mapLength; ++i) {
      if (!reader.read(entry, entryBytes)) return TDib();
      // Indices are eight bits, so entries past 255 can never be used.
      const uint32_t index = uint32_t{h.mapFirst} + i;
      if (index < 256) table[index] = colorOf(entry, h.mapEntryBits, useAlpha);
    }
  }
  if (h.base() == kGrey) legacy::greyRamp(table, 256);

  TDib dib = allocateDib(h.width, h.height, bits, false);
  if (dib.empty()) return TDib();
  PixelSource pixels(reader, h.rle(), pixelBytes, pixelCount);
  const bool topDown = (h.descriptor & kTopOrigin) != 0;
  const bool mirrored = (h.descriptor & kRightToLeft) != 0;
  const bool useAlpha = h.alphaBits() > 0;
  const bool greyAlpha = h.base() == kGrey && h.pixelBits == 16;
  RowProgress rows(progress, h.height);
  uint8_t px[4];
  for (int32_t r = 0; r < h.height; ++r) {
    uint8_t* row = dib.row(topDown ? r : h.height - 1 - r);
    for (int32_t i = 0; i < h.width; ++i) {
      if (!pixels.next(px)) return TDib();
      const size_t x = static_cast<size_t>(mirrored ? h.width - 1 - i : i);
      if (greyAlpha) {
        row[x] = legacy::onWhite(px[0], px[1]);
      } else if (indexed) {
        row[x] = px[0];
      } else {
        const RgbQuad c = colorOf(px, h.pixelBits, useAlpha);
        row[x * 3] = c.rgbBlue;
        row[x * 3 + 1] = c.rgbGreen;
        row[x * 3 + 2] = c.rgbRed;
      }
    }
    rows.row(r);
  }
  if (indexed) legacy::applyColors(dib, table);
  touchDib(dib);
  return dib;
}

bool TgaCodec::encode(const TDib& dib, OutputStream& out) const {
  if (dib.empty()) return false;
  const int bits = DibBitCount(dib);
  const int32_t w = DibWidth(dib), hgt = DibHeight(dib);
  if (w > 0xFFFF || hgt > 0xFFFF) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
  const bool mapped = bits <= 8;
  const int mapLength = mapped ? 1 << bits : 0;

  std::array<uint8_t, kHeaderSize> head{};
  head[1] = mapped ? 1 : 0;
  head[2] = mapped ? kMapped : kTrueColor;
  head[5] = static_cast<uint8_t>(mapLength);
  head[6] = static_cast<uint8_t>(mapLength >> 8);
  head[7] = mapped ? 24 : 0;
  head[12] = static_cast<uint8_t>(w);
  head[13] = static_cast<uint8_t>(w >> 8);
  head[14] = static_cast<uint8_t>(hgt);
  head[15] = static_cast<uint8_t>(hgt >> 8);
  head[16] = mapped ? 8 : 24;
  head[17] = 0;  // bottom-left origin, no alpha
  if (!out.write(head.data(), head.size())) return false;
  if (mapped) {
    std::vector<uint8_t> map;
    for (int i = 0; i < mapLength; ++i) {
      const RgbQuad& q = dib.colors()[i];
      map.insert(map.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed});
    }
    if (!out.write(map.data(), map.size())) return false;
  }
  // Bottom-left origin stores the rows bottom-up, as the picture holds them.
  std::vector<uint8_t> line(static_cast<size_t>(w) * (mapped ? 1 : 3));
  for (int32_t y = hgt - 1; y >= 0; --y) {
    if (mapped)
      legacy::rowIndices(dib, y, line);
    else
      std::copy_n(dib.row(y), line.size(), line.begin());
    if (!out.write(line.data(), line.size())) return false;
  }
  return true;
}

}  // namespace

namespace tga {

bool plausibleHeader(std::span<const uint8_t> head) {
  TgaHeader h;
  return parseHeader(head, h);
}

}  // namespace tga

const Codec& tgaCodec() {
  static const TgaCodec codec;
  return codec;
}

}  // namespace tessaro
