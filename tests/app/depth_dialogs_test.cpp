// The two colour depth dialogs: preselection, the enabling rules of the reduction options, and
// the choice read back from the checked states whether enabled or not.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>

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
  EXPECT_TRUE(f.choice().windowsColours);
}
