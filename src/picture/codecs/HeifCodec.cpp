#include "picture/codecs/HeifCodec.h"

#include <libheif/heif.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string_view>

#include "picture/codecs/Codecs.h"
#include "picture/codecs/LegacyCodecIo.h"

namespace tessaro {

namespace {

using Family = HeifCodec::Family;

constexpr int kMaxItemSide = 32768;

constexpr std::array<std::string_view, 8> kHevcBrands = {"heic", "heix", "heim", "heis",
                                                         "hevc", "hevx", "hevm", "hevs"};
constexpr std::array<std::string_view, 2> kAvifBrands = {"avif", "avis"};
// Brands that say only "HEIF image" and leave the compression to the compatible brands.
constexpr std::array<std::string_view, 4> kGenericBrands = {"mif1", "msf1", "mif2", "miaf"};

template <size_t N>
bool among(std::string_view brand, const std::array<std::string_view, N>& brands) {
  return std::find(brands.begin(), brands.end(), brand) != brands.end();
}

// The family the ftyp box at the start of `head` names; none when it is no HEIF file.
std::optional<Family> brandFamily(std::span<const uint8_t> head) {
  if (head.size() < 16 || std::memcmp(head.data() + 4, "ftyp", 4) != 0) return std::nullopt;
  const auto brandAt = [&](size_t at) { return std::string_view(reinterpret_cast<const char*>(head.data() + at), 4); };
  const std::string_view major = brandAt(8);
  if (among(major, kAvifBrands)) return Family::Avif;
  if (among(major, kHevcBrands)) return Family::Heif;
  if (!among(major, kGenericBrands)) return std::nullopt;
  const size_t boxEnd = std::min<size_t>(be32(head.data()), head.size());
  for (size_t at = 16; at + 4 <= boxEnd; at += 4)
    if (among(brandAt(at), kAvifBrands)) return Family::Avif;
  return Family::Heif;
}

// libheif reads the file through the stream, so standard input and large files need no copy.
int64_t readerPosition(void* stream) { return static_cast<int64_t>(static_cast<InputStream*>(stream)->tell()); }
int readerRead(void* data, size_t size, void* stream) {
  return static_cast<InputStream*>(stream)->readExact(data, size) ? 0 : 1;
}
int readerSeek(int64_t position, void* stream) {
  return position >= 0 && static_cast<InputStream*>(stream)->seek(static_cast<uint64_t>(position)) ? 0 : 1;
}
heif_reader_grow_status readerWait(int64_t size, void* stream) {
  return size >= 0 && static_cast<uint64_t>(size) <= static_cast<InputStream*>(stream)->size()
             ? heif_reader_grow_status_size_reached
             : heif_reader_grow_status_size_beyond_eof;
}
constexpr heif_reader kReader = {1, readerPosition, readerRead, readerSeek, readerWait};

// libheif's refusal as ours: its own limits and missing decoders by name, anything else as damage
// where reading stopped.
void failWith(InputStream& in, const heif_error& error) {
  if (error.subcode == heif_suberror_Security_limit_exceeded)
    in.fail(FileFault::TooLarge);
  else if (error.code == heif_error_Memory_allocation_error)
    in.fail(FileFault::OutOfMemory);
  else if (error.subcode == heif_suberror_Unsupported_codec)
    in.fail(FileFault::Unsupported, "Kompression ohne Decoder");
  else if (error.code == heif_error_Unsupported_feature)
    in.fail(FileFault::Unsupported, error.message ? error.message : "");
  else
    in.fail(FileFault::Damaged);
}

// The colr box's ICC profile, noted for the load's conversion to sRGB. An nclx description
// needs nothing here: libheif converts the samples to RGB by its matrix.
void noteProfile(InputStream& in, const heif_image_handle* handle) {
  const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
  if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC) return;
  std::vector<uint8_t> icc(heif_image_handle_get_raw_color_profile_size(handle));
  if (icc.empty() || heif_image_handle_get_raw_color_profile(handle, icc.data()).code != heif_error_Ok) return;
  in.metadata().icc = std::move(icc);
}

// One row of libheif's interleaved red, green, blue (and alpha) samples into the picture's blue,
// green, red, alpha laid onto white. Samples above 8 bits are scaled to 8 with rounding.
template <typename Sample>
void convertRow(const Sample* src, bool alpha, uint32_t max, int32_t width, uint8_t* dst) {
  const auto to8 = [max](uint32_t v) -> uint32_t {
    if constexpr (sizeof(Sample) == 1) return v;
    return (std::min(v, max) * 255 + max / 2) / max;
  };
  if (alpha) {
    for (int32_t x = 0; x < width; ++x, src += 4, dst += 3) {
      const uint32_t a = to8(src[3]);
      dst[0] = legacy::onWhite(to8(src[2]), a);
      dst[1] = legacy::onWhite(to8(src[1]), a);
      dst[2] = legacy::onWhite(to8(src[0]), a);
    }
  } else {
    for (int32_t x = 0; x < width; ++x, src += 3, dst += 3) {
      dst[0] = static_cast<uint8_t>(to8(src[2]));
      dst[1] = static_cast<uint8_t>(to8(src[1]));
      dst[2] = static_cast<uint8_t>(to8(src[0]));
    }
  }
}

void copyRows(const heif_image* image, bool alpha, bool deep, TDib& dib, const ProgressFn& progress) {
  int stride = 0;
  const uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
  const uint32_t max = (1u << heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved)) - 1;
  const int32_t width = DibWidth(dib), height = DibHeight(dib);
  RowProgress rows(progress, height);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src = plane + static_cast<ptrdiff_t>(y) * stride;
    // libheif aligns its planes and rows, so 16-bit samples may be read in place.
    if (deep)
      convertRow(reinterpret_cast<const uint16_t*>(src), alpha, max, width, dib.row(y));
    else
      convertRow(src, alpha, max, width, dib.row(y));
    rows.row(y);
  }
}

struct Handles {
  heif_context* context = heif_context_alloc();
  heif_image_handle* handle = nullptr;
  heif_decoding_options* options = heif_decoding_options_alloc();
  heif_image* image = nullptr;
  Handles() = default;
  Handles(const Handles&) = delete;
  Handles& operator=(const Handles&) = delete;
  ~Handles() {
    heif_image_release(image);
    heif_decoding_options_free(options);
    heif_image_handle_release(handle);
    heif_context_free(context);
  }
};

// Loads libheif's decoder plugins once for the whole program.
void initLibheif() {
  static const bool done = [] {
    heif_init(nullptr);
    return true;
  }();
  (void)done;
}

TDib decodeHeif(InputStream& in, const ProgressFn& progress) {
  initLibheif();
  Handles h;
  if (!h.context || !h.options) {
    in.fail(FileFault::OutOfMemory);
    return TDib();
  }
  // libheif checks every item (grid tiles, alpha, thumbnails) by its sides only, before any is
  // decoded; no photo has a side beyond this. The picture's area is checked by admitSize below.
  heif_context_set_maximum_image_size_limit(h.context, kMaxItemSide);
  heif_error error = heif_context_read_from_reader(h.context, &kReader, &in, nullptr);
  if (error.code == heif_error_Ok) error = heif_context_get_primary_image_handle(h.context, &h.handle);
  if (error.code != heif_error_Ok) {
    failWith(in, error);
    return TDib();
  }
  // libheif turns and mirrors the picture as the container says; its Exif must not turn it again.
  in.metadata().orientedByContainer = true;
  noteProfile(in, h.handle);
  const int width = heif_image_handle_get_width(h.handle), height = heif_image_handle_get_height(h.handle);
  // A picture whose depth the file leaves out (-1) or gives beyond 16 bits sends libheif's
  // conversion into gigabytes of tables.
  const int lumaBits = heif_image_handle_get_luma_bits_per_pixel(h.handle);
  const int chromaBits = heif_image_handle_get_chroma_bits_per_pixel(h.handle);
  if (width <= 0 || height <= 0 || lumaBits < 1 || lumaBits > 16 || chromaBits < 1 || chromaBits > 16) {
    in.fail(FileFault::Damaged);
    return TDib();
  }
  if (!admitSize(in, width, height, 24)) return TDib();
  const bool alpha = heif_image_handle_has_alpha_channel(h.handle) != 0;
  const bool deep = lumaBits > 8;
  const heif_chroma chroma = deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                  : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
  // Not strict: in strict mode libheif 1.15's AV1 path leaks the picture it refuses for an
  // unknown nclx description, which otherwise only costs a warning.
  error = heif_decode_image(h.handle, &h.image, heif_colorspace_RGB, chroma, h.options);
  if (error.code != heif_error_Ok) {
    failWith(in, error);
    return TDib();
  }
  const int range = heif_image_get_bits_per_pixel_range(h.image, heif_channel_interleaved);
  if (heif_image_get_width(h.image, heif_channel_interleaved) != width ||
      heif_image_get_height(h.image, heif_channel_interleaved) != height ||
      heif_image_get_bits_per_pixel(h.image, heif_channel_interleaved) != (alpha ? 4 : 3) * (deep ? 16 : 8) ||
      !(deep ? range > 8 && range <= 16 : range == 8)) {
    in.fail(FileFault::Damaged);
    return TDib();
  }
  TDib dib = allocateDib(width, height, 24, false);
  if (dib.empty()) {
    in.fail(FileFault::OutOfMemory);
    return dib;
  }
  copyRows(h.image, alpha, deep, dib, progress);
  return dib;
}

}  // namespace

bool HeifCodec::probe(std::span<const uint8_t> head) const { return brandFamily(head) == family_; }

TDib HeifCodec::decode(InputStream& in, const ProgressFn& progress) const { return decodeHeif(in, progress); }

const Codec& heifCodec() {
  static const HeifCodec codec(HeifCodec::Family::Heif);
  return codec;
}

const Codec& avifCodec() {
  static const HeifCodec codec(HeifCodec::Family::Avif);
  return codec;
}

}  // namespace tessaro
