#include "retouch/UndoHistory.h"

#include <utility>

namespace tessaro {

uint64_t stepBytes(const RetouchStep& step) {
  return step.Picture.empty() ? 0 : step.Picture.pixelBytes() + sizeof(BitmapInfo) + sizeof(LogPaletteData);
}

uint64_t UndoHistory::bytes() const {
  uint64_t total = 0;
  for (const auto* list : {&undo_, &redo_})
    for (const RetouchStep& s : *list) total += stepBytes(s);
  return total;
}

void UndoHistory::push(RetouchStep before) {
  redo_.clear();
  undo_.push_back(std::move(before));
  trim();
}

namespace {
// Moves `state` onto `to` and the newest of `from` into `state`.
bool exchange(std::deque<RetouchStep>& from, std::deque<RetouchStep>& to, RetouchStep& state) {
  if (from.empty()) return false;
  to.push_back(std::move(state));
  state = std::move(from.back());
  from.pop_back();
  return true;
}
}  // namespace

bool UndoHistory::undo(RetouchStep& state) {
  const bool done = exchange(undo_, redo_, state);
  trim();
  return done;
}

bool UndoHistory::redo(RetouchStep& state) {
  const bool done = exchange(redo_, undo_, state);
  trim();
  return done;
}

void UndoHistory::clear() {
  undo_.clear();
  redo_.clear();
}

void UndoHistory::trim() {
  while (bytes() > budget_) {
    if (undo_.size() > 1) {
      undo_.pop_front();
    } else if (!redo_.empty()) {
      redo_.pop_front();
    } else {
      break;
    }
  }
}

}  // namespace tessaro
