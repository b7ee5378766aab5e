// The two colour depth dialogs: preselection, the enabling rules of the reduction options, and
// the choice read back from the checked states whether enabled or not.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cstring>

#include "app/WindowFixture.h"
#include "depth/ColourDepth.h"
#include "ui/DepthDialogs.h"

using namespace tessaro;

TEST(DepthDialogs, ColourCountPreselectsTheDepthAndReadsTheChoice) {
  for (const auto& [bits, item] : {std::pair{1, 0}, {4, 1}, {8, 2}, {24, 3}, {16, 0}, {32, 0}})
    EXPECT_EQ(TDepthChangeForm::itemOf(bits), item) << bits;
  TDepthChangeForm form;
  for (const auto& [item, bits] : {std::pair{0, 1}, {1, 4}, {2, 8}, {3, 24}, {-1, 24}}) {
    form.ColorBox->setCurrentIndex(item);
    EXPECT_EQ(form.chosenBits(), bits) << item;
  }
}

TEST(DepthDialogs, ReductionOptionsEnableEachOtherAsSetUp) {
  // One dialog for the whole sequence: its checked states carry over, as in the window.
  TDepthDownForm f;
  struct Step {
    const char* what;
    int setUpBits;        // 0: no set-up in this step
    QRadioButton* click;  // a palette button clicked, or null
    bool optEnabled, ditherEnabled, winEnabled;
    int method;  // 0 nearest, 1 error diffusion, 2 ordered
  } steps[] = {
      {"8 bits, as first shown", 8, nullptr, true, false, true, 1},
      {"standard palette", 0, f.StdPalCheck, true, true, false, 1},
      {"dither chosen", 0, nullptr, true, true, false, 2},
      {"then 4 bits: dither disabled but checked", 4, nullptr, true, false, false, 2},
      {"then 1 bit", 1, nullptr, false, false, false, 2},
      {"8 bits, optimised palette clicked", 8, f.OptPalCheck, true, false, true, 1},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    if (s.setUpBits) f.setUp(s.setUpBits);
    if (s.click) s.click->click();
    if (std::string(s.what) == "dither chosen") f.DitherCheck->click();
    EXPECT_EQ(f.OptPalCheck->isEnabled(), s.optEnabled);
    EXPECT_EQ(f.DitherCheck->isEnabled(), s.ditherEnabled);
    EXPECT_EQ(f.WinColCheck->isEnabled(), s.winEnabled);
    EXPECT_EQ(f.choice().method, s.method);
  }
  EXPECT_TRUE(f.choice().optimisedPalette);
  EXPECT_TRUE(f.choice().systemColours);
}

// The colour depth button: the two dialogs, the conversion as one undo step, and "Farben:"
// rewritten after every OK, also when nothing was converted.
TEST(DepthDialogs, TheDepthButtonConvertsAndRewritesTheColourCount) {
  const struct {
    const char* name;
    int from, item;        // depth before, item chosen in the colour-count dialog
    bool countOk, downOk;  // OK in the colour-count and in the options dialog
    int bits;              // depth after
    const char* tief;      // "Farben:" after ("x": not rewritten)
  } cases[] = {
      {"cancelled", 24, 2, false, false, 24, "x"},
      {"the same depth", 24, 3, true, false, 24, "16777216"},
      {"reduced with ordered dither", 24, 2, true, true, 8, "256"},
      {"reduction cancelled", 24, 2, true, false, 24, "16777216"},
      {"raised", 4, 3, true, false, 24, "16777216"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::WindowFixture w;
    TDib start = newdib(23, 17, c.from, nullptr, c.from == 4 ? 16 : 0);
    for (int32_t y = 0; y < 17; ++y)
      for (int32_t x = 0; x < 23; ++x) setpixel(start, x, y, c.from == 4 ? (x + y) % 16 : (x * 11) << 16 | y * 15);
    const TDib before = copyDib(start);
    w.form.state().Picture = std::move(start);
    w.form.depthRandom = [] { return uint8_t{7}; };
    w.find<QLineEdit>("Tief")->setText("x");
    w.form.runDialog = [&](QDialog& d) {
      if (auto* count = qobject_cast<TDepthChangeForm*>(&d)) {
        EXPECT_EQ(count->chosenBits(), c.from);  // preselected
        count->ColorBox->setCurrentIndex(c.item);
        return c.countOk ? QDialog::Accepted : QDialog::Rejected;
      }
      auto* down = qobject_cast<TDepthDownForm*>(&d);
      down->StdPalCheck->click();
      down->DitherCheck->click();
      return c.downOk ? QDialog::Accepted : QDialog::Rejected;
    };
    w.find<QPushButton>("FTiefeBtn")->click();
    const TDib& now = w.form.state().Picture;
    EXPECT_EQ(DibBitCount(now), c.bits);
    EXPECT_EQ(w.find<QLineEdit>("Tief")->text().toStdString(), c.tief);
    if (c.bits == c.from) continue;
    const TDib expected = c.bits < c.from ? DepthDownTo(before, {8, false, DepthMethod::Ordered, true})
                                          : DepthUpTo(before, 24, [] { return uint8_t{7}; });
    ASSERT_EQ(now.pixelBytes(), expected.pixelBytes());
    EXPECT_EQ(std::memcmp(now.Bits, expected.Bits, now.pixelBytes()), 0);
    w.find<QPushButton>("UndoBtn")->click();
    EXPECT_EQ(DibBitCount(w.form.state().Picture), c.from);
  }
}
