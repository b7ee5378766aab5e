#pragma once
// Turns the frames a scanner sends into a picture: grey or RGB frames, or three single-colour
// frames of one picture, at 1, 8 or 16 bits per sample, lines of any padding, and frames whose
// length is only known at their end. Colour becomes 24 bits, grey 8 bits with a grey palette,
// 1-bit grey 1 bit (black and white). 16-bit samples are cut to their high byte.
//
// With a known length the lines go straight into the picture, so a scan costs the picture plus
// one line. A frame of unknown length collects its converted lines and makes the picture at the
// end.
#include <cstdint>
#include <span>
#include <vector>

#include "picture/Dib.h"
#include "scan/ScanError.h"

namespace tessaro {

enum class FrameKind { Gray, Rgb, Red, Green, Blue };

struct FrameFormat {
  FrameKind kind = FrameKind::Gray;
  int depth = 8;  // bits per sample
  int32_t pixelsPerLine = 0;
  int32_t bytesPerLine = 0;
  int32_t lines = -1;  // -1: unknown until the frame ends
  bool lastFrame = true;
};

class FrameAssembler {
 public:
  // Starts a frame. A format this class cannot take, a picture over the memory limit, or a
  // colour frame that does not match the frames before it is refused with the reason in `why`.
  bool beginFrame(const FrameFormat& format, ScanError& why);
  // Where the next bytes from the device go: the rest of the current line.
  std::span<uint8_t> space() { return std::span<uint8_t>(line_).subspan(filled_); }
  // `n` bytes arrived at space(); a completed line goes into the picture. False when a frame of
  // unknown length grows past the memory limit.
  bool commit(size_t n);
  // Progress of the whole scan in percent; 0 while the length is unknown.
  int percent() const;
  // The current frame's last line is next, its length being known.
  bool lastLineNext() const { return format_.lines > 0 && linesDone_ == format_.lines - 1 && filled_ == 0; }
  // The picture once the last frame has ended; empty, with the reason in `why`, when the device
  // sent no line at all.
  TDib finish(ScanError& why);

 private:
  int outputBits() const;
  uint8_t* outputRow(int32_t y);
  void convertLine(uint8_t* out) const;

  FrameFormat format_;
  int framesBegun_ = 0;
  std::vector<uint8_t> line_;
  size_t filled_ = 0;
  int32_t linesDone_ = 0;       // lines of the current frame
  int32_t height_ = 0;          // lines of the picture so far
  TDib picture_;                // with a known length
  std::vector<uint8_t> grown_;  // converted rows, top first, with an unknown length
  int32_t rowBytes_ = 0;
};

}  // namespace tessaro
