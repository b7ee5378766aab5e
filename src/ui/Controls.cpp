#include "ui/Controls.h"

namespace tessaro {

namespace {
template <typename W>
W* named(W* w, const QString& name, const QString& hint) {
  w->setObjectName(name);
  w->setToolTip(hint);
  w->setAccessibleDescription(hint);
  return w;
}

QLocale pointLocale() {
  QLocale c = QLocale::c();
  c.setNumberOptions(QLocale::OmitGroupSeparator);
  return c;
}

}  // namespace

QLineEdit* readOnlyEdit(const QString& name, const QString& text, const QString& hint, QWidget* parent) {
  auto* e = named(new QLineEdit(text, parent), name, hint);
  e->setReadOnly(true);
  e->setFrame(false);
  e->setFocusPolicy(Qt::ClickFocus);
  // No white box: the window's background shows through, whatever the colour scheme.
  QPalette p = e->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    p.setColor(group, QPalette::Base, Qt::transparent);
  e->setPalette(p);
  return e;
}

QPushButton* pushButton(const char* name, const QString& caption, const QString& hint, QWidget* parent) {
  return named(new QPushButton(caption, parent), QString::fromLatin1(name), hint);
}

QCheckBox* checkBox(const QString& name, const QString& caption, bool checked, const QString& hint, QWidget* parent) {
  auto* c = named(new QCheckBox(caption, parent), name, hint);
  c->setChecked(checked);
  return c;
}

FloatEdit* floatEdit(const QString& name, Ext min, Ext max, Ext step, Ext value, int decimals, const QString& hint,
                     QWidget* parent) {
  auto* e = named(new FloatEdit(parent), name, hint);
  e->setDecimals(decimals);
  e->setRange(min, max);
  e->setSingleStep(step);
  e->setValue(value);
  return e;
}

QSpinBox* intEdit(const QString& name, int min, int max, int value, const QString& hint, QWidget* parent) {
  auto* e = named(new QSpinBox(parent), name, hint);
  e->setLocale(pointLocale());
  e->setRange(min, max);
  e->setValue(value);
  return e;
}

QProgressBar* progressBar(const QString& name, const QString& hint, QWidget* parent) {
  auto* p = named(new QProgressBar(parent), name, hint);
  p->setRange(0, 100);
  p->setValue(0);
  p->setAccessibleName(hint);
  return p;
}

QLabel* labelFor(const QString& caption, QWidget* buddy, QWidget* parent) {
  auto* l = new QLabel(caption, parent);
  l->setBuddy(buddy);
  if (buddy) buddy->setAccessibleName(QString(caption).remove('&').remove(':'));
  return l;
}

QHBoxLayout* okCancelRow(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel) {
  ok = new QPushButton(QStringLiteral("OK"), dialog);
  ok->setObjectName("OkBtn");
  ok->setDefault(true);
  cancel = new QPushButton(QStringLiteral("Abbrechen"), dialog);
  cancel->setObjectName("CancelBtn");
  QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(ok);
  row->addWidget(cancel);
  row->addStretch(1);
  return row;
}

}  // namespace tessaro
