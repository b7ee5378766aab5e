#include "picture/codecs/HeifCodec.h"

#include <libheif/heif.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <optional>
#include <vector>

#include "picture/codecs/Codecs.h"
#include "picture/codecs/HeifBrands.h"
#include "picture/codecs/LegacyCodecIo.h"

namespace tessaro {

namespace {

constexpr int kMaxItemSide = 32768;

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

// The planes of red, green, blue and alpha (or none) libheif decoded into. It converts every
// picture to these planes itself; asking it for interleaved samples instead costs another
// full-size picture and pass.
struct RgbPlanes {
  std::array<const uint8_t*, 4> plane{};
  std::array<ptrdiff_t, 4> stride{};
  int bits = 8, alphaBits = 8;
};

// Samples above 8 bits to 8, rounded, by table: a division per sample would cost more than the
// rest of the row.
std::vector<uint8_t> scaleTable(int bits) {
  const uint32_t max = (1u << bits) - 1;
  std::vector<uint8_t> table(max + 1);
  for (uint32_t v = 0; v <= max; ++v) table[v] = static_cast<uint8_t>((v * 255 + max / 2) / max);
  return table;
}

template <typename Sample>
const Sample* rowOf(const RgbPlanes& p, int channel, int32_t y) {
  // libheif aligns its planes and rows, so 16-bit samples may be read in place.
  return reinterpret_cast<const Sample*>(p.plane[channel] + static_cast<ptrdiff_t>(y) * p.stride[channel]);
}

// Compiled for AVX2 as well, where the interleaving goes four times as fast.
__attribute__((target_clones("avx2", "default"))) void interleaveRow(const uint8_t* r, const uint8_t* g,
                                                                     const uint8_t* b, int32_t width, uint8_t* dst) {
  for (int32_t x = 0; x < width; ++x) {
    dst[3 * x] = b[x];
    dst[3 * x + 1] = g[x];
    dst[3 * x + 2] = r[x];
  }
}

void interleaveDeepRow(const uint16_t* r, const uint16_t* g, const uint16_t* b, const std::vector<uint8_t>& to8,
                       int32_t width, uint8_t* dst) {
  const size_t last = to8.size() - 1;
  for (int32_t x = 0; x < width; ++x) {
    dst[3 * x] = to8[std::min<size_t>(b[x], last)];
    dst[3 * x + 1] = to8[std::min<size_t>(g[x], last)];
    dst[3 * x + 2] = to8[std::min<size_t>(r[x], last)];
  }
}

template <typename Sample>
void alphaOnWhite(const Sample* alpha, const std::vector<uint8_t>& to8, int32_t width, uint8_t* dst) {
  const size_t last = to8.size() - 1;
  for (int32_t x = 0; x < width; ++x, dst += 3) {
    const uint32_t a = sizeof(Sample) == 1 ? alpha[x] : to8[std::min<size_t>(alpha[x], last)];
    for (int i = 0; i < 3; ++i) dst[i] = legacy::onWhite(dst[i], a);
  }
}

void copyRows(const RgbPlanes& p, TDib& dib, const ProgressFn& progress) {
  const int32_t width = DibWidth(dib), height = DibHeight(dib);
  const bool deep = p.bits > 8, deepAlpha = p.alphaBits > 8;
  const std::vector<uint8_t> colourTo8 = deep ? scaleTable(p.bits) : std::vector<uint8_t>();
  const std::vector<uint8_t> alphaTo8 = p.plane[3] && deepAlpha ? scaleTable(p.alphaBits) : std::vector<uint8_t>();
  RowProgress rows(progress, height);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* dst = dib.row(y);
    if (deep)
      interleaveDeepRow(rowOf<uint16_t>(p, 0, y), rowOf<uint16_t>(p, 1, y), rowOf<uint16_t>(p, 2, y), colourTo8, width,
                        dst);
    else
      interleaveRow(rowOf<uint8_t>(p, 0, y), rowOf<uint8_t>(p, 1, y), rowOf<uint8_t>(p, 2, y), width, dst);
    if (p.plane[3] && deepAlpha)
      alphaOnWhite(rowOf<uint16_t>(p, 3, y), alphaTo8, width, dst);
    else if (p.plane[3])
      alphaOnWhite(rowOf<uint8_t>(p, 3, y), alphaTo8, width, dst);
    rows.row(y);
  }
}

// The decoded picture's planes when each has the picture's size and a depth of 8 to 16 bits,
// the colours all the same.
std::optional<RgbPlanes> planesOf(const heif_image* image, int width, int height, bool alpha) {
  constexpr std::array<heif_channel, 4> kChannels = {heif_channel_R, heif_channel_G, heif_channel_B,
                                                     heif_channel_Alpha};
  RgbPlanes p;
  p.bits = heif_image_get_bits_per_pixel_range(image, heif_channel_R);
  for (int i = 0; i < (alpha ? 4 : 3); ++i) {
    const heif_channel channel = kChannels[static_cast<size_t>(i)];
    const int bits = heif_image_get_bits_per_pixel_range(image, channel);
    if (heif_image_get_width(image, channel) != width || heif_image_get_height(image, channel) != height ||
        bits < 8 || bits > 16 || (i < 3 && bits != p.bits) ||
        heif_image_get_bits_per_pixel(image, channel) != (bits > 8 ? 16 : 8))
      return std::nullopt;
    int stride = 0;
    p.plane[static_cast<size_t>(i)] = heif_image_get_plane_readonly(image, channel, &stride);
    p.stride[static_cast<size_t>(i)] = stride;
    if (i == 3) p.alphaBits = bits;
  }
  return p;
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
  // Not strict: in strict mode libheif 1.15's AV1 path leaks the picture it refuses for an
  // unknown nclx description, which otherwise only costs a warning.
  error = heif_decode_image(h.handle, &h.image, heif_colorspace_RGB, heif_chroma_444, h.options);
  if (error.code != heif_error_Ok) {
    failWith(in, error);
    return TDib();
  }
  const std::optional<RgbPlanes> planes = planesOf(h.image, width, height, alpha);
  if (!planes || planes->bits != lumaBits) {
    in.fail(FileFault::Damaged);
    return TDib();
  }
  TDib dib = allocateDib(width, height, 24, false);
  if (dib.empty()) {
    in.fail(FileFault::OutOfMemory);
    return dib;
  }
  copyRows(*planes, dib, progress);
  return dib;
}

}  // namespace

bool HeifCodec::probe(std::span<const uint8_t> head) const { return brandFamily(head) == HeifFamily::Heif; }

TDib HeifCodec::decode(InputStream& in, const ProgressFn& progress) const { return decodeHeif(in, progress); }

const Codec& heifCodec() {
  static const HeifCodec codec;
  return codec;
}

}  // namespace tessaro
