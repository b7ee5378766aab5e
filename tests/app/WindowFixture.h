#pragma once
// The main window on a test printer, with scripted message boxes.
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>

#include "app/MainForm.h"
#include "app/ScriptedMessageBoxes.h"
#include "support/FakePrintService.h"

namespace tessaro::test {

// A4 at 600 dpi with a printable page of 4000 x 6000 pixels.
PageMetrics testPageMetrics();

// Forgets what an earlier window remembered (options, folder, place), so each window starts as on
// a first run.
struct FirstRun {
  FirstRun();
};

// The user's settings replaced by an empty folder while the object lives.
class ScratchSettings {
 public:
  ScratchSettings() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path()); }
  ~ScratchSettings() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
  }

 private:
  QTemporaryDir dir_;
};

struct WindowFixture {
  explicit WindowFixture(PageMetrics metrics = testPageMetrics()) : printer(metrics) {}
  FirstRun firstRun;
  ScriptedMessageBoxes boxes;
  FakePrintService printer;
  int setupRuns = 0;
  TMainForm form{printer, [this](QWidget*) { ++setupRuns; }};
  template <typename T>
  T* find(const char* name) {
    return form.findChild<T*>(name);
  }
};

}  // namespace tessaro::test
