#include "app/RetouchTab.h"

#include "retouch/Filters.h"
#include "ui/Controls.h"

namespace tessaro {

RetouchTab::RetouchTab(QWidget* parent)
    : ScrollTab("TabSheet8", "ScrollBox1", "PaintBox2",
                QStringLiteral("Mit dem Rahmen legen Sie die Grenze fürs Abschneiden fest"), parent) {
  QWidget* c = controls();
  HellpBtn = pushButton("HellpBtn", QStringLiteral("Helligkeit und &Kontrast"),
                        QStringLiteral("Läßt Sie die Helligkeit und den Kontrast verändern"), c);
  FilterComboBox = new QComboBox(c);
  FilterComboBox->setObjectName("FilterComboBox");
  FilterComboBox->setAccessibleName(QStringLiteral("Filter"));
  for (const TFilterDef& f : FilterTable)
    FilterComboBox->addItem(QString::fromUtf8(f.Name.data(), static_cast<qsizetype>(f.Name.size())));
  FilterComboBox->setCurrentIndex(0);
  GoFilterBtn = pushButton("GoFilterBtn", QStringLiteral("&Go"), QString(), c);
  RotLeftBtn = pushButton("RotLeftBtn", QStringLiteral("&90° nach links rotieren"),
                          QStringLiteral("Rotiert das Bild um 90° nach links"), c);
  RotRightBtn = pushButton("RotRightBtn", QStringLiteral("9&0° nach rechts rotieren"),
                           QStringLiteral("Rotiert das Bild um 90° nach rechts"), c);
  FlipHBtn = pushButton("FlipHBtn", QStringLiteral("&Horizontal spiegeln"),
                        QStringLiteral("Spiegelt das Bild an einer horizontalen Achse"), c);
  FlipVBtn = pushButton("FlipVBtn", QStringLiteral("&Vertikal spiegeln"),
                        QStringLiteral("Spiegelt das Bild an einer vertikalen Achse"), c);
  SchnittBtn = pushButton("SchnittBtn", QStringLiteral("&Rand abschneiden"),
                          QStringLiteral("Schneidet den Rand ab, und läßt das markierte Stück übrig"), c);
  QPalette maroon = SchnittBtn->palette();
  maroon.setColor(QPalette::ButtonText, QColor(128, 0, 0));
  SchnittBtn->setPalette(maroon);
  UndoBtn = pushButton("UndoBtn", QStringLiteral("Rückgängig"),
                       QStringLiteral("Nimmt den letzten Schritt zurück (Strg+Z)"), c);
  RedoBtn = pushButton("RedoBtn", QStringLiteral("Wiederholen"),
                       QStringLiteral("Stellt den zurückgenommenen Schritt wieder her (Strg+Y)"), c);
  UndoBtn->setEnabled(false);
  RedoBtn->setEnabled(false);
  SaveBtn = pushButton("SaveBtn", QStringLiteral("Bild speichern &unter..."),
                       QStringLiteral("Speichert das Bild in einer Datei"), c);
  ZoomEd2 = floatEdit("ZoomEd2", 0.1, 10, 0.1, 1.0, 1,
                      QStringLiteral("Dient der Vergrößerung und Verkleinerung der Ansicht des Bildes"), c);
  setZoomEdit(ZoomEd2);
  ProRetusche = progressBar("ProRetusche", QStringLiteral("Zeigt den Fortschritt der aktuellen Aktion an"), c);
  // Hover marks the frame's edges, so moves must arrive without a button pressed.
  PaintBox2()->setMouseTracking(true);

  QVBoxLayout* l = controlsLayout();
  l->addWidget(HellpBtn);
  // The filter's whole name needs the column's width.
  l->addWidget(FilterComboBox);
  for (QPushButton* b : {GoFilterBtn, RotLeftBtn, RotRightBtn, FlipHBtn, FlipVBtn, SchnittBtn}) l->addWidget(b);
  auto* undoRow = new QHBoxLayout;
  undoRow->addWidget(UndoBtn);
  undoRow->addWidget(RedoBtn);
  l->addLayout(undoRow);
  l->addWidget(SaveBtn);
  l->addStretch(1);
  l->addWidget(labelFor(QStringLiteral("Zoom:"), ZoomEd2, c));
  l->addWidget(ZoomEd2);
  l->addWidget(ProRetusche);
}

}  // namespace tessaro
