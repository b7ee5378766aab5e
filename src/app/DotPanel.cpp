#include "app/DotPanel.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QSignalBlocker>

#include "platform/MessageBoxes.h"
#include "ui/Controls.h"

namespace tessaro {

namespace {

// The edits take more than the allowed range, so that a value beyond it is refused with a word
// rather than silently put right.
constexpr double kEditSlack = 10;
constexpr double kDefaultGamma = 2;  // what "Gamma" starts from after "Linear"

QComboBox* comboBox(const QString& name, const QStringList& entries, const QString& hint, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  box->setToolTip(hint);
  box->setAccessibleDescription(hint);
  box->addItems(entries);
  return box;
}

QColor qColour(Color c) { return QColor(colorRed(c), colorGreen(c), colorBlue(c)); }

}  // namespace

DotPanel::DotPanel(QWidget* parent) : QGroupBox(QStringLiteral("Punkteraster"), parent) {
  setObjectName("DotPanel");
  CellEd = floatEdit("DotCellEd", 0, kMaxDotCellMm * kEditSlack, 1, settings_.cellMm, 1,
                     QStringLiteral("Abstand der Punkte auf dem fertigen Poster in mm (2 bis 100)"), this);
  ShapeBox = comboBox("DotShapeBox",
                      {QStringLiteral("Kreis"), QStringLiteral("Quadrat"), QStringLiteral("Raute"), QStringLiteral("Linie")},
                      QStringLiteral("Form der Punkte"), this);
  AngleEd = floatEdit("DotAngleEd", -900, 900, 5, settings_.angleDeg, 1,
                      QStringLiteral("Winkel des Rasters in Grad (0 bis 90)"), this);
  ColourBox = comboBox("DotColourBox",
                       {QStringLiteral("Schwarz"), QStringLiteral("Eigene Farbe"), QStringLiteral("Bildfarben"),
                        QStringLiteral("CMYK")},
                       QStringLiteral("Farbe der Punkte: eine Farbe, die Farbe des Bildes je Punkt oder vier "
                                      "Raster in Cyan, Magenta, Gelb und Schwarz"),
                       this);
  ColourBtn = pushButton("DotColourBtn", QString(), QStringLiteral("Wählt die eigene Farbe der Punkte"), this);
  ColourBtn->setAccessibleName(QStringLiteral("Eigene Farbe wählen"));
  CurveBox = comboBox("DotCurveBox", {QStringLiteral("Linear"), QStringLiteral("Gamma")},
                      QStringLiteral("Wie die Punktgröße der Helligkeit folgt; ein Gamma über 1 hält helle "
                                     "Flächen fein"),
                      this);
  GammaEd = floatEdit("DotGammaEd", 0, kMaxDotGamma * kEditSlack, 0.1, kDefaultGamma, 2,
                      QStringLiteral("Gamma der Tonkurve (0.2 bis 5)"), this);
  GammaEd->setAccessibleName(QStringLiteral("Gamma"));
  MinDotEd = floatEdit("DotMinEd", 0, 100 * kMaxDotMinimum * kEditSlack, 1, 0, 0,
                       QStringLiteral("Punkte unter diesem Anteil einer Zelle in Prozent entfallen (0 bis 50)"), this);
  ZoomView = new PaintBox("DotZoomView", QStringLiteral("Ausschnitt aus der Mitte des Posters in Vergrößerung"), this);
  ZoomView->setMinimumSize(64, 64);
  ZoomView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

  auto* grid = new QGridLayout(this);
  const auto row = [&](int r, const QString& caption, QWidget* field, QWidget* beside = nullptr) {
    grid->addWidget(labelFor(caption, field, this), r, 0);
    auto* pair = new QHBoxLayout;
    pair->addWidget(field, 1);
    if (beside) pair->addWidget(beside);
    grid->addLayout(pair, r, 1);
  };
  const auto unit = [this](const QString& text) { return new QLabel(text, this); };
  row(0, QStringLiteral("Rasterweite:"), CellEd, unit(QStringLiteral("mm")));
  row(1, QStringLiteral("Form:"), ShapeBox);
  row(2, QStringLiteral("Winkel:"), AngleEd, unit(QStringLiteral("°")));
  row(3, QStringLiteral("Farbe:"), ColourBox, ColourBtn);
  row(4, QStringLiteral("Tonkurve:"), CurveBox, GammaEd);
  row(5, QStringLiteral("Kleinster Punkt:"), MinDotEd, unit(QStringLiteral("%")));
  grid->addWidget(ZoomView, 6, 0, 1, 2);
  grid->setRowStretch(6, 1);

  chooseColour = [](QWidget* parent, const QColor& start) -> std::optional<QColor> {
    const QColor c = QColorDialog::getColor(start, parent, QStringLiteral("Eigene Farbe"));
    return c.isValid() ? std::optional<QColor>(c) : std::nullopt;
  };
  for (FloatEdit* e : {CellEd, AngleEd, GammaEd, MinDotEd}) {
    connect(e, &FloatEdit::changed, this, [this] { take(false); });
    connect(e, &QAbstractSpinBox::editingFinished, this, [this] { take(true); });
  }
  for (QComboBox* b : {ShapeBox, ColourBox})
    connect(b, &QComboBox::currentIndexChanged, this, [this] { take(true); });
  connect(CurveBox, &QComboBox::currentIndexChanged, this, [this](int entry) {
    // A gamma of 1 is the linear curve: "Gamma" starts from a curve that differs.
    if (entry == 1 && GammaEd->value() == 1) {
      const QSignalBlocker quiet(GammaEd);
      GammaEd->setValue(kDefaultGamma);
    }
    take(true);
  });
  connect(ColourBtn, &QPushButton::clicked, this, [this] { pickColour(); });
  showSettings();
}

void DotPanel::setSettings(const DotSettings& settings) {
  settings_ = settings;
  showSettings();
}

DotSettings DotPanel::fromControls() const {
  DotSettings s = settings_;
  s.cellMm = CellEd->value();
  s.shape = static_cast<DotShape>(ShapeBox->currentIndex());
  s.angleDeg = AngleEd->value();
  s.colourMode = static_cast<DotColourMode>(ColourBox->currentIndex());
  s.gamma = CurveBox->currentIndex() == 0 ? 1 : GammaEd->value();
  s.minDot = MinDotEd->value() / 100;
  return s;
}

// The check's words, but for the smallest dot in the percent the edit shows.
std::string DotPanel::problemOf(const DotSettings& s) {
  DotSettings others = s;
  others.minDot = 0;
  std::string problem = dotSettingsProblem(s);
  if (!problem.empty() && dotSettingsProblem(others).empty())
    return "Der kleinste Punkt muss zwischen 0 und 50 % einer Rasterzelle liegen.";
  return problem;
}

void DotPanel::take(bool final) {
  const DotSettings s = fromControls();
  const std::string problem = problemOf(s);
  if (problem.empty()) {
    if (s != settings_) {
      settings_ = s;
      showSettings();
      emit changed();
    }
    return;
  }
  // Half typed: wait until the edit is left.
  if (!final || telling_) return;
  showSettings();
  telling_ = true;
  messageBoxes().tell(this, QStringLiteral("Punkteraster"), QString::fromStdString(problem),
                      MessageBoxes::Icon::Warning);
  telling_ = false;
}

void DotPanel::showSettings() {
  const DotSettings& s = settings_;
  {
    const QSignalBlocker q1(CellEd), q2(ShapeBox), q3(AngleEd), q4(ColourBox), q5(CurveBox), q6(GammaEd),
        q7(MinDotEd);
    // An edit keeps its own text while it holds the accepted value: "10" stays as typed.
    const auto show = [](FloatEdit* e, double v) {
      if (e->value() != v) e->setValue(v);
    };
    show(CellEd, s.cellMm);
    ShapeBox->setCurrentIndex(static_cast<int>(s.shape));
    show(AngleEd, s.angleDeg);
    ColourBox->setCurrentIndex(static_cast<int>(s.colourMode));
    CurveBox->setCurrentIndex(s.gamma == 1 ? 0 : 1);
    if (s.gamma != 1) show(GammaEd, s.gamma);
    show(MinDotEd, s.minDot * 100);
  }
  AngleEd->setEnabled(s.colourMode != DotColourMode::Cmyk);
  ColourBtn->setEnabled(s.colourMode == DotColourMode::Chosen);
  GammaEd->setEnabled(s.gamma != 1);
  QPixmap swatch(16, 16);
  swatch.fill(qColour(s.colour));
  ColourBtn->setIcon(swatch);
}

void DotPanel::pickColour() {
  const std::optional<QColor> c = chooseColour(this, qColour(settings_.colour));
  if (!c) return;
  const Color colour = rgbColor(static_cast<uint8_t>(c->red()), static_cast<uint8_t>(c->green()),
                                static_cast<uint8_t>(c->blue()));
  if (colour == settings_.colour) return;
  settings_.colour = colour;
  showSettings();
  emit changed();
}

}  // namespace tessaro
