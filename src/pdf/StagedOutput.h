#pragma once
// The bytes of a document held in memory until it is clear whether they go out as they are: a
// document that places a vector page is rewritten with the page at its end, and it holds no
// images, so it stays small. The first image of any other document lets the bytes through.
#include <cstdint>
#include <vector>

#include "picture/Stream.h"

namespace tessaro {

class StagedOutput final : public OutputStream {
 public:
  explicit StagedOutput(OutputStream& target) : target_(target) {}
  bool write(const void* src, size_t n) override {
    if (passing_) return target_.write(src, n);
    const auto* p = static_cast<const uint8_t*>(src);
    held_.insert(held_.end(), p, p + n);
    return true;
  }
  // Writes what is held and lets everything after through; false when that write failed.
  bool letThrough() {
    if (passing_) return true;
    passing_ = true;
    const bool ok = held_.empty() || target_.write(held_.data(), held_.size());
    held_ = {};
    return ok;
  }
  bool passing() const { return passing_; }
  const std::vector<uint8_t>& held() const { return held_; }
  OutputStream& target() { return target_; }

 private:
  OutputStream& target_;
  std::vector<uint8_t> held_;
  bool passing_ = false;
};

}  // namespace tessaro
