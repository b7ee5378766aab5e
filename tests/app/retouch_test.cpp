// The tab "Retuschieren" driven with the mouse and its buttons: a frame drawn on the view, the
// crop, a quarter turn, and undo and redo of both, with the load tab's info and the poster
// following every step.
#include <gtest/gtest.h>

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

#include "app/LoadTab.h"
#include "app/PosterSizeTab.h"
#include "app/RetouchTab.h"
#include "app/WindowFixture.h"
#include "picture/CodecRegistry.h"
#include "retouch/Resize.h"
#include "retouch/Tones.h"
#include "support/PosterPictures.h"
#include "ui/BrightnessContrastDialog.h"
#include "ui/FloatEdit.h"
#include "ui/ResizeDialog.h"

using namespace tessaro;

namespace {

// What the window shows of the picture and the poster after a step.
struct Shown {
  std::string info;  // Breit x Hoch
  int32_t cropLeft, cropTop, cropRight, cropBottom;
  Color topLeft;  // the picture's top-left pixel
  std::string breit, hoch;
  int32_t sheetsX, sheetsY;
  bool operator==(const Shown&) const = default;
};

Shown shown(test::WindowFixture& w) {
  const MainState& s = w.form.state();
  const uint32_t v = static_cast<uint32_t>(getpixel(s.Picture, 0, 0));
  return {w.find<QLineEdit>("Breit")->text().toStdString() + "x" + w.find<QLineEdit>("Hoch")->text().toStdString(),
          s.CropLeft,
          s.CropTop,
          s.CropRight,
          s.CropBottom,
          rgbColor(v >> 16, v >> 8, v),
          w.find<FloatEdit>("BreitEd")->text().toStdString(),
          w.find<FloatEdit>("HochEd")->text().toStdString(),
          s.poster.SheetsX,
          s.poster.SheetsY};
}

// Loads a 60 x 40 picture of coloured blocks through the load tab, as a user would.
void loadBlocks(test::WindowFixture& w, const QTemporaryDir& dir) {
  const QString file = dir.filePath("bild.bmp");
  if (!QFile::exists(file)) ASSERT_TRUE(SaveDib(test::blockPicture(60, 40, 6, 4), file.toStdString(), kFormatBmp, {}));
  LoadTab* tab = w.form.loadTab();
  ASSERT_TRUE(tab->showDirectory(dir.path()));
  tab->FileListBox1->setCurrentItem(tab->FileListBox1->findItems("bild.bmp", Qt::MatchExactly).value(0));
  w.form.FileListBox1DblClick();
}

}  // namespace

TEST(RetouchTab, AFrameDrawnCropsTurnsAndEverythingUndoes) {
  QTemporaryDir dir;
  test::WindowFixture w;
  loadBlocks(w, dir);
  RetouchTab* r = w.form.retouchTab();
  PaintBox* box = r->PaintBox2();
  box->resize(300, 250);  // the 60 x 40 picture is drawn 300 x 200: five box pixels a pixel
  EXPECT_FALSE(r->UndoBtn->isEnabled());

  const Shown loaded = shown(w);
  EXPECT_EQ(loaded.info, "60x40");
  // Draw a frame from (50, 50) to (150, 100): picture pixels (10, 10) to (30, 20).
  QTest::mousePress(box, Qt::LeftButton, {}, QPoint(50, 50));
  QTest::mouseMove(box, QPoint(100, 80));
  QTest::mouseMove(box, QPoint(150, 100));
  QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(150, 100));
  const Shown framed = shown(w);
  EXPECT_EQ(std::tie(framed.cropLeft, framed.cropTop, framed.cropRight, framed.cropBottom),
            std::make_tuple(10, 10, 30, 20));

  r->SchnittBtn->click();
  const Shown cropped = shown(w);
  EXPECT_EQ(cropped.info, "20x10");
  EXPECT_EQ(std::tie(cropped.cropLeft, cropped.cropTop, cropped.cropRight, cropped.cropBottom),
            std::make_tuple(0, 0, 20, 10));
  EXPECT_EQ(cropped.topLeft, test::blockColor(1, 1));  // pixel (10, 10) lies in block (1, 1)

  r->RotLeftBtn->click();
  const Shown turned = shown(w);
  EXPECT_EQ(turned.info, "10x20");
  EXPECT_EQ(std::tie(turned.cropRight, turned.cropBottom), std::make_tuple(10, 20));
  // Turned left, the old top-right pixel (29, 10) is the new top-left one: block (2, 1).
  EXPECT_EQ(turned.topLeft, test::blockColor(2, 1));
  EXPECT_NE(turned.sheetsX * 100 + turned.sheetsY, 0);

  // Undo twice, redo once, by button and by key.
  w.form.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w.form));
  const struct {
    const char* how;
    Shown expected;
    bool undo, redo;
  } steps[] = {
      {"undo button", cropped, true, true},
      {"Ctrl+Z", framed, false, true},
      {"redo button", cropped, true, true},
      {"Ctrl+Y", turned, true, false},
      {"Ctrl+Shift+Z with nothing to redo", turned, true, false},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.how);
    const std::string how = s.how;
    if (how == "undo button") r->UndoBtn->click();
    if (how == "redo button") r->RedoBtn->click();
    if (how == "Ctrl+Z") QTest::keyClick(&w.form, Qt::Key_Z, Qt::ControlModifier);
    if (how == "Ctrl+Y") QTest::keyClick(&w.form, Qt::Key_Y, Qt::ControlModifier);
    if (how.starts_with("Ctrl+Shift+Z")) QTest::keyClick(&w.form, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(shown(w) == s.expected);
    EXPECT_EQ(r->UndoBtn->isEnabled(), s.undo);
    EXPECT_EQ(r->RedoBtn->isEnabled(), s.redo);
  }
}

// The two dialogs' flows: brightness and contrast previewed, kept or thrown away; a new size
// through the size dialog. Kept results are one undo step each.
TEST(RetouchTab, TonesAndSizeGoThroughTheirDialogsAndUndo) {
  const struct {
    const char* name;
    bool tones;  // else the size dialog
    bool accept;
    int a, b;  // sliders, or the new width typed (height follows the aspect)
    std::string info;
    bool changed;
  } cases[] = {
      {"tones kept", true, true, 10, 50, "60x40", true},
      {"tones cancelled after a preview", true, false, -100, 150, "60x40", false},
      {"size kept", false, true, 120, 0, "120x80", true},
      {"size cancelled", false, false, 30, 0, "60x40", false},
  };
  QTemporaryDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::WindowFixture w;
    loadBlocks(w, dir);
    const TDib before = copyDib(w.form.state().Picture);
    w.form.runDialog = [&](QDialog& d) {
      if (auto* hk = qobject_cast<THKForm*>(&d)) {
        hk->TrackBar1->setValue(c.a);
        hk->TrackBar2->setValue(c.b);
        hk->VschauBitBtn4->click();
        if (c.accept) hk->OkBitBtn1->click();
      } else if (auto* rs = qobject_cast<TResizeForm*>(&d)) {
        rs->BreitEdit->setValue(c.a);
        if (c.accept) rs->OkBtn->click();
      }
      return c.accept ? QDialog::Accepted : QDialog::Rejected;
    };
    (c.tones ? w.form.retouchTab()->HellpBtn : w.form.loadTab()->SizeBtn)->click();
    const TDib& now = w.form.state().Picture;
    EXPECT_EQ(shown(w).info, c.info);
    TDib expected = copyDib(before);
    if (c.changed && c.tones) applyTones(expected, c.a, c.b);
    if (c.changed && !c.tones) expected = resizeDib(before, 120, 80, true, {});
    ASSERT_EQ(now.pixelBytes(), expected.pixelBytes());
    EXPECT_EQ(std::memcmp(now.Bits, expected.Bits, now.pixelBytes()), 0);
    EXPECT_EQ(w.form.retouchTab()->UndoBtn->isEnabled(), c.changed);
    if (c.changed) {
      w.form.retouchTab()->UndoBtn->click();
      EXPECT_EQ(shown(w).info, "60x40");
      ASSERT_EQ(w.form.state().Picture.pixelBytes(), before.pixelBytes());
      EXPECT_EQ(std::memcmp(w.form.state().Picture.Bits, before.Bits, before.pixelBytes()), 0);
    }
  }
}
