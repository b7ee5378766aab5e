// Feeds arbitrary bytes to the JPEG XL decoder, once for the header alone and once whole; what
// decodes goes through the load's last step, so an embedded colour profile is converted from. The
// input's length chooses the read options, so that both ways of each are taken.
#include <cstddef>
#include <cstdint>

#include "picture/PhotoFinish.h"
#include "picture/Stream.h"
#include "picture/codecs/Codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (const bool headerOnly : {true, false}) {
    tessaro::MemoryInputStream in(std::span<const uint8_t>(data, size));
    if (headerOnly) in.stopAtHeader();
    in.setReadOptions({.autoOrient = (size & 1) != 0, .useProfile = (size & 2) != 0});
    tessaro::LoadNotes notes;
    tessaro::finishPicture(tessaro::jxlCodec().decode(in, nullptr), in, &notes);
  }
  return 0;
}
