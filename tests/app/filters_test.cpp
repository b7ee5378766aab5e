// "&Go" of the tab "Retuschieren" with the questions answered: the filtered picture is kept as one
// undo step or dropped without a trace, and a palette picture is raised only when the user agrees.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPushButton>
#include <cstring>

#include "app/RetouchTab.h"
#include "app/WindowFixture.h"

using namespace tessaro;

namespace {

// A uniform picture: edge finding turns it black, whatever its colour.
TDib uniformPicture(int bits) {
  TDib p = newdib(7, 5, bits, nullptr, 0);
  if (bits == 24) {
    for (int y = 0; y < 5; ++y)
      for (int i = 0; i < 21; ++i) p.row(y)[i] = static_cast<uint8_t>(50 + 50 * (i % 3));
  } else {
    p.colors()[0] = {50, 100, 150, 0};
    syncPaletteFromColors(p, 256);
  }
  return p;
}

bool samePicture(const TDib& a, const TDib& b) {
  return DibBitCount(a) == DibBitCount(b) && a.pixelBytes() == b.pixelBytes() &&
         std::memcmp(a.Bits, b.Bits, a.pixelBytes()) == 0 &&
         (DibBitCount(a) > 8 || std::memcmp(a.colors(), b.colors(), 4 * 256) == 0);
}

TEST(FilterButton, KeepsOrDropsTheResultAsAnswered) {
  struct Case {
    const char* what;
    int bits;
    bool answer;  // to every question
    int questions;
    bool kept;
  };
  const Case cases[] = {
      {"24 bits, kept", 24, true, 1, true},
      {"24 bits, dropped", 24, false, 1, false},
      {"palette, raise declined", 8, false, 1, false},
      {"palette, raised and kept", 8, true, 2, true},
  };
  for (const Case& c : cases) {
    test::WindowFixture w;
    w.form.state().Picture = uniformPicture(c.bits);
    const TDib original = uniformPicture(c.bits);
    w.boxes.answer = c.answer;
    w.find<QComboBox>("FilterComboBox")->setCurrentText(QStringLiteral("Ecken finden"));
    w.find<QPushButton>("GoFilterBtn")->click();
    const TDib& now = w.form.state().Picture;
    EXPECT_EQ(w.boxes.shown.size(), c.questions) << c.what;
    EXPECT_EQ(w.form.history().canUndo(), c.kept) << c.what;
    if (!c.kept) {
      EXPECT_TRUE(samePicture(now, original)) << c.what;
      continue;
    }
    ASSERT_EQ(DibBitCount(now), 24) << c.what;
    for (int y = 0; y < 5; ++y)
      for (int i = 0; i < 21; ++i) EXPECT_EQ(now.row(y)[i], 0) << c.what;
    w.form.UndoClick();
    EXPECT_TRUE(samePicture(w.form.state().Picture, original)) << c.what;
  }
}

}  // namespace
