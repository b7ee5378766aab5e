#pragma once
// Undo and redo of the operations that change the picture. A step keeps what the operation
// replaced: the picture, the crop rectangle and the poster geometry with the texts of the two
// sheet edits, so that taking it back restores all of them exactly. Steps cost memory: the
// history keeps the newest steps within a budget and drops the oldest first.
#include <cstdint>
#include <deque>
#include <string>

#include "picture/Dib.h"
#include "state/MainState.h"

namespace tessaro {

struct RetouchStep {
  TDib Picture;
  int32_t CropLeft = 0, CropTop = 0, CropRight = 0, CropBottom = 0;
  PosterState poster;
  std::string breitText, hochText;
};

class UndoHistory {
 public:
  static constexpr uint64_t kDefaultBudget = uint64_t{512} << 20;
  explicit UndoHistory(uint64_t budget = kDefaultBudget) : budget_(budget) {}

  // Records the state an operation is about to replace; whatever could be redone is gone.
  void push(RetouchStep before);
  bool canUndo() const { return !undo_.empty(); }
  bool canRedo() const { return !redo_.empty(); }
  // Takes the newest step back: `state` (what is shown now) is kept for redo and becomes the
  // state to restore. False, with `state` untouched, when there is nothing to take back.
  bool undo(RetouchStep& state);
  bool redo(RetouchStep& state);
  void clear();
  size_t undoCount() const { return undo_.size(); }
  size_t redoCount() const { return redo_.size(); }
  uint64_t bytes() const;

 private:
  // Drops the oldest steps (of undo first, then redo) while over budget; the newest undo step
  // always stays, so the last operation can be taken back even on a huge picture.
  void trim();

  uint64_t budget_;
  std::deque<RetouchStep> undo_, redo_;  // newest at the back
};

// Memory a step holds: its picture's pixels and colour table.
uint64_t stepBytes(const RetouchStep& step);

}  // namespace tessaro
