#include "scan/FrameAssembler.h"

#include <cstring>

#include "picture/Limits.h"
#include "picture/codecs/PaletteSupport.h"

namespace tessaro {

namespace {
bool singleColour(FrameKind k) { return k == FrameKind::Red || k == FrameKind::Green || k == FrameKind::Blue; }

// Sample `i` of a line as 8 bits. A set bit of a colour sample is full intensity.
inline uint8_t sample(const uint8_t* line, size_t i, int depth) {
  if (depth == 8) return line[i];
  if (depth == 16) {
    uint16_t v;  // the device's samples are in this machine's byte order
    std::memcpy(&v, line + 2 * i, 2);
    return static_cast<uint8_t>(v >> 8);
  }
  return (line[i >> 3] >> (7 - (i & 7))) & 1 ? 255 : 0;
}

bool refuse(ScanError& why, ScanFault fault, const char* detail) {
  why = ScanError{fault, detail};
  return false;
}
}  // namespace

int FrameAssembler::outputBits() const {
  if (format_.kind != FrameKind::Gray) return 24;
  return format_.depth == 1 ? 1 : 8;
}

bool FrameAssembler::beginFrame(const FrameFormat& f, ScanError& why) {
  if (f.depth != 1 && f.depth != 8 && f.depth != 16) return refuse(why, ScanFault::Unsupported, "depth");
  const int channels = f.kind == FrameKind::Rgb ? 3 : 1;
  if (f.pixelsPerLine <= 0 || f.pixelsPerLine > kMaxDimension) return refuse(why, ScanFault::TooLarge, "width");
  const int64_t needed = (int64_t{f.pixelsPerLine} * channels * f.depth + 7) / 8;
  // Padding beyond that is skipped, but a line that could not be a line of this width is refused.
  if (f.bytesPerLine < needed || f.bytesPerLine > 2 * needed + 65536)
    return refuse(why, ScanFault::Unsupported, "bytes per line");
  if (f.lines < -1) return refuse(why, ScanFault::Unsupported, "lines");
  if (framesBegun_ > 0) {
    // Only the single-colour frames of one picture follow each other, all of the same size.
    if (!singleColour(f.kind) || !singleColour(format_.kind) || f.pixelsPerLine != format_.pixelsPerLine ||
        (f.lines > 0 && format_.lines > 0 && f.lines != format_.lines))
      return refuse(why, ScanFault::Unsupported, "frames");
  }
  const bool first = framesBegun_ == 0;
  format_ = f;
  ++framesBegun_;
  line_.assign(static_cast<size_t>(f.bytesPerLine), 0);
  filled_ = 0;
  linesDone_ = 0;
  if (!first) return true;
  rowBytes_ = static_cast<int32_t>(dibRowBytes(f.pixelsPerLine, outputBits()));
  if (f.lines > 0) {
    if (!dibSizeAllowed(f.pixelsPerLine, f.lines, outputBits())) return refuse(why, ScanFault::TooLarge, "");
    picture_ = outputBits() == 24 ? newdib(f.pixelsPerLine, f.lines, 24, nullptr, 0)
                                  : codec::makeGreyDib(f.pixelsPerLine, f.lines, outputBits());
    if (picture_.empty()) return refuse(why, ScanFault::NoMemory, "");
    height_ = f.lines;
  }
  return true;
}

uint8_t* FrameAssembler::outputRow(int32_t y) {
  if (!picture_.empty()) return y < height_ ? picture_.row(y) : nullptr;
  if (y >= height_) {
    if (static_cast<uint64_t>(y + 1) * static_cast<uint64_t>(rowBytes_) > kMaxPixelBytes || y + 1 > kMaxDimension)
      return nullptr;
    grown_.resize(static_cast<size_t>(y + 1) * static_cast<size_t>(rowBytes_), 0);
    height_ = y + 1;
  }
  return grown_.data() + static_cast<size_t>(y) * static_cast<size_t>(rowBytes_);
}

bool FrameAssembler::commit(size_t n) {
  filled_ += n;
  if (filled_ < line_.size()) return true;
  filled_ = 0;
  const int32_t y = linesDone_++;
  uint8_t* out = outputRow(y);
  if (!out) return !picture_.empty();  // lines past a known length are dropped
  convertLine(out);
  return true;
}

void FrameAssembler::convertLine(uint8_t* out) const {
  const uint8_t* in = line_.data();
  const size_t w = static_cast<size_t>(format_.pixelsPerLine);
  const int depth = format_.depth;
  switch (format_.kind) {
    case FrameKind::Gray:
      if (depth == 1) {
        // The device's 1 is black, the picture's palette has black first.
        const size_t bytes = (w + 7) / 8;
        for (size_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(~in[i]);
        if (w % 8) out[bytes - 1] &= static_cast<uint8_t>(0xff00 >> (w % 8));
      } else if (depth == 8) {
        std::memcpy(out, in, w);
      } else {
        for (size_t x = 0; x < w; ++x) out[x] = sample(in, x, 16);
      }
      return;
    case FrameKind::Rgb:
      for (size_t x = 0; x < w; ++x) {
        out[3 * x + 2] = sample(in, 3 * x, depth);
        out[3 * x + 1] = sample(in, 3 * x + 1, depth);
        out[3 * x] = sample(in, 3 * x + 2, depth);
      }
      return;
    default: {
      const size_t at = format_.kind == FrameKind::Red ? 2 : format_.kind == FrameKind::Green ? 1 : 0;
      for (size_t x = 0; x < w; ++x) out[3 * x + at] = sample(in, x, depth);
    }
  }
}

int FrameAssembler::percent() const {
  if (format_.lines <= 0 || framesBegun_ == 0) return 0;
  const int64_t frames = singleColour(format_.kind) ? 3 : 1;
  const int64_t done = int64_t{framesBegun_ - 1} * format_.lines + linesDone_;
  const int64_t p = done * 100 / (frames * format_.lines);
  return p > 100 ? 100 : static_cast<int>(p);
}

TDib FrameAssembler::finish(ScanError& why) {
  if (height_ == 0 || (picture_.empty() && grown_.empty())) {
    why = ScanError{ScanFault::NoData, ""};
    return TDib();
  }
  TDib result;
  if (!picture_.empty()) {
    result = std::move(picture_);
  } else {
    const int bits = outputBits();
    result = bits == 24 ? newdib(format_.pixelsPerLine, height_, 24, nullptr, 0)
                        : codec::makeGreyDib(format_.pixelsPerLine, height_, bits);
    if (result.empty()) {
      why = ScanError{ScanFault::NoMemory, ""};
      return TDib();
    }
    for (int32_t y = 0; y < height_; ++y)
      std::memcpy(result.row(y), grown_.data() + static_cast<size_t>(y) * static_cast<size_t>(rowBytes_),
                  static_cast<size_t>(rowBytes_));
    grown_ = {};
  }
  touchDib(result);
  return result;
}

}  // namespace tessaro
