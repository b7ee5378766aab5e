#include "ui/DepthDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/DialogFit.h"

namespace tessaro {

namespace {

constexpr Qt::WindowFlags kDialogFlags =
    Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
constexpr int kDepths[] = {1, 4, 8, 24};

QPushButton* dialogButton(const char* name, const QString& caption, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

QRadioButton* radio(const char* name, const QString& caption, bool checked, QWidget* parent) {
  auto* r = new QRadioButton(caption, parent);
  r->setObjectName(name);
  r->setChecked(checked);
  return r;
}

QHBoxLayout* okCancel(QPushButton* ok, QPushButton* cancel) {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

}  // namespace

TDepthChangeForm::TDepthChangeForm(QWidget* parent) : QDialog(parent, kDialogFlags) {
  setObjectName("DepthChangeForm");
  setWindowTitle(QStringLiteral("Anzahl der Farben ändern"));
  setMinimumSize(301, 118);
  ColorBox = new QComboBox(this);
  ColorBox->setObjectName("ColorBox");
  ColorBox->addItems({QStringLiteral("1 Bit - 2 Farben"), QStringLiteral("4 Bit - 16 Farben"),
                      QStringLiteral("8 Bit - 256 Farben"), QStringLiteral("24 Bit - 16,7 Mill. Farben")});
  ColorBox->setAccessibleName(QStringLiteral("Anzahl der Farben"));
  auto* info = new QLabel(QStringLiteral("Info: Je mehr Farben, desto größer der Speicherbedarf!"), this);
  info->setObjectName("RxLabel1");
  info->setWordWrap(true);
  auto* bevel = new QFrame(this);
  bevel->setObjectName("Bevel1");
  bevel->setFrameShape(QFrame::HLine);
  BitBtn1 = dialogButton("BitBtn1", QStringLiteral("OK"), this);
  BitBtn1->setDefault(true);
  BitBtn2 = dialogButton("BitBtn2", QStringLiteral("Abbrechen"), this);
  auto* all = new QVBoxLayout(this);
  all->addWidget(ColorBox);
  all->addWidget(info);
  all->addStretch(1);
  all->addWidget(bevel);
  all->addLayout(okCancel(BitBtn1, BitBtn2));
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
  keepTextsWhole(*this);
}

int TDepthChangeForm::itemOf(int bitCount) {
  for (int i = 0; i < 4; ++i)
    if (kDepths[i] == bitCount) return i;
  return 0;
}

int TDepthChangeForm::chosenBits() const {
  const int item = ColorBox->currentIndex();
  return item >= 0 && item < 4 ? kDepths[item] : 24;
}

TDepthDownForm::TDepthDownForm(QWidget* parent) : QDialog(parent, kDialogFlags) {
  setObjectName("DepthDownForm");
  setWindowTitle(QStringLiteral("Farbtiefe verkleinern..."));
  setMinimumSize(568, 131);
  auto* palette = new QGroupBox(QStringLiteral("Palette"), this);
  OptPalCheck = radio("OptPalCheck", QStringLiteral("&Optimierte Palette"), true, palette);
  StdPalCheck = radio("StdPalCheck", QStringLiteral("&Standard-Palette"), false, palette);
  auto* method = new QGroupBox(QStringLiteral("Methode"), this);
  NearCheck = radio("NearCheck", QStringLiteral("Am besten &passende Farbe"), false, method);
  DitherCheck = radio("DitherCheck", QStringLiteral("&Dithering für Standard-Palette"), false, method);
  FSErrCheck = radio("FSErrCheck", QStringLiteral("&Floyd-Steinberg Fehlerverteilung"), true, method);
  auto* options = new QGroupBox(QStringLiteral("Optionen"), this);
  WinColCheck = new QCheckBox(QStringLiteral("&Systemfarben einbinden"), options);
  WinColCheck->setObjectName("WinColCheck");
  WinColCheck->setChecked(true);
  BitBtn1 = dialogButton("BitBtn1", QStringLiteral("&OK"), this);
  BitBtn1->setDefault(true);
  BitBtn2 = dialogButton("BitBtn2", QStringLiteral("A&bbrechen"), this);

  auto* pl = new QVBoxLayout(palette);
  pl->addWidget(OptPalCheck);
  pl->addWidget(StdPalCheck);
  pl->addStretch(1);
  auto* ml = new QVBoxLayout(method);
  for (QRadioButton* r : {NearCheck, DitherCheck, FSErrCheck}) ml->addWidget(r);
  ml->addStretch(1);
  auto* ol = new QVBoxLayout(options);
  ol->addWidget(WinColCheck);
  ol->addStretch(1);
  auto* groups = new QHBoxLayout;
  for (QGroupBox* g : {palette, method, options}) groups->addWidget(g);
  auto* all = new QVBoxLayout(this);
  all->addLayout(groups);
  all->addLayout(okCancel(BitBtn1, BitBtn2));

  connect(OptPalCheck, &QRadioButton::clicked, this, &TDepthDownForm::OptPalCheckClick);
  connect(StdPalCheck, &QRadioButton::clicked, this, &TDepthDownForm::StdPalCheckClick);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
  keepTextsWhole(*this);
}

void TDepthDownForm::setUp(int bits) {
  const bool eight = bits == 8;
  OptPalCheck->setEnabled(bits != 1);
  StdPalCheck->setEnabled(bits != 1);
  NearCheck->setEnabled(true);
  DitherCheck->setEnabled(eight && !OptPalCheck->isChecked());
  FSErrCheck->setEnabled(true);
  WinColCheck->setEnabled(eight);
  DitherAllowed = eight;
}

void TDepthDownForm::OptPalCheckClick() { paletteClicked(); }
void TDepthDownForm::StdPalCheckClick() { paletteClicked(); }

void TDepthDownForm::paletteClicked() {
  DitherCheck->setEnabled(!OptPalCheck->isChecked() && DitherAllowed);
  WinColCheck->setEnabled(OptPalCheck->isChecked() && DitherAllowed);
  if (!DitherCheck->isEnabled() && DitherCheck->isChecked()) FSErrCheck->setChecked(true);
}

DepthDownChoice TDepthDownForm::choice() const {
  DepthDownChoice c;
  c.method = DitherCheck->isChecked() ? 2 : FSErrCheck->isChecked() ? 1 : 0;
  c.optimisedPalette = OptPalCheck->isChecked();
  c.systemColours = WinColCheck->isChecked();
  return c;
}

}  // namespace tessaro
