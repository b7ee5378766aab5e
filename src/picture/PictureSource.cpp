#include "picture/PictureSource.h"

#include <zlib.h>

#include <array>
#include <cstring>

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
  std::vector<uint8_t> file = readWhole(in);
  if (file.empty()) return nullptr;
  auto source = std::make_shared<PictureSource>();
  *source = {PictureSource::Kind::Jpeg, width, height, components, false, inverted, untransformed, std::move(file)};
  return source;
}

std::shared_ptr<const PictureSource> pngSource(InputStream& in, int32_t width, int32_t height) {
  const std::vector<uint8_t> file = readWhole(in);
  // The header chunk comes first: size, bit depth, colour type, compression, filter, interlace.
  constexpr size_t kHeader = 8 + 8;
  if (file.size() < kHeader + 13 || std::memcmp(&file[12], "IHDR", 4) != 0) return nullptr;
  const uint8_t* h = &file[kHeader];
  const uint8_t type = h[9];
  if (be32(h) != static_cast<uint32_t>(width) || be32(h + 4) != static_cast<uint32_t>(height) || h[8] != 8 ||
      (type != 0 && type != 2 && type != 3) || h[10] != 0 || h[11] != 0 || h[12] != 0)
    return nullptr;
  const int components = type == 2 ? 3 : 1;
  const bool indexed = type == 3;
  std::vector<uint8_t> data = pngImageData(file);
  const uint64_t rows = static_cast<uint64_t>(height) * (1 + static_cast<uint64_t>(width) * components);
  if (data.empty() || !inflatesTo(data, rows)) return nullptr;
  auto source = std::make_shared<PictureSource>();
  *source = {PictureSource::Kind::Png, width, height, components, indexed, false, false, std::move(data)};
  return source;
}

std::vector<uint8_t> pngImageData(std::span<const uint8_t> file) {
  std::vector<uint8_t> data;
  size_t at = 8;  // past the signature
  while (at + 12 <= file.size()) {
    const uint32_t length = be32(&file[at]);
    if (length > file.size() - at - 12) return {};
    const uint8_t* type = &file[at + 4];
    const uint8_t* body = type + 4;
    // The type and contents, as the check sum covers them.
    if (crc32(0, type, length + 4) != be32(body + length)) return {};
    if (std::memcmp(type, "IDAT", 4) == 0) data.insert(data.end(), body, body + length);
    if (std::memcmp(type, "IEND", 4) == 0) break;
    at += size_t{length} + 12;
  }
  return data;
}

}  // namespace tessaro
