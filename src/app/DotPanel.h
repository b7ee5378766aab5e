#pragma once
// The panel "Punkteraster" on the tab "Drucken": the dot screen's grid, shape, angle, colour,
// tone curve and smallest dot, and a close-up of a few cells at their real shape.
#include <QColor>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <functional>
#include <optional>

#include "app/PaintBox.h"
#include "print/DotScreen.h"
#include "ui/FloatEdit.h"

namespace tessaro {

class DotPanel : public QGroupBox {
  Q_OBJECT
 public:
  explicit DotPanel(QWidget* parent = nullptr);

  FloatEdit *CellEd, *AngleEd, *GammaEd, *MinDotEd;
  QComboBox *ShapeBox, *ColourBox, *CurveBox;
  QPushButton* ColourBtn;  // the colour of "Eigene Farbe"
  PaintBox* ZoomView;

  // The settings last accepted; a value out of range never gets here.
  const DotSettings& settings() const { return settings_; }
  // Into the controls without `changed`.
  void setSettings(const DotSettings& settings);
  // Asks for the own colour; nothing when cancelled. Tests put their own in its place.
  std::function<std::optional<QColor>(QWidget*, const QColor&)> chooseColour;

 signals:
  void changed();

 private:
  // The settings as the controls read now.
  DotSettings fromControls() const;
  static std::string problemOf(const DotSettings& s);
  // Takes the controls' settings when they are fine; with `final`, a value out of range is
  // reported and the controls go back to the last accepted settings.
  void take(bool final);
  void showSettings();
  void pickColour();

  DotSettings settings_;
  bool telling_ = false;  // a message box is up: its focus change must not report again
};

}  // namespace tessaro
