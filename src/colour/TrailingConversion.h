#pragma once
// Converts picture rows to sRGB on a second thread while a decoder is still writing the rows
// after them: the conversion costs little more than the decoding alone, and each row is
// converted soon after it was written, while it is still in the cache.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

#include "colour/IccProfile.h"

namespace tessaro {

class TrailingConversion {
 public:
  // Rows of `width` three-byte pixels, row i at first + i * stride (stride may be negative).
  TrailingConversion(const SrgbConversion& conversion, uint8_t* first, ptrdiff_t stride, size_t width);
  // Waits for the rows handed over so far.
  ~TrailingConversion();
  TrailingConversion(const TrailingConversion&) = delete;
  TrailingConversion& operator=(const TrailingConversion&) = delete;
  // Rows before `rows` are written and may be converted.
  void written(size_t rows);
  // Converts every row handed over, on both threads, and returns once they are done.
  void finish();

 private:
  void convert(size_t from, size_t to) const;
  // Converts the next band of rows not yet taken; false when there is none at hand.
  bool convertBand(std::unique_lock<std::mutex>& lock);
  void run();

  const SrgbConversion& conversion_;
  uint8_t* first_;
  ptrdiff_t stride_;
  size_t width_;
  std::mutex mutex_;
  std::condition_variable wake_;
  size_t handed_ = 0;     // rows handed over, known to the decoder's thread only
  size_t published_ = 0;  // the last of them told to the worker, likewise
  size_t written_ = 0;    // rows that may be converted
  size_t taken_ = 0;      // rows converted or being converted; without a worker, converted here
  bool done_ = false;
  std::thread worker_;
};

}  // namespace tessaro
