#pragma once
// Drawing a page from a file runs library code that a hostile file can keep busy for minutes or
// make allocate without end (an image that claims 200 000 x 200 000 pixels, a tiling pattern of
// dust-sized tiles). Such work runs in a forked child with a wall-clock and a memory limit; the
// program itself stays responsive and keeps its memory.
#include <cstdint>
#include <functional>

namespace tessaro {

inline constexpr int kDrawingSeconds = 8;  // a refusal comes within 10 seconds
inline constexpr uint64_t kDrawingMemory = uint64_t{256} << 20;

enum class ChildOutcome {
  Done,      // the work returned true
  Failed,    // it returned false, ran out of memory or crashed
  TimedOut,  // it was stopped after the time limit
};

// Runs `work` in a child process that sees this process's memory as it is now (copy on write):
// it hands its result back only through shared mappings (see allocateSharedDib) or files. The
// child may allocate `memory` bytes beyond what this process has mapped and runs at most
// `seconds`; it dies with this process.
ChildOutcome runInBoundedChild(const std::function<bool()>& work, int seconds = kDrawingSeconds,
                               uint64_t memory = kDrawingMemory);

}  // namespace tessaro
