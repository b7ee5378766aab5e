#include "picture/codecs/TiffCodec.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "colour/IccProfile.h"
#include "picture/Limits.h"
#include "picture/codecs/Codecs.h"
#include "picture/codecs/PaletteSupport.h"

namespace tessaro {

namespace {

// libtiff reports through handlers; ours keep quiet (a damaged file is refused by the result of
// the call that failed, never by a message on the console).
int quietHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// Some damage reaches us only as a warning, after which libtiff carries on. A tag whose data lies
// past the end of the file is dropped (a palette picture cut short would come in as grey): such a
// file is refused.
bool warningRefuses(const char* message) {
  return std::strstr(message, "IO error") || std::strstr(message, "Improper JPEG strip/tile size");
}

// libjpeg, decoding JPEG-compressed strips, fills damaged or missing data with grey and goes on:
// the picture comes out marked as damaged. Stray bytes before a marker of the headers are
// harmless, as for plain JPEG files; before the end marker or a restart marker they are data the
// decoder could not use.
bool warningMeansDamage(const char* message) {
  if (std::strstr(message, "Premature end of JPEG file")) return true;
  if (!std::strstr(message, "Corrupt JPEG data")) return false;
  const char* marker = std::strstr(message, "before marker 0x");
  if (!std::strstr(message, "extraneous bytes") || !marker) return true;
  const unsigned long code = std::strtoul(marker + std::strlen("before marker 0x"), nullptr, 16);
  constexpr unsigned long kEndMarker = 0xD9, kFirstRestart = 0xD0, kLastRestart = 0xD7;
  return code == kEndMarker || (code >= kFirstRestart && code <= kLastRestart);
}

// What the warnings said so far: whether the file is refused, and the stream on which damage the
// decoder went past is noted (at the start of the strip or tile it lies in).
struct Warnings {
  bool refused = false;
  InputStream* in = nullptr;
};

uint64_t currentStrileOffset(TIFF* tif) {
  const uint32_t strile = TIFFIsTiled(tif) ? TIFFCurrentTile(tif) : TIFFCurrentStrip(tif);
  const uint32_t count = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  return strile < count ? TIFFGetStrileOffset(tif, strile) : 0;
}

int warningHandler(TIFF* tif, void* userData, const char*, const char* format, va_list args) {
  if (!userData) return 1;
  auto& warnings = *static_cast<Warnings*>(userData);
  char message[512];
  std::vsnprintf(message, sizeof message, format, args);
  if (warningRefuses(message)) warnings.refused = true;
  if (warningMeansDamage(message) && warnings.in && tif) warnings.in->noteDamage(currentStrileOffset(tif));
  return 1;
}

struct Options {
  TIFFOpenOptions* opts;
  Warnings warnings;
  const bool& damaged = warnings.refused;
  explicit Options(InputStream* in = nullptr) : opts(TIFFOpenOptionsAlloc()) {
    warnings.in = in;
    // A few libtiff paths still use the process-wide handlers; those print to stderr by default.
    static const bool silenced = [] {
      TIFFSetErrorHandler(nullptr);
      TIFFSetWarningHandler(nullptr);
      return true;
    }();
    (void)silenced;
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, static_cast<tmsize_t>(kMaxPixelBytes));
    TIFFOpenOptionsSetErrorHandlerExtR(opts, quietHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, warningHandler, &warnings);
  }
  ~Options() { TIFFOpenOptionsFree(opts); }
  Options(const Options&) = delete;
  Options& operator=(const Options&) = delete;
};

struct TiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// Reading goes through the caller's stream.
tsize_t streamRead(thandle_t h, tdata_t buf, tsize_t size) {
  return size <= 0 ? 0 : static_cast<tsize_t>(static_cast<InputStream*>(h)->read(buf, static_cast<size_t>(size)));
}
tsize_t noWrite(thandle_t, tdata_t, tsize_t) { return 0; }
toff_t streamSeek(thandle_t h, toff_t off, int whence) {
  auto* in = static_cast<InputStream*>(h);
  const uint64_t base = whence == SEEK_CUR ? in->tell() : (whence == SEEK_END ? in->size() : 0);
  const uint64_t pos = base + off;
  return in->seek(pos) ? pos : static_cast<toff_t>(-1);
}
int noClose(thandle_t) { return 0; }
toff_t streamSize(thandle_t h) { return static_cast<InputStream*>(h)->size(); }
int noMap(thandle_t, tdata_t*, toff_t*) { return 0; }
void noUnmap(thandle_t, tdata_t, toff_t) {}

// Writing needs seeks back into the file, so it goes into memory first.
struct MemoryFile {
  std::vector<uint8_t> data;
  uint64_t pos = 0;
};
tsize_t memoryRead(thandle_t h, tdata_t buf, tsize_t size) {
  auto* f = static_cast<MemoryFile*>(h);
  if (size <= 0 || f->pos >= f->data.size()) return 0;
  const size_t n = std::min(static_cast<size_t>(size), static_cast<size_t>(f->data.size() - f->pos));
  std::memcpy(buf, f->data.data() + f->pos, n);
  f->pos += n;
  return static_cast<tsize_t>(n);
}
tsize_t memoryWrite(thandle_t h, tdata_t buf, tsize_t size) {
  auto* f = static_cast<MemoryFile*>(h);
  if (size <= 0) return 0;
  const uint64_t end = f->pos + static_cast<uint64_t>(size);
  if (end > f->data.size()) f->data.resize(end);
  std::memcpy(f->data.data() + f->pos, buf, static_cast<size_t>(size));
  f->pos = end;
  return size;
}
toff_t memorySeek(thandle_t h, toff_t off, int whence) {
  auto* f = static_cast<MemoryFile*>(h);
  const uint64_t base = whence == SEEK_CUR ? f->pos : (whence == SEEK_END ? f->data.size() : 0);
  f->pos = base + off;
  return f->pos;
}
toff_t memorySize(thandle_t h) { return static_cast<MemoryFile*>(h)->data.size(); }

// Old writers stored 8-bit colour maps; a map with no value above 255 is taken as one.
RgbQuad mapEntry(const uint16_t* r, const uint16_t* g, const uint16_t* b, int i, bool eightBit) {
  const int s = eightBit ? 0 : 8;
  return RgbQuad{static_cast<uint8_t>(b[i] >> s), static_cast<uint8_t>(g[i] >> s), static_cast<uint8_t>(r[i] >> s), 0};
}

// The tags that decide how a picture is read.
struct Layout {
  uint32_t width = 0, height = 0;
  uint16_t bps = 1, spp = 1, photometric = 0, planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT;
  uint16_t compression = COMPRESSION_NONE;
  uint16_t extras = 0, firstExtra = EXTRASAMPLE_UNSPECIFIED, inks = INKSET_CMYK;
  bool hasPhotometric = false, tiled = false;
  const SrgbConversion* cmykToSrgb = nullptr;  // CMYK samples through the file's profile

  bool contiguous() const { return planar == PLANARCONFIG_CONTIG || spp <= 1; }
  bool alpha() const {
    return extras > 0 && (firstExtra == EXTRASAMPLE_ASSOCALPHA || firstExtra == EXTRASAMPLE_UNASSALPHA);
  }
};

Layout readLayout(TIFF* tif) {
  Layout l;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l.width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l.height);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &l.bps);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &l.spp);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &l.planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &l.format);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &l.compression);
  uint16_t* kinds = nullptr;
  if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &l.extras, &kinds) && l.extras > 0 && kinds) l.firstExtra = kinds[0];
  l.hasPhotometric = TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &l.photometric) != 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &l.inks);
  l.tiled = TIFFIsTiled(tif) != 0;
  return l;
}

// Compressions and sample formats no path reads, named for the report.
bool variantReadable(InputStream& in, const Layout& l) {
  if (!TIFFIsCODECConfigured(l.compression)) {
    in.fail(FileFault::Unsupported, "compression " + std::to_string(l.compression));
    return false;
  }
  if (l.format == SAMPLEFORMAT_IEEEFP) {
    in.fail(FileFault::Unsupported, "floating-point samples");
    return false;
  }
  if (l.format == SAMPLEFORMAT_COMPLEXINT || l.format == SAMPLEFORMAT_COMPLEXIEEEFP) {
    in.fail(FileFault::Unsupported, "complex samples");
    return false;
  }
  if (l.format == SAMPLEFORMAT_INT && l.bps == 32) {
    in.fail(FileFault::Unsupported, "signed 32-bit samples");
    return false;
  }
  return true;
}

// Every strip or tile must lie inside the file, so a file cut short is refused before anything
// is decoded rather than after most of a huge picture has been.
bool dataInsideFile(TIFF* tif, uint64_t fileSize) {
  const uint32_t count = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t offset = TIFFGetStrileOffset(tif, i), bytes = TIFFGetStrileByteCount(tif, i);
    if (bytes == 0 || offset > fileSize || bytes > fileSize - offset) return false;
  }
  return count > 0;
}

// What the header of a JPEG-compressed strip or tile says: its frame type, the sampling factors
// of its components and how many components its first scan holds.
struct JpegHeader {
  uint8_t frame = 0;  // 0 when no frame header and scan header were found
  std::vector<std::pair<int, int>> sampling;
  int scanComponents = 0;
};

JpegHeader readJpegHeader(const uint8_t* p, size_t n) {
  JpegHeader h;
  for (size_t i = 0; i + 4 <= n;) {
    if (p[i] != 0xFF) break;
    const uint8_t marker = p[i + 1];
    if (marker == 0xFF || marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      i += marker == 0xFF ? 1 : 2;
      continue;
    }
    const size_t length = static_cast<size_t>(p[i + 2]) << 8 | p[i + 3];
    const uint8_t* body = p + i + 4;
    const size_t bodyBytes = std::min(length, n - i - 2) - std::min<size_t>(length, 2);
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (length < 2) break;
    if (frame && bodyBytes >= 6 && bodyBytes >= 6 + 3 * size_t{body[5]}) {
      h.frame = marker;
      h.sampling.clear();
      for (int c = 0; c < body[5]; ++c) h.sampling.emplace_back(body[7 + 3 * c] >> 4, body[7 + 3 * c] & 15);
    }
    if (marker == 0xDA) {
      if (bodyBytes >= 1 && h.frame) h.scanComponents = body[0];
      return h.scanComponents ? h : JpegHeader{};
    }
    i += 2 + length;
  }
  return JpegHeader{};
}

// Least bytes a baseline stream of `cols` x `rows` pixels can take: every 8 x 8 block of every
// component costs at least two bits (a DC code and an end of block).
uint64_t leastJpegBytes(const JpegHeader& h, uint64_t cols, uint64_t rows) {
  int hMax = 1, vMax = 1;
  for (const auto& [hs, vs] : h.sampling) hMax = std::max(hMax, hs), vMax = std::max(vMax, vs);
  uint64_t blocks = 0;
  for (const auto& [hs, vs] : h.sampling) {
    const uint64_t w = (cols * static_cast<uint64_t>(hs) + hMax - 1) / hMax;
    const uint64_t r = (rows * static_cast<uint64_t>(vs) + vMax - 1) / vMax;
    blocks += (w + 7) / 8 * ((r + 7) / 8);
  }
  return blocks / 4;
}

// Pixels a strip or tile holds (the last strip of each plane may be shorter).
std::pair<uint64_t, uint64_t> strileSize(TIFF* tif, const Layout& l, uint32_t strile) {
  if (l.tiled) {
    uint32_t tw = 0, th = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &th);
    return {tw, th};
  }
  uint32_t perStrip = l.height;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &perStrip);
  perStrip = std::clamp<uint32_t>(perStrip, 1, std::max<uint32_t>(l.height, 1));
  const uint32_t stripsPerPlane = std::max<uint32_t>((l.height + perStrip - 1) / perStrip, 1);
  const uint64_t first = uint64_t{strile % stripsPerPlane} * perStrip;
  return {l.width, first < l.height ? std::min<uint64_t>(perStrip, l.height - first) : 0};
}

// The colour-difference planes of subsampled YCbCr in separate planes hold fewer pixels.
std::pair<uint64_t, uint64_t> planeSize(TIFF* tif, const Layout& l, uint32_t strile, uint32_t count) {
  auto [cols, rows] = strileSize(tif, l, strile);
  if (l.contiguous() || l.photometric != PHOTOMETRIC_YCBCR || strile < count / l.spp) return {cols, rows};
  uint16_t hs = 1, vs = 1;
  TIFFGetFieldDefaulted(tif, TIFFTAG_YCBCRSUBSAMPLING, &hs, &vs);
  const uint64_t h = std::max<uint16_t>(hs, 1), v = std::max<uint16_t>(vs, 1);
  return {(cols + h - 1) / h, (rows + v - 1) / v};
}

// JPEG-compressed strips and tiles are checked before decoding, because libtiff lets libjpeg
// report trouble only by warnings, and only the first per strip: each must be a Huffman-coded
// stream of one scan (libtiff hands a progressive one to libjpeg whole, which keeps coefficients
// for all of it, and an AC scan with no DC scan walks a huge strip on a few hundred bytes), and
// must hold at least the bytes its pixels need (a strip whose data runs out would otherwise come
// in grey once a harmless warning has come first).
bool jpegStripsPlausible(InputStream& in, TIFF* tif, const Layout& l) {
  constexpr tmsize_t kHeaderBytes = 64 * 1024;
  std::vector<uint8_t> head(kHeaderBytes);
  const bool tiled = TIFFIsTiled(tif);
  const uint32_t count = tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  for (uint32_t i = 0; i < count; ++i) {
    const tmsize_t got = tiled ? TIFFReadRawTile(tif, i, head.data(), kHeaderBytes)
                               : TIFFReadRawStrip(tif, i, head.data(), kHeaderBytes);
    const JpegHeader h = got > 0 ? readJpegHeader(head.data(), static_cast<size_t>(got)) : JpegHeader{};
    if (!h.frame) return false;
    if ((h.frame & 3) == 2 || h.scanComponents < static_cast<int>(h.sampling.size())) {
      in.fail(FileFault::Unsupported, "progressive JPEG strips");
      return false;
    }
    if (h.frame != 0xC0 && h.frame != 0xC1) {
      in.fail(FileFault::Unsupported, "lossless or arithmetic-coded JPEG strips");
      return false;
    }
    const auto [cols, rows] = planeSize(tif, l, i, count);
    if (TIFFGetStrileByteCount(tif, i) < leastJpegBytes(h, cols, rows)) return false;
  }
  return true;
}

// Depth of the picture when the layout is read scanline by scanline straight into it, 0 when it
// goes through libtiff's RGBA reader: 1, 2, 4 and 8-bit palette and grey, 16 and 32-bit grey
// (black at 0 also with extra samples: libtiff's reader drops alpha there), RGB of 8, 16 or 32
// bits (extra samples ignored unless the first is alpha; 8 and 16-bit RGB with alpha go through
// the RGBA reader), and 16-bit CMYK, which that reader does not take.
int scanlineBits(const Layout& l) {
  if (!l.hasPhotometric || l.tiled || !l.contiguous()) return 0;
  const bool packed = l.bps == 1 || l.bps == 2 || l.bps == 4 || l.bps == 8;
  switch (l.photometric) {
    case PHOTOMETRIC_PALETTE:
      return l.spp == 1 && packed ? (l.bps == 2 ? 4 : l.bps) : 0;
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
      if (l.spp != 1) return l.photometric == PHOTOMETRIC_MINISBLACK && (l.bps == 16 || l.bps == 32) ? 8 : 0;
      if (packed) return l.bps == 2 ? 4 : l.bps;
      return l.bps == 16 || l.bps == 32 ? 8 : 0;
    case PHOTOMETRIC_RGB:
      if (l.spp < 3 || (l.bps != 8 && l.bps != 16 && l.bps != 32)) return 0;
      return l.alpha() && l.bps != 32 ? 0 : 24;
    case PHOTOMETRIC_SEPARATED:
      return l.inks == INKSET_CMYK && l.spp >= 4 && (l.bps == 16 || (l.bps == 8 && l.cmykToSrgb)) ? 24 : 0;
    default:
      return 0;
  }
}

// Depth of the picture when contiguous tiles of wide samples are narrowed here, 0 otherwise: 16
// and 32-bit grey under alpha (libtiff's RGBA reader drops that alpha), 16-bit CMYK (which it
// refuses) and 8-bit CMYK going through the file's profile.
int wideTileBits(const Layout& l) {
  if (!l.hasPhotometric || !l.tiled || !l.contiguous()) return 0;
  if (l.photometric == PHOTOMETRIC_MINISBLACK && l.spp > 1 && l.alpha() && (l.bps == 16 || l.bps == 32)) return 8;
  if (l.photometric == PHOTOMETRIC_SEPARATED && l.inks == INKSET_CMYK && l.spp >= 4 &&
      (l.bps == 16 || (l.bps == 8 && l.cmykToSrgb)))
    return 24;
  return 0;
}

// One sample of 8, 16 or 32 bits cut to 8 (libtiff hands wide samples over in the machine's byte
// order).
uint32_t sample8(const uint8_t* samples, size_t i, int bps) {
  if (bps == 16) {
    uint16_t v;
    std::memcpy(&v, samples + 2 * i, sizeof v);
    return v >> 8;
  }
  if (bps == 32) {
    uint32_t v;
    std::memcpy(&v, samples + 4 * i, sizeof v);
    return v >> 24;
  }
  return samples[i];
}

// A row of CMYK samples as blue-green-red: through the file's profile, or else computed as
// libtiff's reader does for 8 bits.
void cmykRow(const uint8_t* samples, const Layout& l, int32_t width, uint8_t* row) {
  if (l.cmykToSrgb) {
    constexpr int32_t kRun = 256;
    uint8_t cmyk[4 * kRun];
    for (int32_t x0 = 0; x0 < width; x0 += kRun) {
      const int32_t n = std::min(kRun, width - x0);
      for (int32_t i = 0; i < n; ++i)
        for (int c = 0; c < 4; ++c)
          cmyk[4 * i + c] = static_cast<uint8_t>(sample8(samples, static_cast<size_t>(x0 + i) * l.spp + c, l.bps));
      l.cmykToSrgb->convert(cmyk, row + 3 * static_cast<size_t>(x0), static_cast<size_t>(n));
    }
    return;
  }
  for (int32_t x = 0; x < width; ++x) {
    const size_t first = static_cast<size_t>(x) * l.spp;
    const uint32_t k = 255 - sample8(samples, first + 3, l.bps);
    for (int c = 0; c < 3; ++c) row[3 * x + 2 - c] = static_cast<uint8_t>(k * (255 - sample8(samples, first + c, l.bps)) / 255);
  }
}

// A row of grey or RGB samples as 8-bit grey or blue-green-red: the first one or three samples of
// each pixel are the colour; alpha after them is laid onto white, other extra samples ignored.
void narrowRow(const uint8_t* samples, const Layout& l, int32_t width, uint8_t* row) {
  if (l.photometric == PHOTOMETRIC_SEPARATED) return cmykRow(samples, l, width, row);
  const int colours = l.photometric == PHOTOMETRIC_RGB ? 3 : 1;
  // A file may claim alpha without a sample to hold it.
  const bool alpha = l.alpha() && l.spp > colours, premultiplied = l.firstExtra == EXTRASAMPLE_ASSOCALPHA;
  for (int32_t x = 0; x < width; ++x) {
    const size_t first = static_cast<size_t>(x) * l.spp;
    const uint32_t a = alpha ? sample8(samples, first + colours, l.bps) : 255;
    for (int c = 0; c < colours; ++c) {
      uint32_t v = sample8(samples, first + c, l.bps);
      if (alpha) v = std::min<uint32_t>(255, (premultiplied ? v : (v * a + 127) / 255) + 255 - a);
      row[x * colours + colours - 1 - c] = static_cast<uint8_t>(v);
    }
  }
}

TDib makeScanlineDib(TIFF* tif, const Layout& l, int bits) {
  const auto w = static_cast<int32_t>(l.width), h = static_cast<int32_t>(l.height);
  if (bits == 24) return allocateDib(w, h, 24, false);
  if (l.photometric != PHOTOMETRIC_PALETTE)
    return codec::makeGreyDib(w, h, bits, l.photometric == PHOTOMETRIC_MINISWHITE);
  uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
  if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b)) return TDib();
  const int entries = 1 << l.bps;
  bool eightBit = true;
  for (int i = 0; i < entries; ++i) eightBit = eightBit && r[i] < 256 && g[i] < 256 && b[i] < 256;
  RgbQuad table[256];
  for (int i = 0; i < entries; ++i) table[i] = mapEntry(r, g, b, i, eightBit);
  return codec::makeIndexedDib(w, h, bits, std::span<const RgbQuad>(table, static_cast<size_t>(entries)));
}

// Layouts read row by row straight into the picture; libtiff decodes a strip progressively, so a
// strip of any height costs one scanline of working memory.
TDib decodeScanlines(InputStream& in, TIFF* tif, const Layout& l, int bits, const bool& damaged,
                     const ProgressFn& progress) {
  if (!admitSize(in, l.width, l.height, bits)) return TDib();
  TDib dib = makeScanlineDib(tif, l, bits);
  if (dib.empty()) {
    // A palette picture without its colour map counts as damaged; otherwise memory ran out.
    if (l.photometric != PHOTOMETRIC_PALETTE) in.fail(FileFault::OutOfMemory);
    return TDib();
  }
  const auto w = static_cast<int32_t>(l.width), h = static_cast<int32_t>(l.height);
  const tmsize_t scanline = TIFFScanlineSize(tif);
  // Rows the picture stores as they are in the file are read into it; others are converted.
  const bool direct = (l.spp == 1 && l.bps != 2 && l.bps <= 8) || (l.spp == 3 && l.bps == 8);
  const uint64_t needed = (uint64_t{l.width} * l.spp * l.bps + 7) / 8;
  if (scanline <= 0 || static_cast<uint64_t>(scanline) < needed || (direct && scanline > dib.RowBytes)) return TDib();
  std::vector<uint8_t> buffer(direct ? 0 : static_cast<size_t>(scanline));
  RowProgress rows(progress, h);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = dib.row(y);
    if (TIFFReadScanline(tif, direct ? row : buffer.data(), static_cast<uint32_t>(y), 0) < 0 || damaged) return TDib();
    if (l.bps == 2) {
      // Two-bit samples widened to four bits; greys spread over the 16-entry ramp.
      const int scale = l.photometric == PHOTOMETRIC_PALETTE ? 1 : 5;
      std::fill_n(row, (w + 1) / 2, uint8_t{0});
      for (int32_t x = 0; x < w; ++x) {
        const int v = ((buffer[static_cast<size_t>(x / 4)] >> (6 - 2 * (x % 4))) & 3) * scale;
        row[x / 2] |= static_cast<uint8_t>((x & 1) ? v : v << 4);
      }
    } else if (!direct) {
      narrowRow(buffer.data(), l, w, row);
    } else if (bits == 24) {
      for (int32_t x = 0; x < w; ++x) std::swap(row[3 * x], row[3 * x + 2]);
    }
    rows.row(y);
  }
  return dib;
}

// ---- libtiff's RGBA reader, a band or tile at a time ----

// Working memory besides the picture for one band or tile: libtiff's decoded strip or tile and
// our RGBA pixels. Layouts that would need more are refused.
constexpr uint64_t kWorkBytes = uint64_t{48} << 20;
// RGBA pixels converted at a time.
constexpr uint64_t kBandBytes = uint64_t{8} << 20;

struct RgbaImage {
  TIFFRGBAImage img{};
  bool begun = false;
  ~RgbaImage() {
    if (begun) TIFFRGBAImageEnd(&img);
  }
};

// Where the reader's rows and columns land: libtiff is asked for the file's own order, as every
// other layout is read; the Orientation tag is applied once, after decoding, by the load.
struct Target {
  TDib& dib;
  uint32_t width, height;
  // An extra sample of unspecified meaning is not alpha. libtiff's reader passes it on as
  // premultiplied alpha, leaving the colours as they are, so it is ignored here.
  bool opaque;
  // libtiff premultiplies unassociated alpha except for contiguous 8-bit grey; that is done here.
  bool premultiply;
  const bool& damaged;
  RowProgress rows;
};

Target makeTarget(TDib& dib, const TIFFRGBAImage& img, const Layout& l, const bool& damaged,
                  const ProgressFn& progress) {
  const bool opaque = l.extras > 0 && l.firstExtra == EXTRASAMPLE_UNSPECIFIED;
  const bool grey = img.photometric == PHOTOMETRIC_MINISBLACK || img.photometric == PHOTOMETRIC_MINISWHITE;
  const bool premultiply = grey && img.isContig && img.alpha == EXTRASAMPLE_UNASSALPHA && img.bitspersample == 8;
  return Target{dib, img.width, img.height, opaque, premultiply, damaged, RowProgress(progress, img.height)};
}

// `count` rows of `w` reader pixels (stride `stride`) for the file's rows from y0 and columns
// from x0. The reader's colours come premultiplied by alpha; white shows through the rest.
void putRgba(Target& t, const uint32_t* raster, uint32_t stride, uint32_t x0, uint32_t y0, uint32_t w, uint32_t count) {
  for (uint32_t r = 0; r < count; ++r) {
    uint8_t* row = t.dib.row(static_cast<int32_t>(y0 + r));
    const uint32_t* p = raster + static_cast<size_t>(r) * stride;
    for (uint32_t i = 0; i < w; ++i) {
      const uint32_t v = p[i], a = t.opaque ? 255 : TIFFGetA(v);
      const auto onWhite = [&](uint32_t c) {
        return static_cast<uint8_t>(std::min<uint32_t>(255, (t.premultiply ? (c * a + 127) / 255 : c) + 255 - a));
      };
      uint8_t* px = row + static_cast<size_t>(x0 + i) * 3;
      px[0] = onWhite(TIFFGetB(v));
      px[1] = onWhite(TIFFGetG(v));
      px[2] = onWhite(TIFFGetR(v));
    }
  }
}

bool refuseWork(InputStream& in) {
  in.fail(FileFault::TooLarge);
  return false;
}

// Samples the reader's converter takes apart: all of them when contiguous, else one plane
// each for colour (and alpha, or black for CMYK).
uint64_t planesRead(const TIFFRGBAImage& img) { return img.isContig ? 1 : (img.alpha ? 4 : 3); }

// Contiguous strips: scanlines read one at a time into a band, converted by the reader's own
// routine for the layout.
bool readScanlineBands(InputStream& in, TIFFRGBAImage& img, Target& t) {
  const tmsize_t scanline = TIFFScanlineSize(img.tif);
  if (scanline <= 0) return false;
  const uint64_t perRow = static_cast<uint64_t>(scanline) + uint64_t{t.width} * 4;
  if (perRow > kWorkBytes) return refuseWork(in);
  const auto band = static_cast<uint32_t>(std::clamp<uint64_t>(kBandBytes / perRow, 1, t.height));
  std::vector<uint8_t> samples(static_cast<size_t>(band) * static_cast<size_t>(scanline));
  std::vector<uint32_t> raster(static_cast<size_t>(band) * t.width);
  for (uint32_t y0 = 0; y0 < t.height; y0 += band) {
    const uint32_t count = std::min(band, t.height - y0);
    for (uint32_t r = 0; r < count; ++r)
      if (TIFFReadScanline(img.tif, samples.data() + static_cast<size_t>(r) * scanline, y0 + r, 0) < 0 || t.damaged)
        return false;
    img.put.contig(&img, raster.data(), 0, y0, t.width, count, 0, 0, samples.data());
    putRgba(t, raster.data(), t.width, 0, y0, t.width, count);
    t.rows.row(y0 + count - 1);
  }
  return true;
}

// Separate planes and subsampled YCbCr: the reader itself over bands of whole strips, each strip
// decoded once; it holds a whole strip of every plane.
bool readStripBands(InputStream& in, TIFFRGBAImage& img, Target& t) {
  uint32_t perStrip = t.height;
  TIFFGetFieldDefaulted(img.tif, TIFFTAG_ROWSPERSTRIP, &perStrip);
  perStrip = std::clamp<uint32_t>(perStrip, 1, t.height);
  const uint64_t rowBytes = uint64_t{t.width} * 4;
  if (TIFFStripSize64(img.tif) * planesRead(img) + rowBytes * perStrip > kWorkBytes) return refuseWork(in);
  const uint64_t strips = std::max<uint64_t>(1, kBandBytes / (rowBytes * perStrip));
  const auto band = static_cast<uint32_t>(std::min<uint64_t>(strips * perStrip, t.height));
  std::vector<uint32_t> raster(static_cast<size_t>(band) * t.width);
  for (uint32_t y0 = 0; y0 < t.height; y0 += band) {
    const uint32_t count = std::min(band, t.height - y0);
    img.row_offset = static_cast<int>(y0);
    if (!TIFFRGBAImageGet(&img, raster.data(), t.width, count) || t.damaged) return false;
    putRgba(t, raster.data(), t.width, 0, y0, t.width, count);
    t.rows.row(y0 + count - 1);
  }
  return true;
}

// Separate planes of grey or palette pictures give one colour plane, others three.
uint16_t colourPlanes(const TIFFRGBAImage& img) {
  const uint16_t p = img.photometric;
  return p == PHOTOMETRIC_MINISWHITE || p == PHOTOMETRIC_MINISBLACK || p == PHOTOMETRIC_PALETTE ? 1 : 3;
}

// Reads the tile at (x0, y0): every sample into plane[0] when contiguous, else the planes the
// reader's converter takes (colour, then alpha or CMYK black), one into each of plane[0..3].
bool readTile(TIFFRGBAImage& img, uint8_t* const plane[4], uint32_t x0, uint32_t y0) {
  if (img.isContig) return TIFFReadTile(img.tif, plane[0], x0, y0, 0, 0) >= 0;
  const int planes = colourPlanes(img) + (img.alpha ? 1 : 0);
  for (int s = 0; s < planes; ++s)
    if (TIFFReadTile(img.tif, plane[s], x0, y0, 0, static_cast<uint16_t>(s)) < 0) return false;
  return true;
}

// Tiles one at a time through the reader's converter. (libtiff's own tile loop cannot be used:
// it refuses valid uncompressed tiles read through a stream rather than a mapped file.)
bool readTiles(InputStream& in, TIFFRGBAImage& img, Target& t) {
  uint32_t tw = 0, th = 0;
  if (!TIFFGetField(img.tif, TIFFTAG_TILEWIDTH, &tw) || !TIFFGetField(img.tif, TIFFTAG_TILELENGTH, &th) || !tw || !th)
    return false;
  const uint64_t tileBytes = TIFFTileSize64(img.tif), planes = planesRead(img);
  if (tileBytes == 0) return false;
  if (tileBytes * planes + uint64_t{tw} * th * 4 > kWorkBytes) return refuseWork(in);
  std::vector<uint8_t> samples(static_cast<size_t>(tileBytes * planes));
  std::vector<uint32_t> raster(static_cast<size_t>(tw) * th);
  uint8_t* plane[4] = {};
  for (uint64_t s = 0; s < planes; ++s) plane[s] = samples.data() + s * tileBytes;
  const uint16_t colours = colourPlanes(img);
  uint8_t* red = plane[0];
  uint8_t* green = colours == 1 ? red : plane[1];
  uint8_t* blue = colours == 1 ? red : plane[2];
  uint8_t* alpha = img.alpha ? plane[colours] : nullptr;
  for (uint32_t y0 = 0; y0 < t.height; y0 += th) {
    const uint32_t count = std::min(th, t.height - y0);
    for (uint32_t x0 = 0; x0 < t.width; x0 += tw) {
      // Whole tile rows are converted, also where the picture's right edge cuts the tile, and
      // the part inside the picture kept: some of libtiff's converters skip the rest of a row
      // wrongly.
      if (!readTile(img, plane, x0, y0) || t.damaged) return false;
      if (img.isContig)
        img.put.contig(&img, raster.data(), x0, y0, tw, count, 0, 0, samples.data());
      else
        img.put.separate(&img, raster.data(), x0, y0, tw, count, 0, 0, red, green, blue, alpha);
      putRgba(t, raster.data(), tw, x0, y0, std::min(tw, t.width - x0), count);
    }
    t.rows.row(y0 + count - 1);
  }
  return true;
}

// Tiles of the layouts wideTileBits names, each tile's rows narrowed straight into the picture
// as scanlines are; a tile is the only working memory.
TDib decodeWideTiles(InputStream& in, TIFF* tif, const Layout& l, int bits, const bool& damaged,
                     const ProgressFn& progress) {
  if (!admitSize(in, l.width, l.height, bits)) return TDib();
  uint32_t tw = 0, th = 0;
  if (!TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw) || !TIFFGetField(tif, TIFFTAG_TILELENGTH, &th) || !tw || !th)
    return TDib();
  const uint64_t tileBytes = TIFFTileSize64(tif), rowBytes = (uint64_t{tw} * l.spp * l.bps + 7) / 8;
  if (tileBytes == 0 || tileBytes < rowBytes * th) return TDib();
  if (tileBytes > kWorkBytes) {
    refuseWork(in);
    return TDib();
  }
  TDib dib = makeScanlineDib(tif, l, bits);
  if (dib.empty()) {
    in.fail(FileFault::OutOfMemory);
    return TDib();
  }
  std::vector<uint8_t> tile(static_cast<size_t>(tileBytes));
  RowProgress rows(progress, static_cast<int64_t>(l.height));
  for (uint32_t y0 = 0; y0 < l.height; y0 += th) {
    const uint32_t count = std::min(th, l.height - y0);
    for (uint32_t x0 = 0; x0 < l.width; x0 += tw) {
      if (TIFFReadTile(tif, tile.data(), x0, y0, 0, 0) < 0 || damaged) return TDib();
      const auto shown = static_cast<int32_t>(std::min(tw, l.width - x0));
      for (uint32_t r = 0; r < count; ++r)
        narrowRow(tile.data() + r * rowBytes, l, shown,
                  dib.row(static_cast<int32_t>(y0 + r)) + static_cast<size_t>(x0) * static_cast<size_t>(bits / 8));
    }
    rows.row(y0 + count - 1);
  }
  return dib;
}

const char* modelName(uint16_t photometric) {
  switch (photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
      return "grey";
    case PHOTOMETRIC_PALETTE:
      return "palette";
    case PHOTOMETRIC_RGB:
      return "RGB";
    case PHOTOMETRIC_SEPARATED:
      return "CMYK";
    case PHOTOMETRIC_YCBCR:
      return "YCbCr";
    case PHOTOMETRIC_CIELAB:
      return "CIELab";
    default:
      return nullptr;
  }
}

// A layout libtiff's reader turned down, named for the report: the ink set, the colour model, or
// the depth of a known colour model.
std::string unsupportedDetail(const Layout& l, TIFF* tif) {
  uint16_t inks = INKSET_CMYK;
  TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inks);
  if (l.photometric == PHOTOMETRIC_SEPARATED && inks != INKSET_CMYK) return "ink set " + std::to_string(inks);
  const char* model = modelName(l.photometric);
  if (!model) return "colour model " + std::to_string(l.photometric);
  return std::to_string(l.bps) + "-bit " + model;
}

// libtiff's reader says "Sorry, can not handle ..." or "Can not handle format" for layouts it
// does not know; its other refusals are missing or broken tags.
bool readerLacksSupport(const char* message) { return std::strstr(message, "an not handle") != nullptr; }

bool subsampledYcbcr(const TIFFRGBAImage& img) {
  if (img.photometric != PHOTOMETRIC_YCBCR) return false;
  uint16_t horizontal = 1, vertical = 1;
  TIFFGetFieldDefaulted(img.tif, TIFFTAG_YCBCRSUBSAMPLING, &horizontal, &vertical);
  return horizontal != 1 || vertical != 1;
}

TDib decodeRgba(InputStream& in, TIFF* tif, const Layout& l, const bool& damaged, const ProgressFn& progress) {
  char message[1024] = {};
  RgbaImage rgba;
  // Stop at the first strip or tile that fails to read or decode.
  if (!TIFFRGBAImageBegin(&rgba.img, tif, 1, message)) {
    if (readerLacksSupport(message)) in.fail(FileFault::Unsupported, unsupportedDetail(l, tif));
    return TDib();
  }
  rgba.begun = true;
  rgba.img.req_orientation = rgba.img.orientation;
  if (!admitSize(in, rgba.img.width, rgba.img.height, 24)) return TDib();
  TDib dib = allocateDib(static_cast<int32_t>(rgba.img.width), static_cast<int32_t>(rgba.img.height), 24, false);
  if (dib.empty()) {
    in.fail(FileFault::OutOfMemory);
    return TDib();
  }
  Target target = makeTarget(dib, rgba.img, l, damaged, progress);
  bool ok = false;
  if (TIFFIsTiled(tif))
    ok = readTiles(in, rgba.img, target);
  else if (rgba.img.isContig && !subsampledYcbcr(rgba.img))
    ok = readScanlineBands(in, rgba.img, target);
  else
    ok = readStripBands(in, rgba.img, target);
  return ok ? std::move(dib) : TDib();
}

// The ICC profile of tag 34675.
void noteProfile(TIFF* tif, InputStream& in) {
  uint32_t bytes = 0;
  const uint8_t* data = nullptr;
  if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &bytes, &data) && data && bytes > 0)
    in.metadata().icc.assign(data, data + bytes);
}

// XResolution and YResolution per inch (2) or cm (3); unit 1 gives the aspect only.
void noteResolution(TIFF* tif, InputStream& in) {
  float x = 0, y = 0;
  uint16_t unit = RESUNIT_INCH;
  if (!TIFFGetField(tif, TIFFTAG_XRESOLUTION, &x) || !TIFFGetField(tif, TIFFTAG_YRESOLUTION, &y)) return;
  TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
  if (unit == RESUNIT_INCH || unit == RESUNIT_CENTIMETER)
    in.metadata().resolution = resolutionPer(x, y, unit == RESUNIT_CENTIMETER ? kCmPerInch : 1);
}

// Contiguous 8 and 16-bit CMYK goes through the file's profile, read by scanlines or tiles, when
// the file has one that fits and the load wants it; the load then converts nothing more.
// Separate planes keep libtiff's reader and its conversion.
std::unique_ptr<SrgbConversion> cmykConversion(InputStream& in, const Layout& l) {
  const bool ours = l.hasPhotometric && l.photometric == PHOTOMETRIC_SEPARATED && l.inks == INKSET_CMYK &&
                    l.spp >= 4 && (l.bps == 8 || l.bps == 16) && l.contiguous();
  if (!ours || !in.readOptions().useProfile || in.metadata().icc.empty()) return nullptr;
  auto conversion = std::make_unique<SrgbConversion>(IccProfile(in.metadata().icc), PixelLayout::Cmyk);
  if (!conversion->isReady()) return nullptr;
  in.metadata().profileApplied = true;
  return conversion;
}

}  // namespace

bool TiffCodec::probe(std::span<const uint8_t> head) const {
  if (head.size() < 4) return false;
  const bool intel = head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0;
  const bool motorola = head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43);
  return intel || motorola;
}

TDib TiffCodec::decode(InputStream& in, const ProgressFn& progress) const {
  if (!in.seek(0)) return TDib();
  Options options(&in);
  TiffPtr tif(TIFFClientOpenExt("picture", "rm", &in, streamRead, noWrite, streamSeek, noClose, streamSize, noMap,
                                noUnmap, options.opts));
  if (!tif || options.damaged) return TDib();
  Layout layout = readLayout(tif.get());
  uint16_t orientation = 0;
  if (TIFFGetField(tif.get(), TIFFTAG_ORIENTATION, &orientation)) in.metadata().orientation = orientation;
  noteProfile(tif.get(), in);
  noteResolution(tif.get(), in);
  const std::unique_ptr<SrgbConversion> cmykToSrgb = cmykConversion(in, layout);
  layout.cmykToSrgb = cmykToSrgb.get();
  if (!variantReadable(in, layout) || !dataInsideFile(tif.get(), in.size())) return TDib();
  // Reading every strip's start is for decoding; a read of the header only does without it.
  if (layout.compression == COMPRESSION_JPEG && !in.headerOnly() && !jpegStripsPlausible(in, tif.get(), layout))
    return TDib();
  if (const int bits = scanlineBits(layout)) return decodeScanlines(in, tif.get(), layout, bits, options.damaged, progress);
  if (const int bits = wideTileBits(layout)) return decodeWideTiles(in, tif.get(), layout, bits, options.damaged, progress);
  return decodeRgba(in, tif.get(), layout, options.damaged, progress);
}

bool TiffCodec::encode(const TDib& dib, OutputStream& out) const {
  if (dib.empty()) return false;
  const int bits = DibBitCount(dib);
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
  const int32_t width = DibWidth(dib), height = DibHeight(dib);
  MemoryFile file;
  {
    const Options options;
    TiffPtr tif(TIFFClientOpenExt("picture", "w", &file, memoryRead, memoryWrite, memorySeek, noClose, memorySize,
                                  noMap, noUnmap, options.opts));
    if (!tif) return false;
    TIFF* t = tif.get();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(height));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, static_cast<uint16_t>(bits == 24 ? 8 : bits));
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, static_cast<uint16_t>(bits == 24 ? 3 : 1));
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, bits == 24 ? PHOTOMETRIC_RGB : PHOTOMETRIC_PALETTE);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
    if (dib.Dpi.stored()) {
      TIFFSetField(t, TIFFTAG_XRESOLUTION, dib.Dpi.x);
      TIFFSetField(t, TIFFTAG_YRESOLUTION, dib.Dpi.y);
      TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    }
    if (bits != 24) {
      // The whole colour table in its order, widened to 16 bits per channel.
      const size_t entries = size_t{1} << bits;
      std::vector<uint16_t> r(entries), g(entries), b(entries);
      for (size_t i = 0; i < entries; ++i) {
        r[i] = static_cast<uint16_t>(dib.colors()[i].rgbRed * 257);
        g[i] = static_cast<uint16_t>(dib.colors()[i].rgbGreen * 257);
        b[i] = static_cast<uint16_t>(dib.colors()[i].rgbBlue * 257);
      }
      TIFFSetField(t, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
    }
    const size_t rowBytes = bits == 24 ? static_cast<size_t>(width) * 3 : (static_cast<size_t>(width) * bits + 7) / 8;
    std::vector<uint8_t> row(rowBytes);
    for (int32_t y = 0; y < height; ++y) {
      if (bits == 24)
        codec::rowToRgb(dib, y, row.data());
      else
        std::memcpy(row.data(), dib.row(y), rowBytes);
      if (TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0) < 0) return false;
    }
    if (!TIFFFlush(t)) return false;
  }
  return out.write(file.data.data(), file.data.size());
}

const Codec& tiffCodec() {
  static const TiffCodec codec;
  return codec;
}

}  // namespace tessaro
