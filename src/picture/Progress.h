#pragma once
// Progress reports of long picture operations, in percent 0..100.
#include <cstdint>
#include <functional>

namespace tessaro {

using ProgressFn = std::function<void(int percent)>;

// Percentage after row `row` of `rows`: row * 100 div (rows - 1), never above 100, and 0 for
// a one-row picture (which has no second row to divide by).
inline int rowPercent(int64_t row, int64_t rows) {
  if (rows <= 1 || row <= 0) return 0;
  const int64_t p = row * 100 / (rows - 1);
  return p > 100 ? 100 : static_cast<int>(p);
}

// Reports a row's progress only when the percentage moved, so a caller that repaints on every
// report is not flooded.
class RowProgress {
 public:
  RowProgress(const ProgressFn& fn, int64_t rows) : fn_(fn), rows_(rows) {}
  void row(int64_t r) {
    if (!fn_) return;
    const int p = rowPercent(r, rows_);
    if (p != last_) {
      last_ = p;
      fn_(p);
    }
  }

 private:
  const ProgressFn& fn_;
  int64_t rows_;
  int last_ = -1;
};

}  // namespace tessaro
