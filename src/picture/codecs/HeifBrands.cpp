#include "picture/codecs/HeifBrands.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "picture/Stream.h"

namespace tessaro {

namespace {

constexpr std::array<std::string_view, 8> kHevcBrands = {"heic", "heix", "heim", "heis",
                                                         "hevc", "hevx", "hevm", "hevs"};
constexpr std::array<std::string_view, 2> kAvifBrands = {"avif", "avis"};
// Brands that say only "HEIF image" and leave the compression to the compatible brands.
constexpr std::array<std::string_view, 4> kGenericBrands = {"mif1", "msf1", "mif2", "miaf"};

template <size_t N>
bool among(std::string_view brand, const std::array<std::string_view, N>& brands) {
  return std::find(brands.begin(), brands.end(), brand) != brands.end();
}

}  // namespace

std::optional<HeifFamily> brandFamily(std::span<const uint8_t> head) {
  if (head.size() < 16 || std::memcmp(head.data() + 4, "ftyp", 4) != 0) return std::nullopt;
  const auto brandAt = [&](size_t at) { return std::string_view(reinterpret_cast<const char*>(head.data() + at), 4); };
  const std::string_view major = brandAt(8);
  if (among(major, kAvifBrands)) return HeifFamily::Avif;
  if (among(major, kHevcBrands)) return HeifFamily::Heif;
  if (!among(major, kGenericBrands)) return std::nullopt;
  const size_t boxEnd = std::min<size_t>(be32(head.data()), head.size());
  for (size_t at = 16; at + 4 <= boxEnd; at += 4)
    if (among(brandAt(at), kAvifBrands)) return HeifFamily::Avif;
  return HeifFamily::Heif;
}

}  // namespace tessaro
