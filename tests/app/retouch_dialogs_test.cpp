// The brightness dialog's buttons and the resize dialog's aspect coupling and remembered check
// boxes, driven as a user would, without a modal loop.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <utility>
#include <vector>

#include "app/WindowFixture.h"
#include "ui/BrightnessContrastDialog.h"
#include "ui/ResizeDialog.h"

namespace tessaro {
namespace {

TEST(ResizeDialog, SizesFollowThePicturesAspect) {
  // One step: which control (B width, H height, S the aspect box clicked), the value typed (for
  // S: whether the box is ticked after the click), and the two edits after it.
  struct Step {
    char control;
    int value;
    int wantW, wantH;
  };
  struct Case {
    const char* what;
    int32_t w, h;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"width 30 of 100 x 50", 100, 50, {{'B', 30, 30, 15}}},
      {"16.5 rounds to even", 100, 50, {{'B', 33, 33, 16}}},
      {"17.5 rounds to even", 100, 50, {{'B', 35, 35, 18}}},
      {"typing the height", 100, 50, {{'H', 25, 50, 25}, {'H', 7, 14, 7}}},
      {"unticked, then ticked", 100, 50, {{'S', 0, 100, 50}, {'B', 80, 80, 50}, {'H', 10, 80, 10}, {'S', 1, 80, 40}}},
      // The height does not move for 101; the next width is still followed.
      {"unchanged partner", 100, 50, {{'B', 101, 101, 50}, {'B', 102, 102, 51}, {'B', 103, 103, 52}}},
      {"held to 1 .. 32767", 3, 1, {{'B', 1, 1, 1}, {'H', 20000, 32767, 20000}}},
  };
  test::ScratchSettings scratch;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TResizeForm form;
    form.prepare(c.w, c.h, 24);
    EXPECT_EQ(form.BreitEdit->value(), c.w);
    EXPECT_EQ(form.HochEdit->value(), c.h);
    for (const Step& s : c.steps) {
      if (s.control == 'B') form.BreitEdit->setValue(s.value);
      if (s.control == 'H') form.HochEdit->setValue(s.value);
      if (s.control == 'S') {
        form.SverhCheck->click();
        EXPECT_EQ(form.SverhCheck->isChecked(), s.value == 1);
      }
      EXPECT_EQ(std::pair(form.BreitEdit->value(), form.HochEdit->value()), std::pair(s.wantW, s.wantH))
          << s.control << " " << s.value;
    }
  }
}

TEST(ResizeDialog, CheckBoxesAreRememberedOnOkOnly) {
  // Each run: the depth, the boxes as they must come up, the boxes the user leaves, OK or not.
  struct Run {
    int bits;
    bool sverhShown, interpolShown, interpolEnabled;
    bool sverh, interpol, ok;
  };
  const Run runs[] = {
      {24, true, true, true, false, false, true},   // first run: both ticked
      {8, false, false, false, true, true, false},  // cancelled: nothing stored
      {1, false, false, false, true, true, true},
  };
  test::ScratchSettings scratch;
  for (size_t i = 0; i < std::size(runs); ++i) {
    const Run& r = runs[i];
    SCOPED_TRACE(i);
    TResizeForm form;
    form.prepare(40, 30, r.bits);
    EXPECT_EQ(form.SverhCheck->isChecked(), r.sverhShown);
    EXPECT_EQ(form.InterpolCheck->isChecked(), r.interpolShown);
    EXPECT_EQ(form.InterpolCheck->isEnabled(), r.interpolEnabled);
    form.SverhCheck->setChecked(r.sverh);
    form.InterpolCheck->setChecked(r.interpol);
    form.BreitEdit->setValue(80);
    r.ok ? form.OkBtn->click() : form.CancelBtn->click();
    EXPECT_EQ(form.result(), r.ok ? QDialog::Accepted : QDialog::Rejected);
    int32_t w = 0, h = 0;
    bool interpolate = !r.interpol;
    form.readResult(w, h, interpolate);
    EXPECT_EQ(std::pair(w, h), std::pair(80, r.sverh ? 60 : 30));
    EXPECT_EQ(interpolate, r.interpol) << "read even when disabled";
  }
  const QSettings stored(QStringLiteral("Tessaro"), QStringLiteral("Tessaro"));
  EXPECT_EQ(stored.value("SverhCheck.Checked"), QVariant(true));
  EXPECT_EQ(stored.value("InterpolCheck.Checked"), QVariant(true));
}

TEST(BrightnessDialog, ButtonsPreviewTheSlidersAsTheyStand) {
  // Actions: 'm' moves the sliders to (a, b); 'V', 'Z', 'O', 'C' click Vorschau, Zurücksetzen,
  // OK, Abbrechen.
  struct Action {
    char what;
    int a = 0, b = 0;
  };
  using Calls = std::vector<std::pair<int, int>>;
  struct Case {
    const char* what;
    std::vector<Action> actions;
    Calls calls;
    int result;  // -1: still open
  };
  const Case cases[] = {
      {"preview twice", {{'m', 20, 150}, {'V'}, {'V'}}, {{20, 150}, {20, 150}}, -1},
      {"OK takes the sliders moved after the preview",
       {{'m', 20, 150}, {'V'}, {'m', -127, 0}, {'O'}},
       {{20, 150}, {-127, 0}},
       QDialog::Accepted},
      {"reset, then OK", {{'m', 5, 60}, {'V'}, {'Z'}, {'O'}}, {{5, 60}, {0, 100}}, QDialog::Accepted},
      {"cancel", {{'m', 5, 60}, {'V'}, {'C'}}, {{5, 60}}, QDialog::Rejected},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Calls calls;
    THKForm form([&](int offset, int percent) { calls.emplace_back(offset, percent); });
    form.show();
    EXPECT_EQ(form.TrackBar1->accessibleName(), "Helligkeit");
    EXPECT_EQ(form.TrackBar2->accessibleName(), "Kontrast");
    for (const Action& a : c.actions) {
      if (a.what == 'm') form.TrackBar1->setValue(a.a), form.TrackBar2->setValue(a.b);
      if (a.what == 'V') form.VschauBitBtn4->click();
      if (a.what == 'Z') form.BacksetBitBtn3->click();
      if (a.what == 'O') form.OkBitBtn1->click();
      if (a.what == 'C') form.CancelBitBtn2->click();
    }
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(form.isVisible() ? -1 : form.result(), c.result);
    // The numbers beside the sliders show where they stand.
    EXPECT_EQ(form.TrackBar1Value->text(), QString::number(form.TrackBar1->value()));
    EXPECT_EQ(form.TrackBar2Value->text(), QString::number(form.TrackBar2->value()));
  }
}

}  // namespace
}  // namespace tessaro
