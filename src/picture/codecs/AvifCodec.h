#pragma once
// AVIF through libavif, read only.
#include "picture/Codec.h"

namespace tessaro {

class AvifCodec final : public Codec {
 public:
  std::string name() const override { return "AVIF"; }
  std::vector<std::string> extensions() const override { return {"avif"}; }
  // The ftyp box's brands (see HeifBrands.h).
  bool probe(std::span<const uint8_t> head) const override;
  // The primary image (or a sequence's first frame) as 24 bits, turned and mirrored as the
  // container says; samples above 8 bits rounded to 8, alpha laid onto white.
  TDib decode(InputStream& in, const ProgressFn& progress) const override;
  bool encode(const TDib&, OutputStream&) const override { return false; }
  bool canEncode() const override { return false; }
};

}  // namespace tessaro
