#include "app/SettingsTab.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/Controls.h"

namespace tessaro {

namespace {
const QString kMarginHint = QStringLiteral("Zeigt den Rand, der aus technischen Gründen freigelassen werden muß");

QVBoxLayout* tightColumn(QWidget* w) {
  auto* l = new QVBoxLayout(w);
  l->setContentsMargins(6, 4, 6, 4);
  l->setSpacing(2);
  return l;
}
}  // namespace

SettingsTab::SettingsTab(QWidget* parent) : QWidget(parent) {
  setObjectName("TabSheet2");

  // Paper format of the current printer.
  auto* paper = new QGroupBox(QStringLiteral("Papierformat"), this);
  paper->setObjectName("GroupBox1");
  Edit6 = readOnlyEdit("Edit6", "207.00 x 297.00 mm",
                       QStringLiteral("Zeigt die Ausmaße des gewählten Papierformates in Millimetern"), paper);
  Edit7 = readOnlyEdit("Edit7", "1 mm", kMarginHint, paper);
  Edit8 = readOnlyEdit("Edit8", "1 mm", kMarginHint, paper);
  Edit9 = readOnlyEdit("Edit9", "1 mm", kMarginHint, paper);
  Edit10 = readOnlyEdit("Edit10", "1 mm", kMarginHint, paper);
  Edit1 = readOnlyEdit("Edit1", "0 mm", QStringLiteral("Zeigt die Breite des Kleberands in mm"), paper);
  Edit2 = readOnlyEdit("Edit2", "0 mm", QStringLiteral("Zeigt die Höhe des Kleberands in mm"), paper);
  SetupBtn = new PictureButton(
      "SetupBtn", QStringLiteral("Drucker..."),
      QStringLiteral("Klicken Sie hier, um einen anderen Drucker oder ein anderes Papierformat zu wählen"),
      QSize(82, 35), paper);
  auto* pg = new QGridLayout(paper);
  pg->setContentsMargins(6, 4, 6, 4);
  pg->setVerticalSpacing(2);
  pg->addWidget(labelFor(QStringLiteral("Gewähltes Papierformat:"), Edit6, paper), 0, 0, 1, 3);
  pg->addWidget(Edit6, 1, 0, 1, 3);
  pg->addWidget(labelFor(QStringLiteral("Rand oben:"), Edit7, paper), 2, 0);
  pg->addWidget(Edit7, 2, 1);
  pg->addWidget(labelFor(QStringLiteral("Rand links:"), Edit8, paper), 3, 0);
  pg->addWidget(Edit8, 3, 1);
  pg->addWidget(labelFor(QStringLiteral("Rand rechts:"), Edit9, paper), 4, 0);
  pg->addWidget(Edit9, 4, 1);
  // The "+" only joins the glue strip to the margin on screen; it names neither field.
  auto* plus1 = new QLabel(QStringLiteral("+"), paper);
  auto* plus2 = new QLabel(QStringLiteral("+"), paper);
  Edit1->setAccessibleName(QStringLiteral("Kleberand rechts in mm"));
  Edit2->setAccessibleName(QStringLiteral("Kleberand unten in mm"));
  auto* r1 = new QHBoxLayout;
  r1->addWidget(plus1);
  r1->addWidget(Edit1);
  pg->addLayout(r1, 4, 2);
  pg->addWidget(labelFor(QStringLiteral("Rand unten:"), Edit10, paper), 5, 0);
  pg->addWidget(Edit10, 5, 1);
  auto* r2 = new QHBoxLayout;
  r2->addWidget(plus2);
  r2->addWidget(Edit2);
  pg->addLayout(r2, 5, 2);
  PrinterEdit = readOnlyEdit("PrinterEdit", QStringLiteral("PDF-Datei"),
                             QStringLiteral("Zeigt den Drucker, auf dem gedruckt wird"), paper);
  auto* r3 = new QHBoxLayout;
  r3->addWidget(SetupBtn);
  r3->addSpacing(6);
  r3->addWidget(labelFor(QStringLiteral("Drucker:"), PrinterEdit, paper));
  r3->addWidget(PrinterEdit, 1);
  CalibrateBtn = new QPushButton(QStringLiteral("Drucker kalibrieren…"), paper);
  CalibrateBtn->setObjectName("CalibrateBtn");
  CalibrateBtn->setToolTip(
      QStringLiteral("Klicken Sie hier, damit der Drucker waagrecht und senkrecht genau in der richtigen Größe druckt"));
  CalibrateBtn->setEnabled(false);
  r3->addWidget(CalibrateBtn);
  pg->addLayout(r3, 6, 0, 1, 3);
  for (QLineEdit* e : {Edit7, Edit8, Edit9, Edit10, Edit1, Edit2}) e->setMinimumWidth(64);

  // Print options.
  auto* print = new QGroupBox(QStringLiteral("Druckoptionen"), this);
  print->setObjectName("GroupBox4");
  CheckBox4 = checkBox("CheckBox4", QStringLiteral("Zentrieren"), false,
                       QStringLiteral("Zentriert das Poster über alle Blätter"), print);
  CheckBox5 = checkBox("CheckBox5", QStringLiteral("Blatt voll nutzen"), false,
                       QStringLiteral("Versucht immer die Blätter in horizontaler oder vertikaler Richtung voll zu "
                                      "nutzen; beschränkt Editierfreiheit"),
                       print);
  CheckBox6 = checkBox(
      "CheckBox6", QStringLiteral("Nicht verzerren"), true,
      QStringLiteral("Verhindert, daß das Bild verzerrt wird, indem das Seitenverhältnis immer beibehalten wird"),
      print);
  LabelsCheck = checkBox("LabelsCheck", QStringLiteral("Blattnummern drucken"), false,
                         QStringLiteral("Druckt auf den Kleberand jedes Blattes, wohin es gehört (z. B. B3: Zeile B, "
                                        "Spalte 3)"),
                         print);
  OverviewCheck = checkBox("OverviewCheck", QStringLiteral("Übersichtsseite drucken"), false,
                           QStringLiteral("Druckt zuerst eine Seite mit dem ganzen Poster verkleinert, den Blättern, "
                                          "der Klebereihenfolge und der fertigen Größe"),
                           print);
  RulerCheck = checkBox("RulerCheck", QStringLiteral("Prüfmaß auf jedem Blatt"), false,
                        QStringLiteral("Druckt auf den Kleberand jedes Blattes einen 5 cm langen Maßstab, mit dem "
                                       "sich prüfen lässt, ob in Originalgröße gedruckt wurde"),
                        print);
  DefaultsBtn = pushButton("DefaultsBtn", QStringLiteral("Standardwerte"),
                           QStringLiteral("Setzt alle Einstellungen dieser Seite auf ihre Anfangswerte zurück"), print);
  // Two columns: the tab must show everything at the window's start size.
  auto* pl = new QGridLayout(print);
  pl->setContentsMargins(6, 4, 6, 4);
  pl->setVerticalSpacing(2);
  pl->addWidget(CheckBox4, 0, 0);
  pl->addWidget(CheckBox5, 1, 0);
  pl->addWidget(CheckBox6, 2, 0);
  pl->addWidget(LabelsCheck, 0, 1);
  pl->addWidget(OverviewCheck, 1, 1);
  pl->addWidget(RulerCheck, 2, 1);
  pl->addWidget(DefaultsBtn, 3, 1, Qt::AlignLeft);

  // Guide lines.
  auto* lines = new QGroupBox(QStringLiteral("Hilfslinien besonders für Plakate"), this);
  lines->setObjectName("GroupBox2");
  CheckBox1 = checkBox("CheckBox1", QStringLiteral("Schneidelinien"), true,
                       QStringLiteral("Diese Linien helfen bei weißen Stellen beim Abschneiden des Randes"), lines);
  CheckBox2 = checkBox("CheckBox2", QStringLiteral("Klebelinien"), false,
                       QStringLiteral("Diese Linien helfen beim genauen Kleben an weißen Stellen"), lines);
  CheckBox3 =
      checkBox("CheckBox3", QStringLiteral("Keine Linien am Posterrand"), true,
               QStringLiteral("Druckt keine Hilfslinien an den Rändern des Posters; erspart Schneidearbeit"), lines);
  auto* ll = tightColumn(lines);
  for (QWidget* w : {CheckBox1, CheckBox2, CheckBox3}) ll->addWidget(w);

  // Glue margin.
  auto* glue = new QGroupBox(QStringLiteral("Kleberand"), this);
  glue->setObjectName("GroupBox3");
  CheckBox8 = checkBox("CheckBox8", QStringLiteral("Kleberand"), true,
                       QStringLiteral("Aktiviert den Kleberand; dringend empfohlen"), glue);
  CheckBox9 = checkBox("CheckBox9", QStringLiteral("Kleberand bedrucken"), false,
                       QStringLiteral("Bedruckt den Kleberand; kann weiße Stellen verhindern"), glue);
  CheckBox10 =
      checkBox("CheckBox10", QStringLiteral("Kein Kleberand am Posterrand"), true,
               QStringLiteral("Nutzt die Randblätter voll aus, indem auf den Kleberand verzichtet wird"), glue);
  CutHintsCheck = checkBox(
      "CutHintsCheck", QStringLiteral("Hinweise auf Rand drucken"), true,
      QStringLiteral("Druckt auf die Kleberänder (außer am Posterrand) Hinweise, dass NICHT abzuschneiden ist"), glue);
  KrandxlEd =
      intEdit("KrandxlEd", 0, 10, 5, QStringLiteral("Hier stellen Sie die Breite des rechten Kleberandes ein"), glue);
  KrandylEd =
      intEdit("KrandylEd", 0, 10, 5, QStringLiteral("Hier stellen Sie die Höhe des unteren Kleberandes ein"), glue);
  auto* gl = tightColumn(glue);
  for (QWidget* w : {CheckBox8, CheckBox9, CheckBox10, CutHintsCheck}) gl->addWidget(w);
  auto* gx = new QHBoxLayout;
  gx->addWidget(labelFor(QStringLiteral("Kleberand rechts in %:"), KrandxlEd, glue), 1);
  gx->addWidget(KrandxlEd);
  gl->addLayout(gx);
  auto* gy = new QHBoxLayout;
  gy->addWidget(labelFor(QStringLiteral("Kleberand unten in %:"), KrandylEd, glue), 1);
  gy->addWidget(KrandylEd);
  gl->addLayout(gy);

  // How photos are read: upright by the camera's orientation, in the colours of their profile.
  // Two lines under the glue margin, without a frame of their own: the tab must still show
  // everything at the window's start size.
  AutoOrientCheck = checkBox("AutoOrientCheck", QStringLiteral("Fotos nach Kameradaten aufrichten"), true,
                             QStringLiteral("Stellt Fotos beim Laden so auf, wie die Kamera sie gehalten hat "
                                            "(Ausrichtung aus den Exif-Daten)"),
                             this);
  ProfileCheck = checkBox("ProfileCheck", QStringLiteral("Farbprofile der Bilder beachten"), true,
                          QStringLiteral("Rechnet die Farben beim Laden aus dem eingebetteten Farbprofil nach sRGB "
                                         "um"),
                          this);

  auto* left = new QVBoxLayout;
  left->addWidget(paper);
  left->addWidget(print);
  left->addStretch(1);
  auto* right = new QVBoxLayout;
  right->addWidget(lines);
  right->addWidget(glue);
  for (QWidget* w : {AutoOrientCheck, ProfileCheck}) right->addWidget(w);
  right->addStretch(1);
  auto* columns = new QHBoxLayout(this);
  columns->setContentsMargins(6, 6, 6, 6);
  columns->setSpacing(6);
  columns->addLayout(left);
  columns->addLayout(right);
}

}  // namespace tessaro
