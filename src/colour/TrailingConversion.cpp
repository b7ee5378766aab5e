#include "colour/TrailingConversion.h"

#include <algorithm>

namespace tessaro {

namespace {

// Rows handed to the worker at a time, and taken by a thread at a time: few wake-ups, still well
// inside the cache.
constexpr size_t kBandRows = 32;

}  // namespace

TrailingConversion::TrailingConversion(const SrgbConversion& conversion, uint8_t* first, ptrdiff_t stride,
                                       size_t width)
    : conversion_(conversion), first_(first), stride_(stride), width_(width) {
  if (std::thread::hardware_concurrency() > 1) worker_ = std::thread(&TrailingConversion::run, this);
}

TrailingConversion::~TrailingConversion() { finish(); }

void TrailingConversion::convert(size_t from, size_t to) const {
  for (size_t row = from; row < to; ++row)
    conversion_.convert(first_ + static_cast<ptrdiff_t>(row) * stride_, first_ + static_cast<ptrdiff_t>(row) * stride_,
                        width_);
}

void TrailingConversion::written(size_t rows) {
  if (!worker_.joinable()) {
    convert(taken_, rows);
    taken_ = rows;
    return;
  }
  handed_ = std::max(handed_, rows);
  if (handed_ < published_ + kBandRows) return;
  published_ = handed_;
  {
    const std::lock_guard lock(mutex_);
    written_ = handed_;
  }
  wake_.notify_one();
}

void TrailingConversion::finish() {
  if (!worker_.joinable()) return;
  std::unique_lock lock(mutex_);
  written_ = handed_;
  done_ = true;
  wake_.notify_one();
  // The rows the worker has not reached yet are shared out between it and this thread.
  while (convertBand(lock)) {
  }
  lock.unlock();
  worker_.join();
}

bool TrailingConversion::convertBand(std::unique_lock<std::mutex>& lock) {
  if (taken_ >= written_) return false;
  const size_t from = taken_, to = std::min(written_, taken_ + kBandRows);
  taken_ = to;
  lock.unlock();
  convert(from, to);
  lock.lock();
  return true;
}

void TrailingConversion::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return done_ || written_ > taken_; });
    if (!convertBand(lock) && done_) return;
  }
}

}  // namespace tessaro
