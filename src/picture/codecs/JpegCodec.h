#pragma once
// JPEG (and JIF, the same format under another extension) through libjpeg-turbo.
#include "picture/Codec.h"

namespace tessaro {

class JpegCodec final : public Codec {
 public:
  std::string name() const override { return "JPEG"; }
  std::vector<std::string> extensions() const override { return {"jpg", "jpeg", "jif", "jfif", "jpe"}; }
  bool probe(std::span<const uint8_t> head) const override;
  // Grey files come in as 8 bits with a grey palette, CMYK and YCCK are turned into RGB, the
  // rest comes in as 24 bits.
  TDib decode(InputStream& in, const ProgressFn& progress) const override;
  // Always 24-bit RGB at quality 90; palette pictures are expanded.
  bool encode(const TDib& dib, OutputStream& out) const override;
};

}  // namespace tessaro
