#include "picture/codecs/TiffCodec.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "picture/Limits.h"
#include "picture/codecs/Codecs.h"
#include "picture/codecs/PaletteSupport.h"

namespace tessaro {

namespace {

// libtiff reports through handlers; ours keep quiet (a damaged file is refused by the result of
// the call that failed, never by a message on the console).
int quietHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// libtiff drops a tag whose data lies past the end of the file with no more than a warning, and
// then carries on: a palette picture cut short loses its colour map and comes in as grey. Such a
// file is damaged, so that warning is remembered and the file refused.
int warningHandler(TIFF*, void* userData, const char*, const char* format, va_list) {
  if (userData && std::strstr(format, "IO error")) *static_cast<bool*>(userData) = true;
  return 1;
}

struct Options {
  TIFFOpenOptions* opts;
  bool tagsLost = false;
  Options() : opts(TIFFOpenOptionsAlloc()) {
    // A few libtiff paths still use the process-wide handlers; those print to stderr by default.
    static const bool silenced = [] {
      TIFFSetErrorHandler(nullptr);
      TIFFSetWarningHandler(nullptr);
      return true;
    }();
    (void)silenced;
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, static_cast<tmsize_t>(kMaxPixelBytes));
    TIFFOpenOptionsSetErrorHandlerExtR(opts, quietHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, warningHandler, &tagsLost);
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
int memoryMap(thandle_t h, tdata_t* base, toff_t* size) {
  auto* f = static_cast<MemoryFile*>(h);
  *base = f->data.data();
  *size = f->data.size();
  return 1;
}

// Old writers stored 8-bit colour maps; a map with no value above 255 is taken as one.
RgbQuad mapEntry(const uint16_t* r, const uint16_t* g, const uint16_t* b, int i, bool eightBit) {
  const int s = eightBit ? 0 : 8;
  return RgbQuad{static_cast<uint8_t>(b[i] >> s), static_cast<uint8_t>(g[i] >> s), static_cast<uint8_t>(r[i] >> s), 0};
}

// Layouts read row by row straight into the picture; anything else goes through RGBA.
TDib decodeScanlines(TIFF* tif, const ProgressFn& progress) {
  uint32_t width = 0, height = 0;
  uint16_t bps = 1, spp = 1, photometric = 0, planar = PLANARCONFIG_CONTIG;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) return TDib();
  if (TIFFIsTiled(tif) || (planar != PLANARCONFIG_CONTIG && spp > 1)) return TDib();
  // Each picture below checks its own size before it allocates.
  if (width > static_cast<uint32_t>(kMaxDimension) || height > static_cast<uint32_t>(kMaxDimension)) return TDib();
  const auto w = static_cast<int32_t>(width), h = static_cast<int32_t>(height);

  TDib dib;
  bool swapRgb = false;
  const bool indexed = spp == 1 && (bps == 1 || bps == 2 || bps == 4 || bps == 8 || bps == 16);
  if (photometric == PHOTOMETRIC_PALETTE && indexed && bps != 16) {
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b)) return TDib();
    const int entries = 1 << bps;
    bool eightBit = true;
    for (int i = 0; i < entries; ++i) eightBit = eightBit && r[i] < 256 && g[i] < 256 && b[i] < 256;
    RgbQuad table[256];
    for (int i = 0; i < entries; ++i) table[i] = mapEntry(r, g, b, i, eightBit);
    dib = codec::makeIndexedDib(w, h, bps == 2 ? 4 : bps, std::span<const RgbQuad>(table, static_cast<size_t>(entries)));
  } else if ((photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) && indexed) {
    const int bits = bps == 2 ? 4 : (bps == 16 ? 8 : bps);
    dib = codec::makeGreyDib(w, h, bits, photometric == PHOTOMETRIC_MINISWHITE);
  } else if (photometric == PHOTOMETRIC_RGB && spp == 3 && (bps == 8 || bps == 16)) {
    dib = allocateDib(w, h, 24, false);
    swapRgb = true;
  } else {
    return TDib();
  }
  if (dib.empty()) return TDib();

  const tmsize_t scanline = TIFFScanlineSize(tif);
  const bool direct = bps != 2 && bps != 16;
  const uint64_t needed = (uint64_t{width} * spp * bps + 7) / 8;
  if (scanline <= 0 || static_cast<uint64_t>(scanline) < needed || (direct && scanline > dib.RowBytes)) return TDib();
  std::vector<uint8_t> buffer(direct ? 0 : static_cast<size_t>(scanline));
  RowProgress rows(progress, h);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = dib.row(y);
    if (TIFFReadScanline(tif, direct ? row : buffer.data(), static_cast<uint32_t>(y), 0) < 0) return TDib();
    if (bps == 2) {
      // Two-bit samples widened to four bits; greys spread over the 16-entry ramp.
      const int scale = photometric == PHOTOMETRIC_PALETTE ? 1 : 5;
      std::fill_n(row, (w + 1) / 2, uint8_t{0});
      for (int32_t x = 0; x < w; ++x) {
        const int v = ((buffer[static_cast<size_t>(x / 4)] >> (6 - 2 * (x % 4))) & 3) * scale;
        row[x / 2] |= static_cast<uint8_t>((x & 1) ? v : v << 4);
      }
    } else if (bps == 16) {
      // libtiff hands 16-bit samples over in the machine's byte order.
      const auto* wide = reinterpret_cast<const uint16_t*>(buffer.data());
      for (int32_t i = 0; i < w * spp; ++i) row[i] = static_cast<uint8_t>(wide[i] >> 8);
    }
    if (swapRgb)
      for (int32_t x = 0; x < w; ++x) std::swap(row[3 * x], row[3 * x + 2]);
    rows.row(y);
  }
  return dib;
}

struct RgbaImage {
  TIFFRGBAImage img{};
  bool begun = false;
  ~RgbaImage() {
    if (begun) TIFFRGBAImageEnd(&img);
  }
};

TDib decodeRgba(TIFF* tif, const ProgressFn& progress) {
  char message[1024] = {};
  if (!TIFFRGBAImageOK(tif, message)) return TDib();
  RgbaImage rgba;
  if (!TIFFRGBAImageBegin(&rgba.img, tif, 0, message)) return TDib();
  rgba.begun = true;
  rgba.img.req_orientation = ORIENTATION_TOPLEFT;
  const uint32_t width = rgba.img.width, height = rgba.img.height;
  if (!dibSizeAllowed(width, height, 24)) return TDib();
  TDib dib = allocateDib(static_cast<int32_t>(width), static_cast<int32_t>(height), 24, false);
  if (dib.empty()) return TDib();
  // Bands as tall as a strip or tile, so each is decoded once.
  uint32_t unit = 0;
  if (!TIFFGetField(tif, TIFFIsTiled(tif) ? TIFFTAG_TILELENGTH : TIFFTAG_ROWSPERSTRIP, &unit)) unit = height;
  const uint32_t band = std::min(height, std::max<uint32_t>(unit, 64));
  if (uint64_t{width} * band * 4 > kMaxPixelBytes) return TDib();
  std::vector<uint32_t> raster(static_cast<size_t>(width) * band);
  RowProgress rows(progress, height);
  for (uint32_t y0 = 0; y0 < height; y0 += band) {
    const uint32_t count = std::min(band, height - y0);
    rgba.img.row_offset = static_cast<int>(y0);
    if (!TIFFRGBAImageGet(&rgba.img, raster.data(), width, count)) return TDib();
    for (uint32_t r = 0; r < count; ++r) {
      uint8_t* row = dib.row(static_cast<int32_t>(y0 + r));
      const uint32_t* p = raster.data() + static_cast<size_t>(r) * width;
      for (uint32_t x = 0; x < width; ++x, row += 3) {
        // The reader's colours come premultiplied by alpha; white shows through the rest.
        const uint32_t v = p[x], under = 255 - TIFFGetA(v);
        row[0] = static_cast<uint8_t>(std::min<uint32_t>(255, TIFFGetB(v) + under));
        row[1] = static_cast<uint8_t>(std::min<uint32_t>(255, TIFFGetG(v) + under));
        row[2] = static_cast<uint8_t>(std::min<uint32_t>(255, TIFFGetR(v) + under));
      }
    }
    rows.row(y0 + count - 1);
  }
  return dib;
}

bool needsRgbaReader(TIFF* tif) {
  uint16_t bps = 1, spp = 1, photometric = 0, planar = PLANARCONFIG_CONTIG;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) return true;
  if (TIFFIsTiled(tif) || (planar != PLANARCONFIG_CONTIG && spp > 1)) return true;
  const bool oneSample = spp == 1 && (bps == 1 || bps == 2 || bps == 4 || bps == 8 || bps == 16);
  switch (photometric) {
    case PHOTOMETRIC_PALETTE:
      return !oneSample || bps == 16;
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
      return !oneSample;
    case PHOTOMETRIC_RGB:
      return !(spp == 3 && (bps == 8 || bps == 16));
    default:
      return true;
  }
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
  Options options;
  TiffPtr tif(TIFFClientOpenExt("picture", "rm", &in, streamRead, noWrite, streamSeek, noClose, streamSize, noMap,
                                noUnmap, options.opts));
  if (!tif || options.tagsLost) return TDib();
  uint16_t compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(tif.get(), TIFFTAG_COMPRESSION, &compression);
  if (!TIFFIsTiled(tif.get()) || compression != COMPRESSION_NONE)
    return needsRgbaReader(tif.get()) ? decodeRgba(tif.get(), progress) : decodeScanlines(tif.get(), progress);

  // libtiff refuses valid uncompressed tiles when it reads them through the client's read
  // function rather than from a mapped file; those rare files are read from memory.
  tif.reset();
  if (in.size() > kMaxPixelBytes || !in.seek(0)) return TDib();
  MemoryFile file;
  file.data.resize(in.size());
  if (!in.readExact(file.data.data(), file.data.size())) return TDib();
  Options mappedOptions;
  tif.reset(TIFFClientOpenExt("picture", "r", &file, memoryRead, noWrite, memorySeek, noClose, memorySize, memoryMap,
                              noUnmap, mappedOptions.opts));
  if (!tif || mappedOptions.tagsLost) return TDib();
  return decodeRgba(tif.get(), progress);
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
