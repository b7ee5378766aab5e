#include "picture/codecs/PngCodec.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "picture/Limits.h"
#include "picture/PhotoGrain.h"
#include "picture/PictureSource.h"
#include "picture/codecs/Codecs.h"
#include "picture/codecs/LegacyCodecIo.h"
#include "picture/codecs/PaletteSupport.h"

namespace tessaro {

namespace {

// Ancillary chunks are few and small in any picture we care about; these bounds stop a file
// from making libpng hoard memory for text or unknown chunks.
constexpr png_uint_32 kChunkCacheMax = 1000;
constexpr png_alloc_size_t kChunkMallocMax = 64u << 20;
constexpr size_t kIdatBytes = 256u << 10;

// libpng's own default handler would print to stderr before jumping; we jump quietly. The frame
// that called setjmp holds no objects with destructors.
[[noreturn]] void errorFn(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void warningFn(png_structp, png_const_charp) {}

// How a row that libpng hands over becomes pixels of the picture.
enum class RowKind {
  Direct,     // libpng's row is the picture's row; libpng writes it in place
  Copy,       // whole bytes per pixel (8-bit grey or blue, green, red), copied
  TwoToFour,  // 2-bit indices or greys widened to 4 bits, `scale` spreading greys over 16 levels
  GreyAlpha,  // grey and alpha bytes laid onto white, 8-bit grey
  BgrAlpha,   // blue, green, red and alpha laid onto white
};

struct Decoder {
  png_structp png = nullptr;
  png_infop info = nullptr;
  InputStream* in = nullptr;
  const ProgressFn* progress = nullptr;
  bool convert = false;  // rows go through `buffer` and convertRow
  bool adam7 = false;    // interlaced and converted: each pass's reduced rows are placed by us
  int passes = 1;        // times libpng runs over all rows (7 when it deinterlaces in place)
  RowKind kind = RowKind::Direct;
  int scale = 1;
  int pixelBytes = 0;  // bytes per pixel for Copy
  TDib dib;
  std::vector<uint8_t> buffer;  // one row as libpng delivers it
  bool afterData = false;       // reading on past the picture for its Exif
};

// libpng drops an ancillary chunk whose checksum is wrong and goes on: what it held (transparency,
// gamma) may be missing from the picture, which is marked damaged where the checksum lies.
void readWarningFn(png_structp png, png_const_charp message) {
  auto* d = static_cast<Decoder*>(png_get_io_ptr(png));
  constexpr uint64_t kCrcBytes = 4;
  if (d && !d->afterData && std::strstr(message, "CRC error"))
    d->in->noteDamage(d->in->tell() - std::min(d->in->tell(), kCrcBytes));
}

void readFn(png_structp png, png_bytep data, size_t length) {
  auto* d = static_cast<Decoder*>(png_get_io_ptr(png));
  if (!d->in->readExact(data, length)) png_error(png, "truncated");
}

// Converts `count` pixels of a libpng row into picture row `dst`, pixel i going to column
// x0 + i * step: a whole row has x0 0 and step 1, a reduced row of an interlace pass its
// pass's columns. The picture starts out zero, so packed pixels are or-ed in.
void convertRow(const Decoder& d, const uint8_t* src, uint32_t count, uint8_t* dst, uint32_t x0, uint32_t step) {
  uint32_t x = x0;
  switch (d.kind) {
    case RowKind::Direct:
      break;
    case RowKind::Copy: {
      const auto n = static_cast<uint32_t>(d.pixelBytes);
      for (uint32_t i = 0; i < count; ++i, x += step) std::copy_n(src + i * n, n, dst + x * n);
      break;
    }
    case RowKind::TwoToFour:
      for (uint32_t i = 0; i < count; ++i, x += step) {
        const int v = ((src[i / 4] >> (6 - 2 * (i % 4))) & 3) * d.scale;
        dst[x / 2] |= static_cast<uint8_t>((x & 1) ? v : v << 4);
      }
      break;
    case RowKind::GreyAlpha:
      for (uint32_t i = 0; i < count; ++i, x += step) dst[x] = legacy::onWhite(src[2 * i], src[2 * i + 1]);
      break;
    case RowKind::BgrAlpha:
      for (uint32_t i = 0; i < count; ++i, src += 4, x += step) {
        uint8_t* p = dst + 3 * x;
        p[0] = legacy::onWhite(src[0], src[3]);
        p[1] = legacy::onWhite(src[1], src[3]);
        p[2] = legacy::onWhite(src[2], src[3]);
      }
      break;
  }
}

// The palette picture, each entry with partial cover shown as it would look on white paper.
TDib makePaletteDib(png_structp png, png_infop info, int32_t w, int32_t h, int bits) {
  png_colorp plte = nullptr;
  int count = 0;
  if (!png_get_PLTE(png, info, &plte, &count)) return TDib();
  png_bytep alpha = nullptr;
  int alphaCount = 0;
  png_color_16p unused = nullptr;
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_get_tRNS(png, info, &alpha, &alphaCount, &unused);
  RgbQuad table[256];
  for (int i = 0; i < count && i < 256; ++i) {
    const uint32_t a = i < alphaCount ? alpha[i] : 255u;
    table[i] = RgbQuad{legacy::onWhite(plte[i].blue, a), legacy::onWhite(plte[i].green, a),
                       legacy::onWhite(plte[i].red, a), 0};
  }
  return codec::makeIndexedDib(w, h, bits, std::span<const RgbQuad>(table, static_cast<size_t>(std::min(count, 256))));
}

// Sets libpng's transformations from the header and returns the depth of the picture: palette
// and grey files at their depth (2 bits as 4), grey with transparency at 8, colour at 24.
// `convert` tells whether rows may need converting; what they really need is decided once
// libpng says what it delivers (chooseKind).
int setTransformations(Decoder& d) {
  const int depth = png_get_bit_depth(d.png, d.info);
  const int type = png_get_color_type(d.png, d.info);
  const bool trns = png_get_valid(d.png, d.info, PNG_INFO_tRNS) != 0;
  if (depth == 16) png_set_strip_16(d.png);
  if (type == PNG_COLOR_TYPE_PALETTE || (type == PNG_COLOR_TYPE_GRAY && !trns)) {
    d.convert = depth == 2;
    d.scale = type == PNG_COLOR_TYPE_PALETTE ? 1 : 5;  // grey level v of 4 sits at 85 v = 17 (5 v)
    return depth == 2 ? 4 : std::min(depth, 8);
  }
  d.convert = true;
  if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) {
    if (trns) png_set_tRNS_to_alpha(d.png);
    png_set_expand_gray_1_2_4_to_8(d.png);
    return 8;
  }
  png_set_bgr(d.png);
  if (trns) png_set_tRNS_to_alpha(d.png);
  d.convert = trns || (type & PNG_COLOR_MASK_ALPHA);
  return 24;
}

// The row layout comes from what libpng will deliver, never from the header's flags: libpng
// cancels a tRNS chunk that comes before PLTE but leaves it flagged, so such a colour file
// arrives without alpha.
bool chooseKind(Decoder& d, int bits) {
  const size_t rowBytes = png_get_rowbytes(d.png, d.info);
  const int channels = png_get_channels(d.png, d.info);
  const int depth = png_get_bit_depth(d.png, d.info);
  if (!d.convert) return channels * depth == bits && rowBytes <= static_cast<size_t>(d.dib.RowBytes);
  if (channels == 1 && depth == 2 && bits == 4) {
    d.kind = RowKind::TwoToFour;
  } else if (depth != 8) {
    return false;
  } else if (channels * 8 == bits) {
    d.kind = RowKind::Copy;
    d.pixelBytes = channels;
  } else if (channels == 2 && bits == 8) {
    d.kind = RowKind::GreyAlpha;
  } else if (channels == 4 && bits == 24) {
    d.kind = RowKind::BgrAlpha;
  } else {
    return false;
  }
  d.buffer.resize(rowBytes);
  return true;
}

// The iCCP profile, as libpng decompressed it within its chunk memory limit; libpng drops one
// whose header is broken or names a colour space the picture does not have.
void noteProfile(const Decoder& d) {
  png_charp name = nullptr;
  int compression = 0;
  png_bytep profile = nullptr;
  png_uint_32 bytes = 0;
  if (png_get_iCCP(d.png, d.info, &name, &compression, &profile, &bytes) && profile && bytes > 0)
    d.in->metadata().icc.assign(profile, profile + bytes);
}

// pHYs in pixels per metre; the unknown unit gives the aspect only.
void noteResolution(const Decoder& d) {
  png_uint_32 x = 0, y = 0;
  int unit = PNG_RESOLUTION_UNKNOWN;
  if (png_get_pHYs(d.png, d.info, &x, &y, &unit) && unit == PNG_RESOLUTION_METER)
    d.in->metadata().resolution = resolutionPer(x, y, kMetresPerInch);
}

// Chooses libpng's transformations and our row conversion, and makes the empty picture.
bool prepare(Decoder& d) {
  const png_uint_32 width = png_get_image_width(d.png, d.info);
  const png_uint_32 height = png_get_image_height(d.png, d.info);
  noteProfile(d);
  noteResolution(d);
  const int bits = setTransformations(d);
  if (!admitSize(*d.in, width, height, bits)) return false;
  const auto w = static_cast<int32_t>(width), h = static_cast<int32_t>(height);
  if (png_get_color_type(d.png, d.info) == PNG_COLOR_TYPE_PALETTE)
    d.dib = makePaletteDib(d.png, d.info, w, h, bits);
  else
    d.dib = bits == 24 ? allocateDib(w, h, 24, false) : codec::makeGreyDib(w, h, bits);
  if (d.dib.empty()) return false;
  // Converted interlaced files are not deinterlaced by libpng, which would need a buffer of the
  // whole image; their passes are placed straight into the picture instead.
  const bool interlaced = png_get_interlace_type(d.png, d.info) != PNG_INTERLACE_NONE;
  d.adam7 = interlaced && d.convert;
  if (interlaced && !d.convert) d.passes = png_set_interlace_handling(d.png);
  if (interlaced) adviseSparseWrites(d.dib);
  png_read_update_info(d.png, d.info);
  return chooseKind(d, bits);
}

// Reduced rows of the seven interlace passes; libpng skips passes without pixels, as the file does.
int64_t adam7Rows(png_uint_32 width, png_uint_32 height) {
  int64_t rows = 0;
  for (int pass = 0; pass < 7; ++pass)
    if (PNG_PASS_COLS(width, pass) != 0) rows += PNG_PASS_ROWS(height, pass);
  return rows;
}

void readPasses(Decoder& d, png_uint_32 width, png_uint_32 height, RowProgress& progress) {
  int64_t done = 0;
  for (int pass = 0; pass < 7; ++pass) {
    const png_uint_32 cols = PNG_PASS_COLS(width, pass), rows = PNG_PASS_ROWS(height, pass);
    if (cols == 0) continue;
    for (png_uint_32 r = 0; r < rows; ++r) {
      png_read_row(d.png, d.buffer.data(), nullptr);
      const auto y = static_cast<int32_t>(PNG_ROW_FROM_PASS_ROW(r, pass));
      convertRow(d, d.buffer.data(), cols, d.dib.row(y), PNG_PASS_START_COL(pass), 1u << PNG_PASS_COL_SHIFT(pass));
      progress.row(done++);
    }
  }
}

// libpng takes memory for a text chunk's whole claimed length before reading it, whatever its
// chunk limit says, so 150 bytes that claim a 2 GB chunk would cost 2 GB. Every chunk libpng reads
// before the picture data must therefore lie inside the file; one that does not is damage.
bool chunksBeforeDataFit(InputStream& in) {
  constexpr uint64_t kSignature = 8, kHeader = 8, kCrc = 4;
  uint8_t header[kHeader];
  for (uint64_t at = kSignature; in.seek(at) && in.readExact(header, kHeader);) {
    const uint64_t length = be32(header);
    if (std::memcmp(header + 4, "IDAT", 4) == 0 || std::memcmp(header + 4, "IEND", 4) == 0) break;
    if (length + kCrc > in.remaining()) {
      in.fail(FileFault::Damaged);
      return false;
    }
    at += kHeader + length + kCrc;
  }
  return in.seek(0);
}

// The eXIf chunk, from its TIFF header on, when libpng has read one.
void noteExif(Decoder& d) {
  png_uint_32 length = 0;
  png_bytep exif = nullptr;
  if (d.in->metadata().exif.empty() && png_get_eXIf_1(d.png, d.info, &length, &exif) && exif && length)
    d.in->metadata().exif.assign(exif, exif + length);
}

// An eXIf chunk may also follow the picture data. The picture is whole by now: damage after it
// only means no orientation is found there. Every other chunk there is skipped unread, as no
// check bounds the memory libpng would take for it.
void readExifAfterData(Decoder& d) {
  if (!d.in->metadata().exif.empty() || setjmp(png_jmpbuf(d.png))) return;
  d.afterData = true;
  static constexpr png_byte kExif[] = {'e', 'X', 'I', 'f', 0};
  png_set_keep_unknown_chunks(d.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_set_keep_unknown_chunks(d.png, PNG_HANDLE_CHUNK_AS_DEFAULT, kExif, 1);
  png_read_end(d.png, d.info);
  noteExif(d);
}

bool runDecode(Decoder& d) {
  if (setjmp(png_jmpbuf(d.png))) return false;
  png_set_read_fn(d.png, &d, readFn);
  // libpng's own size limits stay wide, so that admitSize sees (and names) every large picture.
  png_set_user_limits(d.png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
  png_set_chunk_cache_max(d.png, kChunkCacheMax);
  png_set_chunk_malloc_max(d.png, kChunkMallocMax);
  png_read_info(d.png, d.info);
  noteExif(d);
  if (!prepare(d)) return false;
  const auto width = static_cast<png_uint_32>(DibWidth(d.dib));
  const int32_t height = DibHeight(d.dib);
  if (d.adam7) {
    RowProgress progress(*d.progress, adam7Rows(width, static_cast<png_uint_32>(height)));
    readPasses(d, width, static_cast<png_uint_32>(height), progress);
    return true;
  }
  RowProgress progress(*d.progress, int64_t{d.passes} * height);
  int64_t done = 0;
  for (int pass = 0; pass < d.passes; ++pass)
    for (int32_t y = 0; y < height; ++y) {
      if (d.convert) {
        png_read_row(d.png, d.buffer.data(), nullptr);
        convertRow(d, d.buffer.data(), width, d.dib.row(y), 0, 1);
      } else {
        png_read_row(d.png, d.dib.row(y), nullptr);
      }
      progress.row(done++);
    }
  return true;
}

// pHYs holds whole pixels per metre, up to 2^31 - 1.
png_uint_32 perMetre(double dpi) {
  return static_cast<png_uint_32>(std::clamp<int64_t>(dotsPerUnit(dpi, kMetresPerInch), 1, PNG_UINT_31_MAX));
}

struct Encoder {
  png_structp png = nullptr;
  png_infop info = nullptr;
  OutputStream* out = nullptr;
  const TDib* dib = nullptr;
  bool photo = false;  // true-colour picture with photo grain: fast compression
};

void writeFn(png_structp png, png_bytep data, size_t length) {
  auto* e = static_cast<Encoder*>(png_get_io_ptr(png));
  if (!e->out->write(data, length)) png_error(png, "write failed");
}

void flushFn(png_structp) {}

// Large IDAT chunks mean fewer calls into the stream.
void setCompression(png_structp png, bool photo) {
  png_set_compression_buffer_size(png, kIdatBytes);
  if (!photo) return;
  png_set_compression_level(png, kPhotoLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB | PNG_FILTER_UP);
}

bool runEncode(Encoder& e) {
  if (setjmp(png_jmpbuf(e.png))) return false;
  const TDib& dib = *e.dib;
  const int bits = DibBitCount(dib);
  const auto height = static_cast<int32_t>(DibHeight(dib));
  png_set_write_fn(e.png, &e, writeFn, flushFn);
  setCompression(e.png, e.photo);
  png_set_IHDR(e.png, e.info, static_cast<png_uint_32>(DibWidth(dib)), static_cast<png_uint_32>(height),
               bits == 24 ? 8 : bits, bits == 24 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (bits != 24) {
    // The whole colour table in its order, so indices mean the same after a round trip.
    png_color plte[256];
    const int entries = 1 << bits;
    for (int i = 0; i < entries; ++i)
      plte[i] = png_color{dib.colors()[i].rgbRed, dib.colors()[i].rgbGreen, dib.colors()[i].rgbBlue};
    png_set_PLTE(e.png, e.info, plte, entries);
  }
  if (dib.Dpi.stored())
    png_set_pHYs(e.png, e.info, perMetre(dib.Dpi.x), perMetre(dib.Dpi.y), PNG_RESOLUTION_METER);
  png_write_info(e.png, e.info);
  if (bits == 24) png_set_bgr(e.png);
  for (int32_t y = 0; y < height; ++y) png_write_row(e.png, dib.row(y));
  png_write_end(e.png, e.info);
  return true;
}

}  // namespace

bool PngCodec::probe(std::span<const uint8_t> head) const {
  return head.size() >= 8 && png_sig_cmp(head.data(), 0, 8) == 0;
}

TDib PngCodec::decode(InputStream& in, const ProgressFn& progress) const {
  Decoder d;
  d.in = &in;
  d.progress = &progress;
  d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, errorFn, readWarningFn);
  if (!d.png) return TDib();
  d.info = png_create_info_struct(d.png);
  const bool ok = d.info && chunksBeforeDataFit(in) && runDecode(d);
  if (ok) readExifAfterData(d);
  png_destroy_read_struct(&d.png, d.info ? &d.info : nullptr, nullptr);
  if (!ok) return TDib();
  // Rows taken as the file holds them may go into a PDF as the file's own data.
  if (!d.convert) keepSource(d.dib, pngSource(in, DibWidth(d.dib), DibHeight(d.dib)));
  return std::move(d.dib);
}

bool PngCodec::encode(const TDib& dib, OutputStream& out) const {
  if (dib.empty()) return false;
  const int bits = DibBitCount(dib);
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
  Encoder e;
  e.out = &out;
  e.dib = &dib;
  e.photo = bits == 24 && looksLikeAPhoto(dib.Bits, static_cast<uint64_t>(dib.RowBytes),
                                          static_cast<uint64_t>(DibWidth(dib)) * 3, DibHeight(dib));
  e.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, errorFn, warningFn);
  if (!e.png) return false;
  e.info = png_create_info_struct(e.png);
  const bool ok = e.info && runEncode(e);
  png_destroy_write_struct(&e.png, e.info ? &e.info : nullptr);
  return ok;
}

const Codec& pngCodec() {
  static const PngCodec codec;
  return codec;
}

}  // namespace tessaro
