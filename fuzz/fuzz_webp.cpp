// Feeds arbitrary bytes to the WebP decoder, once reading the header only and once the whole
// picture, and takes each through the load's last step, so that the Exif block and colour
// profile it noted are read as a load reads them.
#include <cstddef>
#include <cstdint>

#include "picture/PhotoFinish.h"
#include "picture/Stream.h"
#include "picture/codecs/Codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (const bool headerOnly : {true, false}) {
    tessaro::MemoryInputStream in(std::span<const uint8_t>(data, size));
    tessaro::LoadNotes notes;
    if (headerOnly) {
      in.stopAtHeader();
      tessaro::webpCodec().decode(in, nullptr);
      if (in.header()) tessaro::finishHeader(*in.header(), in, &notes);
    } else {
      tessaro::finishPicture(tessaro::webpCodec().decode(in, nullptr), in, &notes);
    }
  }
  return 0;
}
