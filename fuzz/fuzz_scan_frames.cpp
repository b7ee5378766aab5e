// Feeds what a scanner might send, frame descriptions and bytes in chunks of any size, to the
// frame assembler; whatever picture it makes must have the size the frames described.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "scan/FrameAssembler.h"

namespace {

struct Reader {
  const uint8_t* p;
  size_t left;
  uint32_t take(int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes && left; ++i, --left) v = v << 8 | *p++;
    return v;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in{data, size};
  tessaro::FrameAssembler frames;
  tessaro::ScanError why;
  bool last = false;
  int32_t width = 0;
  while (!last && in.left) {
    tessaro::FrameFormat f;
    const uint32_t head = in.take(1);
    f.kind = static_cast<tessaro::FrameKind>(head % 5);
    const int depths[] = {1, 8, 16, 2};
    f.depth = depths[(head >> 3) & 3];
    f.lastFrame = last = (head & 0x80) != 0;
    f.pixelsPerLine = static_cast<int32_t>(in.take(2) & 0xFFF) - 1;  // up to 4094, and nonsense
    f.bytesPerLine = static_cast<int32_t>(in.take(2));
    f.lines = static_cast<int32_t>(in.take(2) & 0x7FF) - 2;  // -2 .. 2045, with -1: unknown
    if (!frames.beginFrame(f, why)) return 0;
    width = f.pixelsPerLine;
    // Chunks of the sizes the device might hand out, until the frame's bytes run out.
    for (uint32_t chunks = in.take(1); chunks-- && in.left;) {
      const size_t want = in.take(2);
      const auto space = frames.space();
      const size_t n = std::min({want, space.size(), in.left});
      std::memcpy(space.data(), in.p, n);
      in.p += n;
      in.left -= n;
      if (frames.percent() < 0 || frames.percent() > 100) std::abort();
      if (!frames.commit(n)) return 0;
    }
  }
  const tessaro::TDib dib = frames.finish(why);
  if (!dib.empty() && tessaro::DibWidth(dib) != width) std::abort();
  return 0;
}
