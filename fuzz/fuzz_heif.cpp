// Feeds arbitrary bytes to the HEIF decoder and finishes what decodes as every load does, so
// the colour profile from the colr box goes through its conversion too.
#include <cstddef>
#include <cstdint>

#include "picture/PhotoFinish.h"
#include "picture/Stream.h"
#include "picture/codecs/Codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessaro::MemoryInputStream in(std::span<const uint8_t>(data, size));
  tessaro::LoadNotes notes;
  tessaro::finishPicture(tessaro::heifCodec().decode(in, nullptr), in, &notes);
  return 0;
}
