#pragma once
// What the program remembers between runs, in the program's QSettings: the window's place and
// size, the load tab's folder, the options on "Einstellungen", the kind of print with its dot
// screen and the passport photo size.
#include <QByteArray>
#include <QSettings>
#include <vector>

#include "print/CalibrationStore.h"
#include "print/DotScreen.h"

class QCheckBox;
class QSpinBox;
class QWidget;

namespace tessaro {

// The settings store of the program; the organisation is named, as QSettings needs one.
QSettings programSettings();
// The printers' calibrations, in the file of programSettings.
CalibrationStore calibrationStore();

// The check boxes and spin edits of a tab, with the values they had when this was made: the start
// values that "Standardwerte" brings back.
class RememberedOptions {
 public:
  explicit RememberedOptions(QWidget& tab);
  // The stored values into the controls, their handlers not called; start values where none is stored.
  void restore();
  void store() const;
  // The start values into the controls, their handlers not called.
  void resetToStart();
  const std::vector<QCheckBox*>& boxes() const { return boxes_; }
  const std::vector<QSpinBox*>& spins() const { return spins_; }

 private:
  std::vector<QCheckBox*> boxes_;
  std::vector<bool> startChecked_;
  std::vector<QSpinBox*> spins_;
  std::vector<int> startValues_;
};

QByteArray rememberedFolder();
void rememberFolder(const QByteArray& folder);
// The photo size chosen on "Paßbilder", by its key; empty for none.
QString rememberedPhotoSize();
void rememberPhotoSize(const QString& size);
// "Druckart" (0 "Bild", 1 "Punkteraster") and the dot screen's settings; the start values where
// none or a value out of range is stored.
int rememberedPrintKind();
void rememberPrintKind(int kind);
DotSettings rememberedDots();
void rememberDots(const DotSettings& dots);
QByteArray rememberedGeometry();
void rememberGeometry(const QByteArray& geometry);

}  // namespace tessaro
