#include "retouch/CropFrame.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "common/Numbers.h"
#include "picture/DrawDib.h"

namespace tessaro {

namespace {

constexpr int32_t kTolerance = 5;

// Frame coordinate of a crop value: a 32-bit product, a floating division, rounded.
int32_t toFrame(int32_t crop, int32_t drawn, int32_t picture) {
  return Round(static_cast<Ext>(static_cast<int32_t>(static_cast<uint32_t>(crop) * static_cast<uint32_t>(drawn))) /
               picture);
}

int32_t toCrop(int32_t frame, double scale, int32_t limit) {
  return std::clamp(Round(static_cast<Ext>(frame) / static_cast<Ext>(scale)), 0, limit);
}

}  // namespace

void layoutRetouchView(const MainState& s, RetouchView& v, int32_t pw, int32_t ph) {
  const int32_t W = DibWidth(s.Picture), H = DibHeight(s.Picture);
  if (W <= 0 || H <= 0 || pw <= 0 || ph <= 0) {
    v.ViewMaxX = v.ViewMaxY = -1;
    return;
  }
  // Fit, keeping the aspect, at the top left.
  int32_t w = pw;
  int32_t h = static_cast<int32_t>(static_cast<int64_t>(pw) * H / W);
  if (ph < h) {
    h = ph;
    w = static_cast<int32_t>(static_cast<int64_t>(ph) * W / H);
  }
  v.ViewScaleX = static_cast<double>(w) / W;
  v.ViewScaleY = static_cast<double>(h) / H;
  v.ViewMaxX = w - 1;
  v.ViewMaxY = h - 1;
  v.FrameLeft = toFrame(s.CropLeft, w, W);
  v.FrameRight = std::min(toFrame(s.CropRight, w, W), v.ViewMaxX);
  v.FrameTop = toFrame(s.CropTop, h, H);
  v.FrameBottom = std::min(toFrame(s.CropBottom, h, H), v.ViewMaxY);
}

void PaintBox2Paint(Device& dc, const MainState& s, RetouchView& v, int32_t pw, int32_t ph) {
  layoutRetouchView(s, v, pw, ph);
  if (v.ViewMaxX < 0 || v.ViewMaxY < 0) return;
  const TDib& pic = s.Picture;
  DrawDib(dc, 0, 0, v.ViewMaxX + 1, v.ViewMaxY + 1, pic, 0, 0, DibWidth(pic), DibHeight(pic), true, SRCCOPY);
  // Dotted black on white: the gaps show the brush colour.
  dc.setPen(kBlack, PenStyle::Dot);
  dc.setBrush(kWhite);
  dc.line(v.FrameLeft, v.FrameTop, v.FrameRight, v.FrameTop);
  dc.line(v.FrameRight, v.FrameTop, v.FrameRight, v.FrameBottom);
  dc.line(v.FrameRight, v.FrameBottom, v.FrameLeft, v.FrameBottom);
  dc.line(v.FrameLeft, v.FrameBottom, v.FrameLeft, v.FrameTop);
}

FrameCursor hoverFrame(RetouchView& v, int32_t x, int32_t y) {
  const bool withinY = v.FrameTop <= y && y <= v.FrameBottom;
  const bool withinX = v.FrameLeft <= x && x <= v.FrameRight;
  const bool left = std::abs(x - v.FrameLeft) < kTolerance && x < v.FrameRight && withinY;
  const bool right = !left && std::abs(x - v.FrameRight) < kTolerance && x > v.FrameLeft && withinY;
  const bool top = std::abs(y - v.FrameTop) < kTolerance && y < v.FrameBottom && withinX;
  const bool bottom = !top && std::abs(y - v.FrameBottom) < kTolerance && y > v.FrameTop && withinX;
  FrameCursor cursor = FrameCursor::Default;
  if ((left || right) && !(top || bottom)) cursor = FrameCursor::SizeWE;
  if ((top || bottom) && !(left || right)) cursor = FrameCursor::SizeNS;
  if ((left && top) || (right && bottom)) cursor = FrameCursor::SizeNWSE;
  if ((right && top) || (left && bottom)) cursor = FrameCursor::SizeNESW;
  v.GrabLeft = left;
  v.GrabRight = right;
  v.GrabTop = top;
  v.GrabBottom = bottom;
  v.FrameHot = left || right || top || bottom;
  return cursor;
}

bool pressFrame(MainState& s, RetouchView& v, int32_t x, int32_t y) {
  if (v.FrameHot) {
    s.Dragging = 1;
    return true;
  }
  if (x < 0 || y < 0 || x > v.ViewMaxX || y > v.ViewMaxY) return false;
  s.Dragging = 1;
  v.FrameLeft = v.FrameRight = x;
  v.FrameTop = v.FrameBottom = y;
  v.GrabLeft = v.GrabTop = false;
  v.GrabRight = v.GrabBottom = true;
  s.CropLeft = s.CropRight = toCrop(x, v.ViewScaleX, DibWidth(s.Picture));
  s.CropTop = s.CropBottom = toCrop(y, v.ViewScaleY, DibHeight(s.Picture));
  return true;
}

void dragFrame(MainState& s, RetouchView& v, int32_t x, int32_t y) {
  if (s.Dragging != 1) return;
  if (v.GrabLeft) v.FrameLeft = x;
  if (v.GrabRight) v.FrameRight = x;
  if (v.GrabTop) v.FrameTop = y;
  if (v.GrabBottom) v.FrameBottom = y;
  // Every edge stays on the drawn picture, so the crop rectangle never leaves the picture.
  const int32_t maxX = std::max(0, v.ViewMaxX - 1), maxY = std::max(0, v.ViewMaxY - 1);
  v.FrameLeft = std::clamp(v.FrameLeft, 0, maxX);
  v.FrameRight = std::clamp(v.FrameRight, 0, maxX);
  v.FrameTop = std::clamp(v.FrameTop, 0, maxY);
  v.FrameBottom = std::clamp(v.FrameBottom, 0, maxY);
  const int32_t W = DibWidth(s.Picture), H = DibHeight(s.Picture);
  s.CropLeft = toCrop(v.FrameLeft, v.ViewScaleX, W);
  s.CropRight = toCrop(v.FrameRight, v.ViewScaleX, W);
  s.CropTop = toCrop(v.FrameTop, v.ViewScaleY, H);
  s.CropBottom = toCrop(v.FrameBottom, v.ViewScaleY, H);
  if (s.CropRight < s.CropLeft) {
    std::swap(s.CropLeft, s.CropRight);
    std::swap(v.GrabLeft, v.GrabRight);
  }
  if (s.CropBottom < s.CropTop) {
    std::swap(s.CropTop, s.CropBottom);
    std::swap(v.GrabTop, v.GrabBottom);
  }
}

bool releaseFrame(MainState& s) {
  if (s.Dragging != 1) return false;
  s.Dragging = 0;
  return true;
}

}  // namespace tessaro
