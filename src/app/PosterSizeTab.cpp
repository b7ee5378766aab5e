#include "app/PosterSizeTab.h"

#include <QEvent>
#include <QHBoxLayout>

#include "ui/Controls.h"

namespace tessaro {

PosterSizeTab::PosterSizeTab(QWidget* parent)
    : ScrollTab("TabSheet3", "ScrollBox2", "VorschauBox",
                QStringLiteral("Zeigt eine Vorschau auf das Resultat; ohne Hilfslinien;  Mausklick->Seite ein/aus"),
                parent) {
  QWidget* c = controls();
  BreitEd =
      floatEdit("BreitEd", 0.1, 100, 0.1, 1.0, 8, QStringLiteral("Legt die Breite des Posters in Blättern fest"), c);
  HochEd = floatEdit("HochEd", 0.1, 100, 0.1, 1.0, 8, QStringLiteral("Legt die Höhe des Posters in Blättern fest"), c);
  ActualSizeBtn = pushButton("ActualSizeBtn", QStringLiteral("Originalgröße"),
                             QStringLiteral("Druckt das Bild so groß, wie es die Auflösung der Datei oder des Scans "
                                            "angibt"),
                             c);
  IncEd =
      floatEdit("IncEd", 0.01, 1.0, 0.01, 0.1, 2,
                QStringLiteral("Legt fest, um welchen Wert die Höhe bzw. Breite bei einem Klick verändert wird"), c);
  ZoomEd = floatEdit("ZoomEd", 0.1, 10, 0.1, 1.0, 1,
                     QStringLiteral("Dient der Vergrößerung und Verkleinerung der Vorschau"), c);
  KrShowCheck = checkBox("KrShowCheck", QString(), false, QStringLiteral("Aktiviert die Ansicht des Kleberandes"), c);
  RxLabel25 = labelFor(QStringLiteral("Kleberand anzeigen"), KrShowCheck, c);
  RxLabel25->setObjectName("RxLabel25");
  RxLabel25->installEventFilter(this);
  setZoomEdit(ZoomEd);
  PosterSizeLabel = new QLabel(c);
  PosterSizeLabel->setObjectName("PosterSizeLabel");
  // A poster of many sheets has long figures; the column is narrow.
  PosterSizeLabel->setWordWrap(true);
  PosterSizeLabel->setToolTip(QStringLiteral("Breite und Höhe des fertig geklebten Posters"));
  PosterSizeLabel->setAccessibleDescription(PosterSizeLabel->toolTip());
  PosterDpiLabel = new QLabel(c);
  PosterDpiLabel->setObjectName("PosterDpiLabel");

  QVBoxLayout* l = controlsLayout();
  l->addWidget(labelFor(QStringLiteral("Breite in Blättern:"), BreitEd, c));
  l->addWidget(BreitEd);
  l->addWidget(labelFor(QStringLiteral("Höhe in Blättern:"), HochEd, c));
  l->addWidget(HochEd);
  l->addWidget(ActualSizeBtn);
  l->addWidget(PosterSizeLabel);
  l->addWidget(PosterDpiLabel);
  l->addWidget(labelFor(QStringLiteral("Schrittweite:"), IncEd, c));
  l->addWidget(IncEd);
  l->addWidget(labelFor(QStringLiteral("Zoom:"), ZoomEd, c));
  l->addWidget(ZoomEd);
  auto* glueRow = new QHBoxLayout;
  glueRow->addWidget(KrShowCheck);
  glueRow->addWidget(RxLabel25, 1);
  l->addLayout(glueRow);
  l->addStretch(1);
}

void PosterSizeTab::showPrintSize(const PosterPrintSize& size) {
  const QString sizeText = QStringLiteral("Postergröße: ") + QString::fromStdString(formatPosterSize(size));
  const QString dpiText = QStringLiteral("Auflösung: ") + QString::fromStdString(formatPosterDpi(size));
  // Screen readers read the name, so it carries the figures too.
  PosterSizeLabel->setText(sizeText);
  PosterSizeLabel->setAccessibleName(sizeText);
  PosterDpiLabel->setText(dpiText);
  PosterDpiLabel->setAccessibleName(dpiText);
  const bool coarse = size.coarse();
  QPalette p = PosterDpiLabel->palette();
  p.setColor(QPalette::WindowText, coarse ? QColor(Qt::red) : palette().color(QPalette::WindowText));
  PosterDpiLabel->setPalette(p);
  const QString hint = coarse ? QStringLiteral("Unter %1 dpi wirkt der Druck grob.").arg(kCoarseDpi)
                              : QStringLiteral("Bildpunkte je Zoll des fertigen Posters");
  PosterDpiLabel->setToolTip(hint);
  PosterDpiLabel->setAccessibleDescription(hint);
}

bool PosterSizeTab::eventFilter(QObject* watched, QEvent* e) {
  // A click on the label beside the box toggles it, as a click on the box does.
  if (watched == RxLabel25 && e->type() == QEvent::MouseButtonRelease) {
    KrShowCheck->toggle();
    return true;
  }
  return ScrollTab::eventFilter(watched, e);
}

}  // namespace tessaro
