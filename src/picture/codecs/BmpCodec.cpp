// Windows and OS/2 bitmaps: every header version, 1 to 32 bits, bit-field masks and run-length
// data are read; pictures are written uncompressed or, by the RLE codec, run-length coded.
#include "picture/codecs/BmpCodec.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "picture/Limits.h"
#include "picture/codecs/Codecs.h"

namespace tessaro {
namespace bmp {
namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kCoreHeaderBytes = 12;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kLargestHeaderBytes = 124;

// What the decoder needs from any of the header versions.
struct Header {
  uint32_t size = 0;
  int64_t width = 0;
  int64_t height = 0;  // positive; topDown says how the rows are stored
  bool topDown = false;
  int bits = 0;
  uint32_t compression = kBiRgb;
  uint32_t clrUsed = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  std::array<uint32_t, 3> masks{};  // red, green, blue
  bool core = false;                // OS/2 1.x: 16-bit sizes, 3-byte colour entries
};

bool validHeaderSize(uint32_t size) {
  return size == kCoreHeaderBytes || (size >= 16 && size <= 64) || size == 108 || size == kLargestHeaderBytes;
}

// OS/2 2.x headers share the first 40 bytes with the Windows one, but their compression codes
// 3 and 4 mean Huffman and RLE24, which are not read here.
bool isOs2Header(uint32_t size) {
  return size != kCoreHeaderBytes && size != kInfoHeaderBytes && size != 52 && size != 56 && size != 108 &&
         size != kLargestHeaderBytes;
}

bool parseHeader(const uint8_t* h, Header& out) {
  out.size = le32(h);
  if (out.core) {
    out.width = le16(h + 4);
    out.height = le16(h + 6);
    out.bits = le16(h + 10);
    return out.bits == 1 || out.bits == 4 || out.bits == 8 || out.bits == 24;
  }
  // Fields beyond a short OS/2 2.x header read as 0 (the buffer is zeroed).
  out.width = static_cast<int32_t>(le32(h + 4));
  const int32_t height = static_cast<int32_t>(le32(h + 8));
  if (height == std::numeric_limits<int32_t>::min()) return false;
  out.topDown = height < 0;
  out.height = out.topDown ? -int64_t{height} : height;
  out.bits = le16(h + 14);
  out.compression = le32(h + 16);
  out.xPelsPerMeter = static_cast<int32_t>(le32(h + 24));
  out.yPelsPerMeter = static_cast<int32_t>(le32(h + 28));
  out.clrUsed = le32(h + 32);
  const bool os2 = isOs2Header(out.size);
  switch (out.compression) {
    case kBiRgb:
      if (out.bits != 1 && out.bits != 4 && out.bits != 8 && out.bits != 16 && out.bits != 24 && out.bits != 32)
        return false;
      break;
    case kBiRle8:
      if (out.bits != 8) return false;
      break;
    case kBiRle4:
      if (out.bits != 4) return false;
      break;
    case kBiBitfields:
    case kBiAlphaBitfields:
      if (os2 || (out.bits != 16 && out.bits != 32)) return false;
      break;
    default:
      return false;
  }
  // Top-down pictures cannot be run-length coded.
  if (out.topDown && (out.compression == kBiRle8 || out.compression == kBiRle4)) return false;
  if (out.size >= 52) out.masks = {le32(h + 40), le32(h + 44), le32(h + 48)};
  return true;
}

// Real compressions this reader does not decode, by name; null for codes that mean nothing.
const char* unreadCompression(uint32_t compression, bool os2) {
  switch (compression) {
    case 3:
      return os2 ? "Huffman 1D" : nullptr;
    case 4:
      return os2 ? "RLE24" : "JPEG";
    case 5:
      return "PNG";
    case 11:
    case 12:
    case 13:
      return "CMYK";
    default:
      return nullptr;
  }
}

// One colour channel of a 16- or 32-bit pixel, scaled to 8 bits whatever its width.
class Channel {
 public:
  bool init(uint32_t mask, int bits) {
    if (mask == 0 || (bits == 16 && mask > 0xffff)) return false;
    shift_ = 0;
    while (((mask >> shift_) & 1) == 0) ++shift_;
    const uint32_t m = mask >> shift_;
    if ((m & (m + 1)) != 0) return false;  // the bits must be contiguous
    mask_ = mask;
    max_ = m;
    small_ = max_ <= 255;
    if (small_)
      for (uint32_t v = 0; v <= max_; ++v) lut_[v] = static_cast<uint8_t>((v * 255 + max_ / 2) / max_);
    return true;
  }
  uint8_t operator()(uint32_t px) const {
    const uint32_t v = (px & mask_) >> shift_;
    if (small_) return lut_[v];
    return static_cast<uint8_t>((uint64_t{v} * 255 + max_ / 2) / max_);
  }

 private:
  uint32_t mask_ = 0;
  uint32_t max_ = 1;
  int shift_ = 0;
  bool small_ = true;
  std::array<uint8_t, 256> lut_{};
};

struct Channels {
  Channel r, g, b;
  bool init(const std::array<uint32_t, 3>& m, int bits) {
    if ((m[0] & m[1]) || (m[0] & m[2]) || (m[1] & m[2])) return false;
    return r.init(m[0], bits) && g.init(m[1], bits) && b.init(m[2], bits);
  }
};

std::array<uint32_t, 3> defaultMasks(int bits) {
  if (bits == 16) return {0x7c00, 0x03e0, 0x001f};
  return {0x00ff0000, 0x0000ff00, 0x000000ff};
}

// Reads `bytes` of a row into `dst` and zeroes what a short last row leaves unread.
bool readRow(InputStream& in, uint8_t* dst, size_t bytes, size_t want) {
  const size_t got = in.read(dst, want);
  if (got < bytes) return false;
  if (got < want) std::memset(dst + got, 0, want - got);
  return true;
}

// Rows stored at the picture's own depth go straight into its memory. A bottom-up file is read
// in blocks of rows, a top-down file row by row into the mirrored place.
bool readDirectRows(InputStream& in, TDib& dib, const Header& hd, uint64_t lastRowBytes, const ProgressFn& progress) {
  const size_t rowBytes = static_cast<size_t>(dib.RowBytes);
  const int64_t h = hd.height;
  RowProgress rows(progress, h);
  const int64_t block = hd.topDown ? 1 : std::max<int64_t>(1, (int64_t{1} << 20) / static_cast<int64_t>(rowBytes));
  for (int64_t r = 0; r < h; r += block) {
    const int64_t n = std::min(block, h - r);
    const int32_t stored = static_cast<int32_t>(hd.topDown ? h - 1 - r : r);
    const size_t want = rowBytes * static_cast<size_t>(n);
    const size_t need = r + n == h ? want - rowBytes + static_cast<size_t>(lastRowBytes) : want;
    if (!readRow(in, dib.storedRow(stored), need, want)) return false;
    rows.row(r + n - 1);
  }
  return true;
}

// 16- and 32-bit rows through the bit-field masks into 24 bits.
bool readMaskedRows(InputStream& in, TDib& dib, const Header& hd, const Channels& ch, uint64_t srcRowBytes,
                    uint64_t lastRowBytes, const ProgressFn& progress) {
  std::vector<uint8_t> src(static_cast<size_t>(srcRowBytes));
  const int64_t h = hd.height;
  const int64_t w = hd.width;
  const int step = hd.bits / 8;
  RowProgress rows(progress, h);
  for (int64_t r = 0; r < h; ++r) {
    const size_t need = static_cast<size_t>(r + 1 == h ? lastRowBytes : srcRowBytes);
    if (!readRow(in, src.data(), need, src.size())) return false;
    uint8_t* dst = dib.storedRow(static_cast<int32_t>(hd.topDown ? h - 1 - r : r));
    const uint8_t* p = src.data();
    for (int64_t x = 0; x < w; ++x, p += step, dst += 3) {
      const uint32_t px = step == 2 ? le16(p) : le32(p);
      dst[0] = ch.b(px);
      dst[1] = ch.g(px);
      dst[2] = ch.r(px);
    }
    rows.row(r);
  }
  return true;
}

TDib decodeBmp(InputStream& in, const ProgressFn& progress) {
  const uint64_t fileSize = in.size();
  uint8_t fh[kFileHeaderBytes] = {};
  uint64_t infoStart = 0;
  uint64_t offBits = 0;
  bool hasFileHeader = false;
  if (!in.readExact(fh, 2)) return TDib();
  if (fh[0] == 'B' && fh[1] == 'M') {
    if (!in.readExact(fh + 2, kFileHeaderBytes - 2)) return TDib();
    offBits = le32(fh + 10);
    infoStart = kFileHeaderBytes;
    hasFileHeader = true;
  } else if (!in.seek(0)) {  // a packed DIB starts with its info header
    return TDib();
  }

  uint8_t ih[kLargestHeaderBytes] = {};
  if (!in.readExact(ih, 4)) return TDib();
  const uint32_t headerSize = le32(ih);
  if (!validHeaderSize(headerSize) || !in.readExact(ih + 4, headerSize - 4)) return TDib();
  Header hd;
  hd.core = headerSize == kCoreHeaderBytes;
  if (!parseHeader(ih, hd)) {
    const char* variant = hd.core ? nullptr : unreadCompression(le32(ih + 16), isOs2Header(headerSize));
    if (variant) in.fail(FileFault::Unsupported, variant);
    return TDib();
  }
  if (hd.width <= 0 || hd.height <= 0) return TDib();
  in.metadata().resolution = resolutionPer(hd.xPelsPerMeter, hd.yPelsPerMeter, kMetresPerInch);

  // Bit-field masks follow a 40-byte header; later headers carry them inside.
  uint64_t maskBytes = 0;
  const bool bitfields = hd.compression == kBiBitfields || hd.compression == kBiAlphaBitfields;
  if (bitfields && headerSize == kInfoHeaderBytes) {
    maskBytes = hd.compression == kBiAlphaBitfields ? 16 : 12;
    uint8_t m[12];
    if (!in.readExact(m, sizeof m)) return TDib();
    hd.masks = {le32(m), le32(m + 4), le32(m + 8)};
  }
  if (!bitfields && hd.bits > 8) hd.masks = defaultMasks(hd.bits);
  Channels channels;
  if (hd.bits > 8 && hd.bits != 24 && !channels.init(hd.masks, hd.bits)) return TDib();

  // Colour table: biClrUsed entries (all 2^bits when 0); pictures of more than 8 bits may
  // carry one for palette screens, which is skipped.
  const uint64_t entryBytes = hd.core ? 3 : 4;
  const uint32_t fullTable = hd.bits <= 8 ? (1u << hd.bits) : 0;
  uint64_t tableEntries = hd.core ? fullTable : (hd.clrUsed ? hd.clrUsed : fullTable);
  if (hd.bits <= 8 && tableEntries > 256) return TDib();
  const uint64_t tableStart = infoStart + headerSize + maskBytes;
  if (!hasFileHeader) offBits = tableStart + tableEntries * entryBytes;
  if (offBits < tableStart || offBits > fileSize) return TDib();
  // A table that runs into the pixels of a damaged file is cut short; its missing entries stay black.
  const uint64_t readEntries = std::min<uint64_t>({tableEntries, fullTable, (offBits - tableStart) / entryBytes});

  const int outBits = hd.bits > 8 ? 24 : hd.bits;
  if (!admitSize(in, hd.width, hd.height, outBits)) return TDib();
  const uint64_t srcRowBytes = dibRowBytes(hd.width, hd.bits);
  // The last row may lack its padding; every pixel byte must be there.
  const uint64_t lastRowBytes = (static_cast<uint64_t>(hd.width) * static_cast<uint64_t>(hd.bits) + 7) / 8;
  const bool rle = hd.compression == kBiRle8 || hd.compression == kBiRle4;
  const bool direct = !rle && hd.bits == outBits;
  if (!rle && offBits + srcRowBytes * static_cast<uint64_t>(hd.height - 1) + lastRowBytes > fileSize) return TDib();

  std::array<uint8_t, 256 * 4> table{};
  if (readEntries && (!in.seek(tableStart) || !in.readExact(table.data(), static_cast<size_t>(readEntries * entryBytes))))
    return TDib();

  // Uncompressed rows overwrite every byte; run-length data may skip pixels, which stay 0.
  TDib dib = allocateDib(static_cast<int32_t>(hd.width), static_cast<int32_t>(hd.height), outBits, !direct);
  if (dib.empty()) return dib;
  if (fullTable) {
    for (uint64_t i = 0; i < readEntries; ++i) {
      const uint8_t* e = table.data() + i * entryBytes;
      dib.colors()[i] = RgbQuad{e[0], e[1], e[2], 0};
    }
    syncPaletteFromColors(dib, static_cast<int>(fullTable));
  }

  if (!in.seek(offBits)) return TDib();
  bool ok;
  if (rle) {
    ByteReader reader(in, fileSize - offBits);
    ok = decodeRle(reader, dib, progress);
  } else if (direct) {
    ok = readDirectRows(in, dib, hd, lastRowBytes, progress);
  } else {
    ok = readMaskedRows(in, dib, hd, channels, srcRowBytes, lastRowBytes, progress);
  }
  if (!ok) return TDib();
  touchDib(dib);
  return dib;
}

bool probeBmp(std::span<const uint8_t> head) {
  if (head.size() >= 2 && head[0] == 'B' && head[1] == 'M') return true;
  // A packed DIB has no signature; its header must look plausible throughout.
  if (head.size() < 16) return false;
  const uint32_t size = le32(head.data());
  const auto depthOk = [](uint16_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
  };
  if (size == kCoreHeaderBytes) return le16(head.data() + 8) == 1 && depthOk(le16(head.data() + 10));
  if (head.size() < 20 || (size != kInfoHeaderBytes && size != 52 && size != 56 && size != 108 && size != 124))
    return false;
  return le16(head.data() + 12) == 1 && depthOk(le16(head.data() + 14)) && le32(head.data() + 16) <= 6;
}

bool encodable(const TDib& dib) {
  if (dib.empty() || !dib.Header || !dib.colors()) return false;
  const int bits = dib.Header->biBitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
  return dib.Header->biWidth > 0 && dib.Header->biHeight > 0 &&
         static_cast<uint64_t>(dib.RowBytes) == dibRowBytes(dib.Header->biWidth, bits);
}

std::span<const uint8_t> storedPixels(const TDib& dib) {
  return {dib.Bits, static_cast<size_t>(dib.RowBytes) * static_cast<size_t>(dib.Header->biHeight)};
}

class BmpCodec final : public Codec {
 public:
  std::string name() const override { return "BMP"; }
  std::vector<std::string> extensions() const override { return {"bmp", "dib"}; }
  bool probe(std::span<const uint8_t> head) const override { return probeBmp(head); }
  TDib decode(InputStream& in, const ProgressFn& progress) const override { return decodeBmp(in, progress); }
  bool encode(const TDib& dib, OutputStream& out) const override {
    return encodable(dib) && writeBmpFile(dib, out, kBiRgb, storedPixels(dib));
  }
};

class RleBmpCodec final : public Codec {
 public:
  std::string name() const override { return "RLE"; }
  std::vector<std::string> extensions() const override { return {"rle"}; }
  // Run-length files carry the BMP signature and are found by the BMP codec, which reads them.
  bool probe(std::span<const uint8_t>) const override { return false; }
  TDib decode(InputStream& in, const ProgressFn& progress) const override { return decodeBmp(in, progress); }
  bool encode(const TDib& dib, OutputStream& out) const override {
    if (!encodable(dib)) return false;
    const int bits = dib.Header->biBitCount;
    if (bits != 4 && bits != 8) return writeBmpFile(dib, out, kBiRgb, storedPixels(dib));
    const std::vector<uint8_t> data = encodeRle(dib);
    return writeBmpFile(dib, out, bits == 8 ? kBiRle8 : kBiRle4, data);
  }
};

}  // namespace

uint32_t pelsPerMetre(double dpi) {
  return static_cast<uint32_t>(std::min<int64_t>(dotsPerUnit(dpi, kMetresPerInch), INT32_MAX));
}

bool writeBmpFile(const TDib& dib, OutputStream& out, uint32_t compression, std::span<const uint8_t> pixels) {
  const BitmapInfoHeader& src = *dib.Header;
  const uint32_t colors = src.biBitCount <= 8 ? (1u << src.biBitCount) : 0;
  const uint64_t offBits = kFileHeaderBytes + kInfoHeaderBytes + uint64_t{colors} * 4;
  const uint64_t fileSize = offBits + pixels.size();
  if (fileSize > std::numeric_limits<uint32_t>::max()) return false;

  std::vector<uint8_t> head;
  head.reserve(static_cast<size_t>(offBits));
  const auto put16 = [&](uint16_t v) {
    head.push_back(static_cast<uint8_t>(v));
    head.push_back(static_cast<uint8_t>(v >> 8));
  };
  const auto put32 = [&](uint32_t v) {
    put16(static_cast<uint16_t>(v));
    put16(static_cast<uint16_t>(v >> 16));
  };
  head.push_back('B');
  head.push_back('M');
  put32(static_cast<uint32_t>(fileSize));
  put32(0);
  put32(static_cast<uint32_t>(offBits));
  put32(kInfoHeaderBytes);
  put32(static_cast<uint32_t>(src.biWidth));
  put32(static_cast<uint32_t>(src.biHeight));
  put16(1);
  put16(src.biBitCount);
  put32(compression);
  put32(static_cast<uint32_t>(pixels.size()));
  put32(pelsPerMetre(dib.Dpi.x));
  put32(pelsPerMetre(dib.Dpi.y));
  put32(colors);
  put32(0);
  for (uint32_t i = 0; i < colors; ++i) {
    const RgbQuad& q = dib.colors()[i];
    head.insert(head.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
  }
  return out.write(head.data(), head.size()) && out.write(pixels.data(), pixels.size());
}

}  // namespace bmp

const Codec& bmpCodec() {
  static const bmp::BmpCodec codec;
  return codec;
}

const Codec& rleBmpCodec() {
  static const bmp::RleBmpCodec codec;
  return codec;
}

}  // namespace tessaro
