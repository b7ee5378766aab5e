#pragma once
// HEIF/HEIC and AVIF through libheif, read only. Both are the same container around different
// compressions; each has its own entry by its brand.
#include "picture/Codec.h"

namespace tessaro {

class HeifCodec final : public Codec {
 public:
  enum class Family { Heif, Avif };
  explicit HeifCodec(Family family) : family_(family) {}
  std::string name() const override { return family_ == Family::Heif ? "HEIF" : "AVIF"; }
  std::vector<std::string> extensions() const override {
    return family_ == Family::Heif ? std::vector<std::string>{"heic", "heif"} : std::vector<std::string>{"avif"};
  }
  // The ftyp box's brands: AVIF when the main brand or a compatible one says so, HEIF otherwise.
  bool probe(std::span<const uint8_t> head) const override;
  // The primary image as 24 bits, grids assembled, turned and mirrored as the container says;
  // samples above 8 bits scaled to 8, alpha laid onto white.
  TDib decode(InputStream& in, const ProgressFn& progress) const override;
  bool encode(const TDib&, OutputStream&) const override { return false; }
  bool canEncode() const override { return false; }

 private:
  Family family_;
};

}  // namespace tessaro
