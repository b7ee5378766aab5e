#pragma once
// Reads a stream byte by byte from its current position, at most `limit` bytes in all, through
// a buffer, so run-length data can be walked without holding the compressed block in memory.
// A short file simply makes the reads fail; nothing is read beyond the limit.
#include <cstdint>
#include <vector>

#include "picture/Stream.h"

namespace tessaro {

class ByteReader {
 public:
  ByteReader(InputStream& in, uint64_t limit) : in_(in), left_(limit) {}
  bool get(uint8_t& b) {
    if (pos_ == end_ && !refill()) return false;
    b = buf_[pos_++];
    return true;
  }
  bool read(uint8_t* dst, size_t n);
  bool skip(size_t n);
  // Bytes handed out so far.
  uint64_t consumed() const { return filled_ - (end_ - pos_); }

 private:
  bool refill();
  InputStream& in_;
  uint64_t left_;
  std::vector<uint8_t> buf_;
  size_t pos_ = 0;
  size_t end_ = 0;
  uint64_t filled_ = 0;
};

}  // namespace tessaro
