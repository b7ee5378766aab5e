#include "app/RetouchTab.h"

#include "app/Controls.h"

namespace tessaro {

RetouchTab::RetouchTab(QWidget* parent)
    : ScrollTab("TabSheet8", "ScrollBox1", "PaintBox2", QStringLiteral("Zeigt das Bild zur Bearbeitung"), parent) {
  QWidget* c = controls();
  ZoomEd2 = floatEdit("ZoomEd2", 0.1, 10, 0.1, 1.0, 1,
                      QStringLiteral("Dient der Vergrößerung und Verkleinerung der Ansicht"), c);
  setZoomEdit(ZoomEd2);
  SaveBtn = new QPushButton(QStringLiteral("Bild Speichern &unter..."), c);
  SaveBtn->setObjectName("SaveBtn");
  SaveBtn->setToolTip(QStringLiteral("Speichert das Bild in einer Datei"));
  ProRetusche = progressBar("ProRetusche", QStringLiteral("Zeigt den Fortschritt der aktuellen Aktion an"), c);
  QVBoxLayout* l = controlsLayout();
  l->addWidget(labelFor(QStringLiteral("Zoom:"), ZoomEd2, c));
  l->addWidget(ZoomEd2);
  l->addStretch(1);
  l->addWidget(SaveBtn);
  l->addWidget(ProRetusche);
}

}  // namespace tessaro
