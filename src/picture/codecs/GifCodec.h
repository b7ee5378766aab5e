#pragma once
// GIF through giflib.
#include "picture/Codec.h"

namespace tessaro {

class GifCodec final : public Codec {
 public:
  std::string name() const override { return "GIF"; }
  std::vector<std::string> extensions() const override { return {"gif"}; }
  bool probe(std::span<const uint8_t> head) const override;
  // The first picture. One block (or the first frame of a looping animation) comes in at 1, 4 or
  // 8 bits after the size of its colour map, its transparent entry an ordinary palette entry
  // with its stored colour. Blocks drawn without a delay between them are tiles of one picture:
  // see gif::composeBlocks.
  TDib decode(InputStream& in, const ProgressFn& progress) const override;
  // Palette pictures keep depth, palette and order; 24-bit pictures are reduced to 8 bits first.
  bool encode(const TDib& dib, OutputStream& out) const override;
};

}  // namespace tessaro
