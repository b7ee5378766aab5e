// The crop frame's hover, press and drag rules, and the undo history's budget, without widgets.
#include <gtest/gtest.h>

#include "retouch/CropFrame.h"
#include "retouch/UndoHistory.h"

using namespace tessaro;

namespace {

// A 200 x 100 picture in a 400 x 300 box: drawn 400 x 200, two box pixels per picture pixel.
struct Frame {
  MainState s;
  RetouchView v;
  Frame() {
    s.Picture = newdib(200, 100, 8, nullptr, 0);
    s.CropRight = 200;
    s.CropBottom = 100;
    layoutRetouchView(s, v, 400, 300);
  }
};

}  // namespace

TEST(CropFrame, FitsThePictureAndPlacesTheFrame) {
  Frame f;
  EXPECT_EQ(f.v.ViewMaxX, 399);
  EXPECT_EQ(f.v.ViewMaxY, 199);
  EXPECT_DOUBLE_EQ(f.v.ViewScaleX, 2.0);
  // The whole picture: its right and bottom edges lowered onto the last drawn column and row.
  EXPECT_EQ(f.v.FrameLeft, 0);
  EXPECT_EQ(f.v.FrameRight, 399);
  EXPECT_EQ(f.v.FrameBottom, 199);
  f.s.CropLeft = 25;  // 25 * 400 / 200 = 50; halves of odd products go to even
  f.s.CropTop = 10;
  f.s.CropRight = 75;
  f.s.CropBottom = 60;
  layoutRetouchView(f.s, f.v, 400, 300);
  EXPECT_EQ(f.v.FrameLeft, 50);
  EXPECT_EQ(f.v.FrameTop, 20);
  EXPECT_EQ(f.v.FrameRight, 150);
  EXPECT_EQ(f.v.FrameBottom, 120);
}

TEST(CropFrame, HoverMarksEdgesAndChoosesTheCursor) {
  // Frame (50, 20) - (150, 120); tolerance 5 pixels, strict.
  struct Case {
    int x, y;
    FrameCursor cursor;
    bool left, right, top, bottom;
  } cases[] = {
      {52, 22, FrameCursor::SizeNWSE, true, false, true, false},
      {48, 22, FrameCursor::SizeWE, true, false, false, false},  // top counts only within the frame
      {148, 22, FrameCursor::SizeNESW, false, true, true, false},
      {148, 118, FrameCursor::SizeNWSE, false, true, false, true},
      {100, 124, FrameCursor::SizeNS, false, false, false, true},
      {55, 60, FrameCursor::Default, false, false, false, false},  // 5 away is not near
      {100, 60, FrameCursor::Default, false, false, false, false},
  };
  for (const Case& c : cases) {
    Frame f;
    f.s.CropLeft = 25, f.s.CropTop = 10, f.s.CropRight = 75, f.s.CropBottom = 60;
    layoutRetouchView(f.s, f.v, 400, 300);
    EXPECT_EQ(hoverFrame(f.v, c.x, c.y), c.cursor) << c.x << "," << c.y;
    EXPECT_EQ(f.v.GrabLeft, c.left) << c.x << "," << c.y;
    EXPECT_EQ(f.v.GrabRight, c.right) << c.x << "," << c.y;
    EXPECT_EQ(f.v.GrabTop, c.top) << c.x << "," << c.y;
    EXPECT_EQ(f.v.GrabBottom, c.bottom) << c.x << "," << c.y;
    EXPECT_EQ(f.v.FrameHot, c.left || c.right || c.top || c.bottom);
  }
}

TEST(CropFrame, DragsDrawMoveAndCrossEdges) {
  struct Move {
    int x, y;
    int left, top, right, bottom;  // crop rectangle after the move
  };
  struct Case {
    const char* name;
    int hoverX, hoverY;  // hover before the press (-1: none)
    int pressX, pressY;
    std::vector<Move> moves;
  } cases[] = {
      // A new frame from right to left: past the start point the start becomes the right edge.
      {"drawn leftwards", -1, -1, 200, 100, {{180, 120, 90, 50, 100, 60}, {100, 150, 50, 50, 100, 75}}},
      // The left edge dragged across the right one carries on as the right edge.
      {"left across right", 52, 60, 52, 60, {{300, 60, 75, 10, 150, 60}, {320, 60, 75, 10, 160, 60}}},
      // Edges stop on the drawn picture: right at ViewMaxX - 1, left at 0, never outside.
      {"beyond the picture", 148, 60, 148, 60, {{900, 60, 25, 10, 199, 60}, {-50, 60, 0, 10, 25, 60}}},
      {"a click without a move", -1, -1, 120, 40, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Frame f;
    f.s.CropLeft = 25, f.s.CropTop = 10, f.s.CropRight = 75, f.s.CropBottom = 60;
    layoutRetouchView(f.s, f.v, 400, 300);
    if (c.hoverX >= 0) hoverFrame(f.v, c.hoverX, c.hoverY);
    ASSERT_TRUE(pressFrame(f.s, f.v, c.pressX, c.pressY));
    for (const Move& m : c.moves) {
      dragFrame(f.s, f.v, m.x, m.y);
      layoutRetouchView(f.s, f.v, 400, 300);  // the repaint after each move
      EXPECT_EQ(f.s.CropLeft, m.left) << m.x;
      EXPECT_EQ(f.s.CropTop, m.top) << m.x;
      EXPECT_EQ(f.s.CropRight, m.right) << m.x;
      EXPECT_EQ(f.s.CropBottom, m.bottom) << m.x;
      EXPECT_LE(f.s.CropLeft, f.s.CropRight);
      EXPECT_LE(f.s.CropTop, f.s.CropBottom);
    }
    if (c.moves.empty()) {
      EXPECT_EQ(f.s.CropLeft, f.s.CropRight);
      EXPECT_EQ(f.s.CropTop, f.s.CropBottom);
    }
    EXPECT_TRUE(releaseFrame(f.s));
    EXPECT_EQ(f.s.Dragging, 0);
  }
  // A press beside the drawn picture, away from the frame, does nothing.
  Frame f;
  EXPECT_FALSE(pressFrame(f.s, f.v, 200, 250));
  EXPECT_EQ(f.s.Dragging, 0);
}

TEST(UndoHistory, KeepsTheNewestStepsWithinTheBudget) {
  // Steps of 1 MiB pictures in a budget of 3.5 MiB: three fit.
  UndoHistory h((uint64_t{7} << 20) / 2);
  auto step = [](int32_t tag) {
    RetouchStep s;
    s.Picture = newdib(1024, 1024, 8, nullptr, 0);
    s.CropLeft = tag;
    return s;
  };
  for (int i = 1; i <= 5; ++i) h.push(step(i));
  EXPECT_EQ(h.undoCount(), 3u);
  RetouchStep now = step(6);
  ASSERT_TRUE(h.undo(now));
  EXPECT_EQ(now.CropLeft, 5);  // the newest step comes back first
  ASSERT_TRUE(h.undo(now));
  EXPECT_EQ(now.CropLeft, 4);
  ASSERT_TRUE(h.redo(now));
  EXPECT_EQ(now.CropLeft, 5);
  h.push(step(7));  // a new operation: nothing left to redo
  EXPECT_FALSE(h.canRedo());
  EXPECT_FALSE(h.redo(now));
  EXPECT_EQ(now.CropLeft, 5);  // untouched when there is nothing to redo
  // A step larger than the whole budget is still kept as the only one.
  UndoHistory small(1024);
  small.push(step(1));
  small.push(step(2));
  EXPECT_EQ(small.undoCount(), 1u);
}
