#pragma once
// HEIF/HEIC through libheif, read only. AVIF, the same container around another compression,
// has its own codec (AvifCodec.h).
#include "picture/Codec.h"

namespace tessaro {

class HeifCodec final : public Codec {
 public:
  std::string name() const override { return "HEIF"; }
  std::vector<std::string> extensions() const override { return {"heic", "heif"}; }
  // The ftyp box's brands (see HeifBrands.h).
  bool probe(std::span<const uint8_t> head) const override;
  // The primary image as 24 bits, grids assembled, turned and mirrored as the container says;
  // samples above 8 bits scaled to 8, alpha laid onto white.
  TDib decode(InputStream& in, const ProgressFn& progress) const override;
  bool encode(const TDib&, OutputStream&) const override { return false; }
  bool canEncode() const override { return false; }
};

}  // namespace tessaro
