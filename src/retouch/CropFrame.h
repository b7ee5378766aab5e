#pragma once
// The retouch view and its crop frame: the picture fitted into the paint box with a dotted frame
// over it, and the frame's mouse handling as a plain state machine. Idle, moves only mark the
// edges under the pointer and choose the cursor; a press on a marked edge, or inside the drawn
// picture, starts a drag that moves the grabbed edges until the release.
#include <cstdint>

#include "picture/Device.h"
#include "state/MainState.h"

namespace tessaro {

enum class FrameCursor { Default, SizeWE, SizeNS, SizeNWSE, SizeNESW };

struct RetouchView {
  int32_t FrameLeft = 0, FrameTop = 0, FrameRight = 0, FrameBottom = 0;  // paint-box pixels
  double ViewScaleX = 1, ViewScaleY = 1;                                 // paint-box pixels per picture pixel
  int32_t ViewMaxX = -1, ViewMaxY = -1;                                  // last column and row covered by the picture
  bool FrameHot = false;
  bool GrabLeft = false, GrabRight = false, GrabTop = false, GrabBottom = false;
};

// Paints the picture fitted into pw x ph at the top left and the frame of the crop rectangle
// over it, and recomputes the view values.
void PaintBox2Paint(Device& dc, const MainState& s, RetouchView& v, int32_t pw, int32_t ph);
// The view values alone, as a paint would set them.
void layoutRetouchView(const MainState& s, RetouchView& v, int32_t pw, int32_t ph);

// A move while no drag runs: marks the edges within 5 pixels and returns the cursor to show.
FrameCursor hoverFrame(RetouchView& v, int32_t x, int32_t y);
// A press: true when a drag starts (the caller captures the mouse and repaints).
bool pressFrame(MainState& s, RetouchView& v, int32_t x, int32_t y);
// A move during a drag: the grabbed edges follow and the crop rectangle with them; an edge
// dragged across its opposite carries on as that edge. The caller repaints.
void dragFrame(MainState& s, RetouchView& v, int32_t x, int32_t y);
// The release: true when a drag ended.
bool releaseFrame(MainState& s);

}  // namespace tessaro
