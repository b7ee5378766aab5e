#include "app/Remembered.h"

#include <QCheckBox>
#include <QFile>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>

namespace tessaro {

namespace {
const QString kFolderKey = QStringLiteral("Load/folder");
const QString kPhotoSizeKey = QStringLiteral("Options/PhotoSizeBox");
const QString kGeometryKey = QStringLiteral("Window/geometry");
const QString kPrintKindKey = QStringLiteral("Options/KindBox");
const QString kDotsGroup = QStringLiteral("Options/Dots");
QString optionKey(const QObject* control) { return QStringLiteral("Options/") + control->objectName(); }
}  // namespace

QSettings programSettings() { return QSettings(QStringLiteral("Tessaro"), QStringLiteral("Tessaro")); }

CalibrationStore calibrationStore() { return CalibrationStore(QFile::encodeName(programSettings().fileName()).toStdString()); }

RememberedOptions::RememberedOptions(QWidget& tab) {
  for (QCheckBox* box : tab.findChildren<QCheckBox*>()) {
    boxes_.push_back(box);
    startChecked_.push_back(box->isChecked());
  }
  for (QSpinBox* spin : tab.findChildren<QSpinBox*>()) {
    spins_.push_back(spin);
    startValues_.push_back(spin->value());
  }
}

void RememberedOptions::restore() {
  const QSettings stored = programSettings();
  for (QCheckBox* box : boxes_) {
    const QSignalBlocker quiet(box);
    box->setChecked(stored.value(optionKey(box), box->isChecked()).toBool());
  }
  // The spin edit keeps a stored value within its range.
  for (QSpinBox* spin : spins_) {
    const QSignalBlocker quiet(spin);
    spin->setValue(stored.value(optionKey(spin), spin->value()).toInt());
  }
}

void RememberedOptions::store() const {
  QSettings stored = programSettings();
  for (const QCheckBox* box : boxes_) stored.setValue(optionKey(box), box->isChecked());
  for (const QSpinBox* spin : spins_) stored.setValue(optionKey(spin), spin->value());
}

void RememberedOptions::resetToStart() {
  for (size_t i = 0; i < boxes_.size(); ++i) {
    const QSignalBlocker quiet(boxes_[i]);
    boxes_[i]->setChecked(startChecked_[i]);
  }
  for (size_t i = 0; i < spins_.size(); ++i) {
    const QSignalBlocker quiet(spins_[i]);
    spins_[i]->setValue(startValues_[i]);
  }
}

QByteArray rememberedFolder() { return programSettings().value(kFolderKey).toByteArray(); }
void rememberFolder(const QByteArray& folder) { programSettings().setValue(kFolderKey, folder); }
QString rememberedPhotoSize() { return programSettings().value(kPhotoSizeKey).toString(); }
void rememberPhotoSize(const QString& size) { programSettings().setValue(kPhotoSizeKey, size); }
int rememberedPrintKind() { return programSettings().value(kPrintKindKey, 0).toInt() == 1 ? 1 : 0; }
void rememberPrintKind(int kind) { programSettings().setValue(kPrintKindKey, kind); }

DotSettings rememberedDots() {
  QSettings stored = programSettings();
  stored.beginGroup(kDotsGroup);
  const DotSettings start;
  DotSettings d;
  d.cellMm = stored.value("cellMm", start.cellMm).toDouble();
  d.shape = static_cast<DotShape>(std::clamp(stored.value("shape", 0).toInt(), 0, static_cast<int>(DotShape::Line)));
  d.angleDeg = stored.value("angle", start.angleDeg).toDouble();
  d.colourMode = static_cast<DotColourMode>(
      std::clamp(stored.value("colourMode", 0).toInt(), 0, static_cast<int>(DotColourMode::Cmyk)));
  d.colour = stored.value("colour", start.colour).toUInt() & kWhite;
  d.gamma = stored.value("gamma", start.gamma).toDouble();
  d.minDot = stored.value("minDot", start.minDot).toDouble();
  // A hand-edited file may hold anything.
  return dotSettingsProblem(d).empty() ? d : start;
}

void rememberDots(const DotSettings& dots) {
  QSettings stored = programSettings();
  stored.beginGroup(kDotsGroup);
  stored.setValue("cellMm", dots.cellMm);
  stored.setValue("shape", static_cast<int>(dots.shape));
  stored.setValue("angle", dots.angleDeg);
  stored.setValue("colourMode", static_cast<int>(dots.colourMode));
  stored.setValue("colour", dots.colour);
  stored.setValue("gamma", dots.gamma);
  stored.setValue("minDot", dots.minDot);
}

QByteArray rememberedGeometry() { return programSettings().value(kGeometryKey).toByteArray(); }
void rememberGeometry(const QByteArray& geometry) { programSettings().setValue(kGeometryKey, geometry); }

}  // namespace tessaro
