#pragma once
// JPEG XL, bare codestream or container, through libjxl; read only.
#include "picture/Codec.h"

namespace tessaro {

class JxlCodec final : public Codec {
 public:
  std::string name() const override { return "JPEG XL"; }
  std::vector<std::string> extensions() const override { return {"jxl"}; }
  bool probe(std::span<const uint8_t> head) const override;
  // Grey files come in as 8 bits with a grey palette, colour as 24 bits, both in sRGB whatever the
  // samples' depth; alpha is laid onto white and the codestream's orientation is applied.
  TDib decode(InputStream& in, const ProgressFn& progress) const override;
  bool encode(const TDib&, OutputStream&) const override { return false; }
  bool canEncode() const override { return false; }
};

}  // namespace tessaro
