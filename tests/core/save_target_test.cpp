#include <gtest/gtest.h>

#include "picture/CodecRegistry.h"
#include "retouch/SavePicture.h"

using namespace tessaro;

TEST(SaveTarget, ExtensionAddedOnlyWhenTheNameHasNone) {
  struct Row {
    const char* name;
    int index;
    const char* file;
    int format;
  } rows[] = {
      {"plakat", 3, "plakat.gif", 5},
      {"plakat.bmp", 6, "plakat.bmp", 8},  // the typed extension does not choose the format
      {"/home/a.b/plakat", 1, "/home/a.b/plakat.bmp", 3},
      {"bild", 11, "bild.tif", 13},
      {"bild", 12, "bild.png", 14},
      {"bild.", 2, "bild.", 4},
      {"/dev/null", 1, "/dev/null", 3},  // written into as it is
  };
  for (const Row& r : rows) {
    const SaveTarget t = saveTarget(r.name, r.index);
    EXPECT_EQ(t.fileName, r.file) << r.name;
    EXPECT_EQ(t.format, r.format) << r.name;
  }
}

TEST(SaveTarget, TheElevenExtensionsInDialogOrderThenPng) {
  const char* expected[] = {".bmp", ".dib", ".gif", ".iff", ".jif", ".jpg", ".lbm", ".pcx", ".rle", ".tga", ".tif", ".png"};
  for (int i = 1; i <= 12; ++i) EXPECT_EQ(SaveExtension(i), expected[i - 1]) << i;
  ASSERT_EQ(saveEntries().size(), 12u);
  for (size_t i = 0; i < saveEntries().size(); ++i) EXPECT_EQ(saveEntries()[i].format, static_cast<int>(i) + 3);
}
