#include "picture/codecs/AvifCodec.h"

#include <avif/avif.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "picture/Limits.h"
#include "picture/Orientation.h"
#include "picture/codecs/Codecs.h"
#include "picture/codecs/HeifBrands.h"

namespace tessaro {

namespace {

// libavif reads the file through the stream, so standard input and large files need no copy;
// each piece it asks for lives in `piece` until it asks for the next.
struct StreamReader {
  avifIO io{};
  InputStream* in = nullptr;
  std::vector<uint8_t> piece;
};

avifResult readPiece(avifIO* io, uint32_t readFlags, uint64_t offset, size_t size, avifROData* out) {
  auto& r = *reinterpret_cast<StreamReader*>(io);
  const uint64_t total = r.in->size();
  if (readFlags != 0 || offset > total) return AVIF_RESULT_IO_ERROR;
  r.piece.resize(static_cast<size_t>(std::min<uint64_t>(size, total - offset)));
  if (!r.in->seek(offset) || !r.in->readExact(r.piece.data(), r.piece.size())) return AVIF_RESULT_IO_ERROR;
  out->data = r.piece.data();
  out->size = r.piece.size();
  return AVIF_RESULT_OK;
}

// libavif's refusal as ours: its size limits, missing decoders and variants by name, anything
// else as damage. Its limits have no result of their own, only their diagnostic text.
void failWith(InputStream& in, avifResult result, const avifDiagnostics& diag) {
  if (std::strstr(diag.error, "too large")) {
    in.fail(FileFault::TooLarge);
    return;
  }
  switch (result) {
    case AVIF_RESULT_OUT_OF_MEMORY:
      in.fail(FileFault::OutOfMemory);
      break;
    case AVIF_RESULT_NO_CODEC_AVAILABLE:
      in.fail(FileFault::Unsupported, "Kompression ohne Decoder");
      break;
    case AVIF_RESULT_UNSUPPORTED_DEPTH:
    case AVIF_RESULT_NOT_IMPLEMENTED:
      in.fail(FileFault::Unsupported, avifResultToString(result));
      break;
    default:
      in.fail(FileFault::Damaged);
  }
}

// The Exif item from its TIFF header on; libavif leaves any "Exif\0\0" before it in place.
void noteExif(InputStream& in, const avifRWData& exif) {
  static constexpr uint8_t kPrefix[] = {'E', 'x', 'i', 'f', 0, 0};
  const size_t skip = exif.size > sizeof kPrefix && std::memcmp(exif.data, kPrefix, sizeof kPrefix) == 0 ? sizeof kPrefix : 0;
  if (exif.size > skip && in.metadata().exif.empty()) in.metadata().exif.assign(exif.data + skip, exif.data + exif.size);
}

// The camera orientation (1 to 8) that does what the irot box (turns a quarter left `angle`
// times) and then the imir box (mode 0 exchanges top and bottom, 1 left and right) do.
int orientationOf(const avifImage& image) {
  static constexpr std::array<std::array<int, 4>, 3> kByMirror = {{
      {1, 8, 3, 6},  // no mirror
      {4, 5, 2, 7},  // top and bottom
      {2, 7, 4, 5},  // left and right
  }};
  const size_t angle = image.transformFlags & AVIF_TRANSFORM_IROT ? image.irot.angle & 3u : 0;
  const size_t mirror = image.transformFlags & AVIF_TRANSFORM_IMIR ? 1u + (image.imir.mode & 1u) : 0;
  return kByMirror[mirror][angle];
}

// libavif writes rows top first with a positive stride only; the picture keeps them bottom
// first. Reversing the rows in place costs far less than a second picture.
void reverseRows(TDib& dib) {
  const int32_t height = DibHeight(dib);
  const size_t bytes = dibRowBytes(DibWidth(dib), 24);
  std::vector<uint8_t> spare(bytes);
  for (int32_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
    std::memcpy(spare.data(), dib.row(top), bytes);
    std::memcpy(dib.row(top), dib.row(bottom), bytes);
    std::memcpy(dib.row(bottom), spare.data(), bytes);
  }
}

// The alpha plane laid onto white under the converted colours, whose rows are still top first.
// libavif multiplies the colours by alpha when it leaves alpha out (the picture on black), so
// white comes in by what alpha leaves uncovered.
void alphaOnWhite(const avifImage& image, uint8_t* pixels, size_t stride, const ProgressFn& progress) {
  const uint32_t max = (1u << image.depth) - 1;
  RowProgress rows(progress, image.height);
  for (uint32_t y = 0; y < image.height; ++y, pixels += stride) {
    const uint8_t* alpha = image.alphaPlane + static_cast<size_t>(y) * image.alphaRowBytes;
    for (uint32_t x = 0; x < image.width; ++x) {
      const uint32_t a = image.depth > 8 ? reinterpret_cast<const uint16_t*>(alpha)[x] : alpha[x];
      const uint32_t uncovered = 255 - (std::min(a, max) * 255 + max / 2) / max;
      for (uint8_t* p = pixels + 3 * x; p != pixels + 3 * x + 3; ++p)
        *p = static_cast<uint8_t>(std::min(255u, *p + uncovered));
    }
    rows.row(y);
  }
}

struct DecoderFree {
  void operator()(avifDecoder* d) const { avifDecoderDestroy(d); }
};

TDib decodeAvif(InputStream& in, const ProgressFn& progress) {
  std::unique_ptr<avifDecoder, DecoderFree> decoder(avifDecoderCreate());
  if (!decoder) {
    in.fail(FileFault::OutOfMemory);
    return TDib();
  }
  StreamReader reader;
  reader.in = &in;
  reader.io.read = readPiece;
  reader.io.sizeHint = in.size();
  avifDecoderSetIO(decoder.get(), &reader.io);
  decoder->maxThreads = 2;
  // Our pixel limit, as far as libavif takes one (it refuses any limit above its own); sides
  // are left to admitSize below, which names a picture too large as such.
  decoder->imageSizeLimit = static_cast<uint32_t>(std::min<uint64_t>(kMaxPixelBytes / 3, AVIF_DEFAULT_IMAGE_SIZE_LIMIT));
  decoder->imageDimensionLimit = 0;
  avifResult result = avifDecoderParse(decoder.get());
  if (result != AVIF_RESULT_OK) {
    failWith(in, result, decoder->diag);
    return TDib();
  }
  const avifImage& header = *decoder->image;
  noteExif(in, header.exif);
  if (header.icc.size) in.metadata().icc.assign(header.icc.data, header.icc.data + header.icc.size);
  // The container's turn and mirror are applied here; its Exif must not turn the picture again.
  in.metadata().orientedByContainer = true;
  const uint32_t width = header.width, height = header.height;
  if (width == 0 || height == 0) {
    in.fail(FileFault::Damaged);
    return TDib();
  }
  // The size as it is shown, for a read of the header; the memory is the same either way.
  const int orientation = orientationOf(header);
  if (!admitSize(in, swapsSides(orientation) ? height : width, swapsSides(orientation) ? width : height, 24))
    return TDib();
  // The AV1 data may claim a larger frame than the container; its decoder must refuse that
  // before it allocates, so the limit becomes the container's size, which Reset hands on.
  decoder->imageSizeLimit = width * height;
  result = avifDecoderReset(decoder.get());
  if (result == AVIF_RESULT_OK) result = avifDecoderNextImage(decoder.get());
  if (result != AVIF_RESULT_OK) {
    failWith(in, result, decoder->diag);
    return TDib();
  }
  const avifImage& image = *decoder->image;
  if (image.width != width || image.height != height || (decoder->alphaPresent && !image.alphaPlane)) {
    in.fail(FileFault::Damaged);
    return TDib();
  }
  TDib dib = allocateDib(static_cast<int32_t>(width), static_cast<int32_t>(height), 24, false);
  if (dib.empty()) {
    in.fail(FileFault::OutOfMemory);
    return dib;
  }
  avifRGBImage rgb;
  avifRGBImageSetDefaults(&rgb, &image);
  rgb.depth = 8;
  rgb.format = AVIF_RGB_FORMAT_BGR;
  rgb.rowBytes = static_cast<uint32_t>(dibRowBytes(width, 24));
  rgb.pixels = dib.row(static_cast<int32_t>(height) - 1);  // the lowest address
  result = avifImageYUVToRGB(&image, &rgb);
  if (result != AVIF_RESULT_OK) {
    failWith(in, result, decoder->diag);
    return TDib();
  }
  if (image.alphaPlane)
    alphaOnWhite(image, rgb.pixels, rgb.rowBytes, progress);
  else if (progress)
    progress(100);
  reverseRows(dib);
  if (orientation == 1) return dib;
  dib = turnUpright(std::move(dib), orientation);
  if (dib.empty()) in.fail(FileFault::OutOfMemory);
  return dib;
}

}  // namespace

bool AvifCodec::probe(std::span<const uint8_t> head) const { return brandFamily(head) == HeifFamily::Avif; }

TDib AvifCodec::decode(InputStream& in, const ProgressFn& progress) const { return decodeAvif(in, progress); }

const Codec& avifCodec() {
  static const AvifCodec codec;
  return codec;
}

}  // namespace tessaro
