#include "app/PassportTab.h"

#include <QGridLayout>

#include "layout/PassportLayout.h"
#include "ui/Controls.h"

namespace tessaro {

PassportTab::PassportTab(QWidget* parent)
    : ScrollTab("TabSheet9", "ScrollBox3", "PaintBox3", QStringLiteral("Zeigt eine Vorschau auf das Resultat"),
                parent) {
  QWidget* c = controls();
  // Four decimals: a photo size chosen below lands within a hundredth of a millimetre.
  Breit3ED = floatEdit("Breit3ED", 0.05L, 0.5L, 0.01L, 0.2L, 4,
                       QStringLiteral("Legt die Breite der Bilder in Blättern fest"), c);
  SpaceED = floatEdit("SpaceED", 0.005L, 0.2L, 0.01L, 0.02L, 3,
                      QStringLiteral("Legt den Abstand zwischen den Bildern in Blättern fest"), c);
  Rand3ED = floatEdit("Rand3ED", 0.01L, 0.2L, 0.01L, 0.05L, 2,
                      QStringLiteral("Legt die Breite des Randes in Blättern fest"), c);
  Zoom3ED = floatEdit("Zoom3ED", 0.1L, 10, 0.1L, 1, 1,
                      QStringLiteral("Dient der Vergrößerung und Verkleinerung der Vorschau"), c);
  setZoomEdit(Zoom3ED);
  PhotoSizeBox = new QComboBox(c);
  PhotoSizeBox->setObjectName("PhotoSizeBox");
  PhotoSizeBox->setToolTip(QStringLiteral("Setzt die Breite so, dass ein Bild in dieser Größe gedruckt wird"));
  for (const PhotoSize& p : photoSizes()) PhotoSizeBox->addItem(QString::fromUtf8(p.label));
  PhotoSizeBox->setCurrentIndex(PhotoSizeBox->count() - 1);
  PassShapeLabel = new QLabel(c);
  PassShapeLabel->setObjectName("PassShapeLabel");
  PassShapeLabel->setStyleSheet(QStringLiteral("color: red"));
  PassShapeLabel->hide();
  FitCropBtn = pushButton("FitCropBtn", QString(),
                          QStringLiteral("Schneidet das Bild auf die Form der Fotogröße zu: das größte Stück "
                                         "aus der Mitte des Rahmens auf „Retuschieren“"),
                          c);
  FitCropBtn->setEnabled(false);
  GroesseLabel = readOnlyEdit("GroesseLabel", QStringLiteral("10 x 10 mm"),
                              QStringLiteral("Zeigt die eingestellte Größe der Bilder"), c);
  Print3Pro = progressBar("Print3Pro", QStringLiteral("Zeigt den Fortschritt beim Berechnen der Daten an"), c);
  GoBtn2 = new PictureButton("GoBtn2", QStringLiteral("Drucken"), QStringLiteral("Startet den Druckvorgang!"),
                             QSize(101, 30), c);
  PdfBtn3 = pushButton("PdfBtn3", QStringLiteral("Als PDF speichern…"),
                       QStringLiteral("Speichert die Seite, die gedruckt würde, verlustfrei als PDF-Datei"), c);
  PdfBtn3->setAccessibleName(QStringLiteral("Als PDF speichern"));
  PassStatus = new QLabel(c);
  PassStatus->setObjectName("PassStatus");
  PassStatus->setAccessibleName(QStringLiteral("Druckstatus"));
  PassStatus->setTextFormat(Qt::PlainText);
  PassStatus->setWordWrap(true);
  PassStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

  QVBoxLayout* l = controlsLayout();
  // The hint shares the caption's line, so that the tab's start size still holds every control.
  auto* sizeCaption = new QHBoxLayout;
  sizeCaption->addWidget(labelFor(QStringLiteral("Fotogröße:"), PhotoSizeBox, c));
  sizeCaption->addWidget(PassShapeLabel, 1, Qt::AlignRight);
  l->addLayout(sizeCaption);
  l->addWidget(PhotoSizeBox);
  l->addWidget(FitCropBtn);
  // Each name beside its field, so that the print buttons below keep their room at the start size.
  auto* fields = new QGridLayout;
  fields->setVerticalSpacing(l->spacing());
  const std::pair<QString, QWidget*> rows[] = {{QStringLiteral("Breite:"), Breit3ED},
                                               {QStringLiteral("Abstand:"), SpaceED},
                                               {QStringLiteral("Rand:"), Rand3ED},
                                               {QStringLiteral("Zoom:"), Zoom3ED},
                                               {QStringLiteral("Größe:"), GroesseLabel}};
  for (int row = 0; const auto& [caption, field] : rows) {
    fields->addWidget(labelFor(caption, field, c), row, 0);
    fields->addWidget(field, row++, 1);
  }
  l->addLayout(fields);
  l->addWidget(Print3Pro);
  l->addWidget(GoBtn2);
  l->addWidget(PdfBtn3);
  l->addWidget(PassStatus);
  l->addStretch(1);
}

void PassportTab::showStatus(const QString& text) {
  PassStatus->setText(text);
  PassStatus->setToolTip(text);
}

}  // namespace tessaro
