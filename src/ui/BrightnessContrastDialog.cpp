#include "ui/BrightnessContrastDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "ui/Controls.h"
#include "ui/DialogFit.h"

namespace tessaro {

namespace {

// A slider without tick marks, and beside it the number it stands at: the user has to see the
// values to repeat a setting.
QSlider* slider(const QString& name, int min, int max, int value, QLabel*& shown, QWidget* parent) {
  auto* s = new QSlider(Qt::Horizontal, parent);
  s->setObjectName(name);
  s->setRange(min, max);
  s->setValue(value);
  s->setTickPosition(QSlider::NoTicks);
  s->setPageStep(10);
  shown = new QLabel(QString::number(value), parent);
  shown->setObjectName(name + "Value");
  shown->setMinimumWidth(shown->fontMetrics().horizontalAdvance(QStringLiteral("-127")));
  shown->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  QObject::connect(s, &QSlider::valueChanged, shown, [shown](int v) { shown->setText(QString::number(v)); });
  return s;
}

QPushButton* button(const QString& name, const QString& caption, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

}  // namespace

THKForm::THKForm(PreviewFn preview, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      preview_(std::move(preview)) {
  setObjectName("HKForm");
  setWindowTitle(QStringLiteral("Helligkeit und Kontrast"));
  setMinimumSize(320, 217);
  TrackBar1 = slider("TrackBar1", -127, 127, 0, TrackBar1Value, this);
  TrackBar2 = slider("TrackBar2", 0, 200, 100, TrackBar2Value, this);
  VschauBitBtn4 = button("VschauBitBtn4", QStringLiteral("&Vorschau"), this);
  BacksetBitBtn3 = button("BacksetBitBtn3", QStringLiteral("&Zurücksetzen"), this);
  OkBitBtn1 = button("OkBitBtn1", QStringLiteral("OK"), this);
  OkBitBtn1->setDefault(true);
  CancelBitBtn2 = button("CancelBitBtn2", QStringLiteral("Abbrechen"), this);

  auto* sliders = new QGridLayout;
  sliders->addWidget(labelFor(QStringLiteral("Helligkeit:"), TrackBar1, this), 0, 0);
  sliders->addWidget(TrackBar1, 0, 1);
  sliders->addWidget(TrackBar1Value, 0, 2);
  sliders->addWidget(labelFor(QStringLiteral("Kontrast:"), TrackBar2, this), 1, 0);
  sliders->addWidget(TrackBar2, 1, 1);
  sliders->addWidget(TrackBar2Value, 1, 2);
  sliders->setColumnStretch(1, 1);
  auto* tryOut = new QVBoxLayout;
  tryOut->addWidget(VschauBitBtn4);
  tryOut->addWidget(BacksetBitBtn3);
  auto* tryRow = new QHBoxLayout;
  tryRow->addLayout(tryOut);
  tryRow->addStretch(1);
  auto* closeRow = new QHBoxLayout;
  closeRow->addStretch(1);
  closeRow->addWidget(OkBitBtn1);
  closeRow->addWidget(CancelBitBtn2);
  auto* all = new QVBoxLayout(this);
  all->addLayout(sliders);
  all->addLayout(tryRow);
  all->addStretch(1);
  all->addLayout(closeRow);

  connect(VschauBitBtn4, &QPushButton::clicked, this, &THKForm::TrackBar1Change);
  connect(BacksetBitBtn3, &QPushButton::clicked, this, &THKForm::BacksetBitBtn3Click);
  connect(OkBitBtn1, &QPushButton::clicked, this, &THKForm::OkBitBtn1Click);
  connect(CancelBitBtn2, &QPushButton::clicked, this, &QDialog::reject);
  keepTextsWhole(*this);
}

void THKForm::TrackBar1Change() {
  if (preview_) preview_(TrackBar1->value(), TrackBar2->value());
}

void THKForm::OkBitBtn1Click() {
  TrackBar1Change();
  accept();
}

void THKForm::BacksetBitBtn3Click() {
  TrackBar1->setValue(0);
  TrackBar2->setValue(100);
}

}  // namespace tessaro
