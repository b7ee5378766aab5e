#pragma once
// One picture file format. Each format lives in its own file under codecs/ and is listed once
// in CodecRegistry.cpp, which also builds the two filter texts from the list.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "picture/Dib.h"
#include "picture/Limits.h"
#include "picture/Progress.h"
#include "picture/Stream.h"

namespace tessaro {

class Codec {
 public:
  virtual ~Codec() = default;
  // Short name for the filter texts, e.g. "BMP".
  virtual std::string name() const = 0;
  // Lower-case file extensions without the dot; the first is the default one.
  virtual std::vector<std::string> extensions() const = 0;
  // True when the first bytes of a file (up to 64, fewer for short files) look like this format.
  virtual bool probe(std::span<const uint8_t> head) const = 0;
  // Decodes the first picture of the stream into 1, 4, 8 or 24 bits. Any fault in the data
  // gives an empty record; a decoder that knows why records it with in.fail() (otherwise the
  // file counts as damaged where reading stopped). Progress goes through `progress` (may be
  // empty).
  virtual TDib decode(InputStream& in, const ProgressFn& progress) const = 0;
  // Writes the picture; false when the format cannot take it or writing failed.
  virtual bool encode(const TDib& dib, OutputStream& out) const = 0;
  virtual bool canEncode() const { return true; }
};

// True when a picture of that size may be allocated; otherwise records the refusal on `in`.
// Every decoder calls it with the depth it loads at, before it allocates or reads the pixels;
// so a read of the header only ends here, with the header noted, also for a picture too large.
inline bool admitSize(InputStream& in, int64_t width, int64_t height, int bitCount) {
  if (in.headerOnly() && width > 0 && height > 0 && dibRowBytes(1, bitCount) != 0) {
    in.noteHeader({width, height, bitCount});
    return false;
  }
  if (dibSizeAllowed(width, height, bitCount)) return true;
  in.fail(FileFault::TooLarge);
  return false;
}

}  // namespace tessaro
