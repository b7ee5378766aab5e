#pragma once
// PNG through libpng.
#include "picture/Codec.h"

namespace tessaro {

class PngCodec final : public Codec {
 public:
  std::string name() const override { return "PNG"; }
  std::vector<std::string> extensions() const override { return {"png"}; }
  bool probe(std::span<const uint8_t> head) const override;
  // Palette and grey files keep their depth (2 bits become 4), true colour comes in as 24 bits,
  // 16-bit channels are cut to 8 and alpha is laid onto white.
  TDib decode(InputStream& in, const ProgressFn& progress) const override;
  // Palette pictures as palette PNG of the same depth and colour order, 24 bits as RGB.
  bool encode(const TDib& dib, OutputStream& out) const override;
};

}  // namespace tessaro
