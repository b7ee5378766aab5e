#include "app/PrintTab.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/Controls.h"

namespace tessaro {

namespace {
QRadioButton* radio(const QString& name, const QString& caption, const QString& hint, bool checked, QWidget* parent) {
  auto* r = new QRadioButton(caption, parent);
  r->setObjectName(name);
  r->setToolTip(hint);
  r->setChecked(checked);
  return r;
}
}  // namespace

PrintTab::PrintTab(QWidget* parent) : QWidget(parent) {
  setObjectName("TabSheet4");
  auto* order = new QGroupBox(QStringLiteral("Druckreihenfolge"), this);
  order->setObjectName("GroupBox5");
  RadioButton1 =
      radio("RadioButton1", QStringLiteral("Zeilenweise von oben nach unten drucken"),
            QStringLiteral("Das Poster wird in horizontalen Reihen von oben nach unten ausgedruckt"), true, order);
  RadioButton2 =
      radio("RadioButton2", QStringLiteral("Spaltenweise von links nach rechts drucken"),
            QStringLiteral("Das Poster wird in vertikalen Reihen von links nach rechts ausgedruckt"), false, order);
  auto* ol = new QVBoxLayout(order);
  ol->addWidget(RadioButton1);
  ol->addWidget(RadioButton2);

  auto* which = new QGroupBox(QStringLiteral("Zu druckende Seiten"), this);
  which->setObjectName("GroupBox6");
  RadioButton3 = radio("RadioButton3", QStringLiteral("Alle Seiten drucken"),
                       QStringLiteral("Druckt alle Seiten des Posters"), true, which);
  RadioButton4 = radio("RadioButton4", QStringLiteral("Die \"weggeklickten\" nicht ausdrucken"),
                       QStringLiteral("Druckt die unter \"Druckgröße\" weggeklickten Seiten nicht aus"), false, which);
  auto* wl = new QVBoxLayout(which);
  wl->addWidget(RadioButton3);
  wl->addWidget(RadioButton4);

  KindBox = new QComboBox(this);
  KindBox->setObjectName("KindBox");
  KindBox->addItems({QStringLiteral("Bild"), QStringLiteral("Punkteraster")});
  KindBox->setToolTip(QStringLiteral("Druckt das Bild selbst oder als Raster großer Punkte"));
  auto* kindLabel = labelFor(QStringLiteral("Druckart:"), KindBox, this);
  Dots = new DotPanel(this);
  // The columns stay where they are whichever kind is chosen.
  QSizePolicy keep = Dots->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  Dots->setSizePolicy(keep);
  Dots->setVisible(false);
  connect(KindBox, &QComboBox::currentIndexChanged, this, [this](int kind) { Dots->setVisible(kind == 1); });

  ProgressBar1 = progressBar("ProgressBar1",
                             QStringLiteral("Zeigt den Fortschritt der Datenübertragung zum Druckertreiber"), this);
  auto* RxLabel14 = labelFor(QStringLiteral("Datenübertragung:"), ProgressBar1, this);
  RxLabel14->setObjectName("RxLabel14");
  GoBtn1 = new PictureButton("GoBtn1", QStringLiteral("Drucken"), QStringLiteral("Startet den Druckvorgang!"),
                             QSize(101, 30), this);
  PdfBtn = new QPushButton(QStringLiteral("Als PDF speichern…"), this);
  PdfBtn->setObjectName("PdfBtn");
  PdfBtn->setAccessibleName(QStringLiteral("Als PDF speichern"));
  PdfBtn->setToolTip(QStringLiteral("Speichert die Blätter, die gedruckt würden, verlustfrei als PDF-Datei"));
  PrintStatus = new QLabel(this);
  PrintStatus->setObjectName("PrintStatus");
  PrintStatus->setAccessibleName(QStringLiteral("Druckstatus"));
  PrintStatus->setTextFormat(Qt::PlainText);
  PrintStatus->setWordWrap(true);
  PrintStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // A long file path must not widen the window; the tool tip holds it whole.
  PrintStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

  // The print settings and the print on the left; the kind of print with its panel on the right.
  auto* columns = new QHBoxLayout(this);
  auto* left = new QVBoxLayout;
  left->addWidget(order);
  left->addWidget(which);
  auto* bar = new QHBoxLayout;
  bar->addWidget(RxLabel14);
  bar->addWidget(ProgressBar1, 1);
  left->addLayout(bar);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(PdfBtn);
  buttons->addWidget(GoBtn1);
  left->addLayout(buttons);
  left->addWidget(PrintStatus);
  left->addStretch(1);
  auto* right = new QVBoxLayout;
  auto* kind = new QHBoxLayout;
  kind->addWidget(kindLabel);
  kind->addWidget(KindBox, 1);
  right->addLayout(kind);
  right->addWidget(Dots, 1);
  right->addStretch(0);
  columns->addLayout(left, 1);
  columns->addLayout(right);
}

std::optional<DotSettings> PrintTab::dotSettings() const {
  if (KindBox->currentIndex() != 1) return std::nullopt;
  return Dots->settings();
}

void PrintTab::showStatus(const QString& text) {
  PrintStatus->setText(text);
  PrintStatus->setToolTip(text);
}

}  // namespace tessaro
