#include "picture/codecs/PngCodec.h"

#include <png.h>

#include <algorithm>
#include <vector>

#include "picture/Limits.h"
#include "picture/codecs/Codecs.h"
#include "picture/codecs/LegacyCodecIo.h"
#include "picture/codecs/PaletteSupport.h"

namespace tessaro {

namespace {

// Ancillary chunks are few and small in any picture we care about; these bounds stop a file
// from making libpng hoard memory for text or unknown chunks.
constexpr png_uint_32 kChunkCacheMax = 1000;
constexpr png_alloc_size_t kChunkMallocMax = 64u << 20;

// libpng's own default handler would print to stderr before jumping; we jump quietly. The frame
// that called setjmp holds no objects with destructors.
[[noreturn]] void errorFn(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void warningFn(png_structp, png_const_charp) {}

// How a row that libpng hands over becomes a row of the picture.
enum class RowKind {
  Direct,       // libpng's row is the picture's row
  TwoToFour,    // 2-bit indices or greys widened to 4 bits, `scale` spreading greys over 16 levels
  GreyAlpha,    // grey and alpha bytes laid onto white, 8-bit grey
  BgrAlpha,     // blue, green, red and alpha laid onto white
};

struct Decoder {
  png_structp png = nullptr;
  png_infop info = nullptr;
  InputStream* in = nullptr;
  const ProgressFn* progress = nullptr;
  int64_t progressRows = 0;
  int progressLast = -1;
  int passes = 1;
  RowKind kind = RowKind::Direct;
  int scale = 1;
  TDib dib;
  std::vector<uint8_t> buffer;      // one row, or the whole image when interlaced and converted
  std::vector<png_bytep> pointers;  // row pointers for libpng's whole-image read
};

void readFn(png_structp png, png_bytep data, size_t length) {
  auto* d = static_cast<Decoder*>(png_get_io_ptr(png));
  if (!d->in->readExact(data, length)) png_error(png, "truncated");
}

void statusFn(png_structp png, png_uint_32 row, int pass) {
  auto* d = static_cast<Decoder*>(png_get_io_ptr(png));
  if (!*d->progress) return;
  const int64_t height = DibHeight(d->dib);
  const int p = rowPercent(pass * height + row, d->progressRows);
  if (p != d->progressLast) (*d->progress)(d->progressLast = p);
}

void convertRow(const Decoder& d, const uint8_t* src, uint8_t* dst) {
  const int32_t width = DibWidth(d.dib);
  switch (d.kind) {
    case RowKind::Direct:
      break;
    case RowKind::TwoToFour:
      std::fill_n(dst, (width + 1) / 2, uint8_t{0});
      for (int32_t x = 0; x < width; ++x) {
        const int v = ((src[x / 4] >> (6 - 2 * (x % 4))) & 3) * d.scale;
        dst[x / 2] |= static_cast<uint8_t>((x & 1) ? v : v << 4);
      }
      break;
    case RowKind::GreyAlpha:
      for (int32_t x = 0; x < width; ++x) dst[x] = legacy::onWhite(src[2 * x], src[2 * x + 1]);
      break;
    case RowKind::BgrAlpha:
      for (int32_t x = 0; x < width; ++x, src += 4, dst += 3) {
        dst[0] = legacy::onWhite(src[0], src[3]);
        dst[1] = legacy::onWhite(src[1], src[3]);
        dst[2] = legacy::onWhite(src[2], src[3]);
      }
      break;
  }
}

// Chooses libpng's transformations and our row conversion, and makes the empty picture.
bool prepare(Decoder& d) {
  png_structp png = d.png;
  png_infop info = d.info;
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const int depth = png_get_bit_depth(png, info);
  const int type = png_get_color_type(png, info);
  const bool trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  // Each picture below checks its own size before it allocates.
  if (width > static_cast<png_uint_32>(kMaxDimension) || height > static_cast<png_uint_32>(kMaxDimension)) return false;
  const auto w = static_cast<int32_t>(width), h = static_cast<int32_t>(height);
  if (depth == 16) png_set_strip_16(png);
  if (type == PNG_COLOR_TYPE_PALETTE) {
    png_colorp plte = nullptr;
    int count = 0;
    if (!png_get_PLTE(png, info, &plte, &count)) return false;
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    png_color_16p unused = nullptr;
    if (trns) png_get_tRNS(png, info, &alpha, &alphaCount, &unused);
    RgbQuad table[256];
    for (int i = 0; i < count && i < 256; ++i) {
      // Entries with partial cover are shown as they would look on white paper.
      const uint32_t a = i < alphaCount ? alpha[i] : 255u;
      table[i] = RgbQuad{legacy::onWhite(plte[i].blue, a), legacy::onWhite(plte[i].green, a), legacy::onWhite(plte[i].red, a), 0};
    }
    const int bits = depth == 2 ? 4 : depth;
    d.kind = depth == 2 ? RowKind::TwoToFour : RowKind::Direct;
    d.dib = codec::makeIndexedDib(w, h, bits, std::span<const RgbQuad>(table, static_cast<size_t>(std::min(count, 256))));
  } else if (type == PNG_COLOR_TYPE_GRAY && !trns) {
    const int bits = depth == 2 ? 4 : (depth == 16 ? 8 : depth);
    d.kind = depth == 2 ? RowKind::TwoToFour : RowKind::Direct;
    d.scale = 5;  // grey level v of 4 sits at 85 v = 17 (5 v)
    d.dib = codec::makeGreyDib(w, h, bits);
  } else if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) {
    if (trns) png_set_tRNS_to_alpha(png);
    png_set_expand_gray_1_2_4_to_8(png);
    d.kind = RowKind::GreyAlpha;
    d.dib = codec::makeGreyDib(w, h, 8);
  } else {
    png_set_bgr(png);
    if (trns) png_set_tRNS_to_alpha(png);
    d.kind = (trns || (type & PNG_COLOR_MASK_ALPHA)) ? RowKind::BgrAlpha : RowKind::Direct;
    d.dib = allocateDib(w, h, 24, false);
  }
  if (d.dib.empty()) return false;
  d.passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  if (d.kind == RowKind::Direct) return rowBytes <= static_cast<size_t>(d.dib.RowBytes);
  // Every kind widens at most 4 bytes to 3, so the converted rows fit the picture.
  const uint64_t rows = d.passes > 1 ? height : 1;
  if (rowBytes * rows > kMaxPixelBytes) return false;
  d.buffer.resize(rowBytes * rows);
  return true;
}

bool runDecode(Decoder& d) {
  if (setjmp(png_jmpbuf(d.png))) return false;
  png_set_read_fn(d.png, &d, readFn);
  png_set_user_limits(d.png, kMaxDimension, kMaxDimension);
  png_set_chunk_cache_max(d.png, kChunkCacheMax);
  png_set_chunk_malloc_max(d.png, kChunkMallocMax);
  png_set_read_status_fn(d.png, statusFn);
  png_read_info(d.png, d.info);
  if (!prepare(d)) return false;
  const int32_t height = DibHeight(d.dib);
  d.progressRows = static_cast<int64_t>(d.passes) * height;
  if (d.kind == RowKind::Direct || d.passes > 1) {
    const size_t stride = d.kind == RowKind::Direct ? 0 : png_get_rowbytes(d.png, d.info);
    d.pointers.resize(static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y)
      d.pointers[static_cast<size_t>(y)] = d.kind == RowKind::Direct ? d.dib.row(y) : d.buffer.data() + stride * static_cast<size_t>(y);
    png_read_image(d.png, d.pointers.data());
    if (d.kind != RowKind::Direct)
      for (int32_t y = 0; y < height; ++y) convertRow(d, d.pointers[static_cast<size_t>(y)], d.dib.row(y));
    return true;
  }
  for (int32_t y = 0; y < height; ++y) {
    png_read_row(d.png, d.buffer.data(), nullptr);
    convertRow(d, d.buffer.data(), d.dib.row(y));
  }
  return true;
}

struct Encoder {
  png_structp png = nullptr;
  png_infop info = nullptr;
  OutputStream* out = nullptr;
  const TDib* dib = nullptr;
};

void writeFn(png_structp png, png_bytep data, size_t length) {
  auto* e = static_cast<Encoder*>(png_get_io_ptr(png));
  if (!e->out->write(data, length)) png_error(png, "write failed");
}

void flushFn(png_structp) {}

bool runEncode(Encoder& e) {
  if (setjmp(png_jmpbuf(e.png))) return false;
  const TDib& dib = *e.dib;
  const int bits = DibBitCount(dib);
  const auto height = static_cast<int32_t>(DibHeight(dib));
  png_set_write_fn(e.png, &e, writeFn, flushFn);
  png_set_IHDR(e.png, e.info, static_cast<png_uint_32>(DibWidth(dib)), static_cast<png_uint_32>(height),
               bits == 24 ? 8 : bits, bits == 24 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (bits != 24) {
    // The whole colour table in its order, so indices mean the same after a round trip.
    png_color plte[256];
    const int entries = 1 << bits;
    for (int i = 0; i < entries; ++i) plte[i] = png_color{dib.colors()[i].rgbRed, dib.colors()[i].rgbGreen, dib.colors()[i].rgbBlue};
    png_set_PLTE(e.png, e.info, plte, entries);
  }
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
  d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, errorFn, warningFn);
  if (!d.png) return TDib();
  d.info = png_create_info_struct(d.png);
  const bool ok = d.info && runDecode(d);
  png_destroy_read_struct(&d.png, d.info ? &d.info : nullptr, nullptr);
  if (!ok) return TDib();
  return std::move(d.dib);
}

bool PngCodec::encode(const TDib& dib, OutputStream& out) const {
  if (dib.empty()) return false;
  const int bits = DibBitCount(dib);
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
  Encoder e;
  e.out = &out;
  e.dib = &dib;
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
