#include "picture/PictureSource.h"

#include <zlib.h>

#include <array>
#include <cstring>

#include "picture/PhotoFinish.h"
#include "picture/ProfileConversion.h"

namespace tessaro {

namespace {

std::vector<uint8_t> readWhole(InputStream& in) {
  const uint64_t size = in.size();
  if (size == 0 || size > kMaxSourceBytes || !in.seek(0)) return {};
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (!in.readExact(bytes.data(), bytes.size())) return {};
  return bytes;
}

// True when `data` is one whole zlib stream of exactly `bytes` bytes.
bool inflatesTo(const std::vector<uint8_t>& data, uint64_t bytes) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  std::array<uint8_t, 64 * 1024> out;
  z.next_in = const_cast<uint8_t*>(data.data());  // zlib only reads its input
  z.avail_in = static_cast<uInt>(data.size());
  uint64_t total = 0;
  int status = Z_OK;
  while (status == Z_OK && total <= bytes) {
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    status = inflate(&z, Z_NO_FLUSH);
    total += out.size() - z.avail_out;
  }
  inflateEnd(&z);
  return status == Z_STREAM_END && total == bytes;
}

}  // namespace

std::shared_ptr<const PictureSource> jpegSource(InputStream& in, int32_t width, int32_t height, int components,
                                                bool inverted, bool untransformed) {
  // Any viewer turns a matrix-shaper profile's colours into sRGB as lcms2 does, up to rounding;
  // for other profiles the load's conversion is kept in the pixels.
  const std::vector<uint8_t>& icc = in.metadata().icc;
  const bool converted = in.readOptions().useProfile && !icc.empty() && profileUsable(icc);
  if (converted && (components != 3 || !profileIsMatrixShaper(icc))) return nullptr;
  std::vector<uint8_t> file = readWhole(in);
  if (file.empty()) return nullptr;
  auto source = std::make_shared<PictureSource>();
  source->width = width;
  source->height = height;
  source->components = components;
  source->inverted = inverted;
  source->untransformed = untransformed;
  source->data = std::move(file);
  source->orientation = orientationToApply(in);
  if (converted) source->icc = icc;
  return source;
}

std::shared_ptr<const PictureSource> pngSource(InputStream& in, int32_t width, int32_t height) {
  // The signature, then the header chunk: size, bit depth, colour type, compression, filter,
  // interlace.
  std::array<uint8_t, 8 + 8 + 13> head;
  if (in.size() > kMaxSourceBytes || !in.seek(0) || !in.readExact(head.data(), head.size()) ||
      std::memcmp(&head[12], "IHDR", 4) != 0)
    return nullptr;
  const uint8_t* h = &head[16];
  const uint8_t type = h[9];
  if (be32(h) != static_cast<uint32_t>(width) || be32(h + 4) != static_cast<uint32_t>(height) || h[8] != 8 ||
      (type != 0 && type != 2 && type != 3) || h[10] != 0 || h[11] != 0 || h[12] != 0)
    return nullptr;
  auto source = std::make_shared<PictureSource>();
  source->kind = PictureSource::Kind::Png;
  source->width = width;
  source->height = height;
  source->components = type == 2 ? 3 : 1;
  source->indexed = type == 3;
  source->orientation = orientationToApply(in);
  // Chunks from the header's check sum on: length and type, contents, check sum.
  uint64_t at = head.size() + 4;
  std::array<uint8_t, 8> chunk;
  while (in.seek(at) && in.readExact(chunk.data(), chunk.size())) {
    const uint32_t length = be32(chunk.data());
    if (uint64_t{length} + 4 > in.remaining()) return nullptr;
    if (std::memcmp(&chunk[4], "IEND", 4) == 0) break;
    if (std::memcmp(&chunk[4], "IDAT", 4) == 0) {
      std::vector<uint8_t>& data = source->data;
      data.resize(data.size() + length + 4);
      uint8_t* body = data.data() + data.size() - length - 4;
      if (!in.readExact(body, length + size_t{4})) return nullptr;
      // The check sum covers the type and the contents.
      const uint32_t sum = crc32(crc32(0, &chunk[4], 4), body, length);
      if (sum != be32(body + length)) return nullptr;
      data.resize(data.size() - 4);
    }
    at += uint64_t{length} + 12;
  }
  if (source->data.empty()) return nullptr;
  return source;
}

bool pngDataComplete(const PictureSource& source) {
  const uint64_t rows =
      static_cast<uint64_t>(source.height) * (1 + static_cast<uint64_t>(source.width) * source.components);
  return inflatesTo(source.data, rows);
}

}  // namespace tessaro
