#pragma once
// TIFF through libtiff.
#include "picture/Codec.h"

namespace tessaro {

class TiffCodec final : public Codec {
 public:
  std::string name() const override { return "TIFF"; }
  std::vector<std::string> extensions() const override { return {"tif", "tiff"}; }
  bool probe(std::span<const uint8_t> head) const override;
  // The first directory: 1, 2, 4 and 8-bit palette and grey pictures keep their depth (2 bits
  // become 4), 8-bit RGB comes in as 24 bits; other layouts go through libtiff's RGBA reader
  // with alpha laid onto white.
  TDib decode(InputStream& in, const ProgressFn& progress) const override;
  // Palette pictures with a colour map, 24 bits as RGB; LZW compressed.
  bool encode(const TDib& dib, OutputStream& out) const override;
};

}  // namespace tessaro
