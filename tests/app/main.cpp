// The widget and device tests need a QApplication; they run on the offscreen platform, with
// Qt's own texts in German as in the program, and keep their settings apart from the user's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>
#include <cstdlib>

#include "app/Translations.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  // The program's settings go to a test folder, never the user's.
  QStandardPaths::setTestModeEnabled(true);
  tessaro::installQtGermanTranslations();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
