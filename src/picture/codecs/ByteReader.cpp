#include "picture/codecs/ByteReader.h"

#include <algorithm>
#include <cstring>

namespace tessaro {

bool ByteReader::refill() {
  if (left_ == 0) return false;
  if (buf_.empty()) buf_.resize(static_cast<size_t>(std::min<uint64_t>(left_, 64 * 1024)));
  const size_t want = static_cast<size_t>(std::min<uint64_t>(left_, buf_.size()));
  const size_t got = in_.read(buf_.data(), want);
  if (got == 0) {
    left_ = 0;
    return false;
  }
  left_ -= got;
  filled_ += got;
  pos_ = 0;
  end_ = got;
  return true;
}

bool ByteReader::read(uint8_t* dst, size_t n) {
  while (n > 0) {
    if (pos_ == end_ && !refill()) return false;
    const size_t take = std::min(n, end_ - pos_);
    std::memcpy(dst, buf_.data() + pos_, take);
    pos_ += take;
    dst += take;
    n -= take;
  }
  return true;
}

bool ByteReader::skip(size_t n) {
  while (n > 0) {
    if (pos_ == end_ && !refill()) return false;
    const size_t take = std::min(n, end_ - pos_);
    pos_ += take;
    n -= take;
  }
  return true;
}

}  // namespace tessaro
