#pragma once
// WebP through libwebp, read only.
#include "picture/Codec.h"

namespace tessaro {

class WebpCodec final : public Codec {
 public:
  std::string name() const override { return "WebP"; }
  std::vector<std::string> extensions() const override { return {"webp"}; }
  bool probe(std::span<const uint8_t> head) const override;
  // Lossy and lossless pictures at 24 bits, alpha laid onto white; an animation gives its first
  // frame on its canvas.
  TDib decode(InputStream& in, const ProgressFn& progress) const override;
  bool encode(const TDib&, OutputStream&) const override { return false; }
  bool canEncode() const override { return false; }
};

}  // namespace tessaro
