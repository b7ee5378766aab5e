#include "app/Controls.h"

namespace tessaro {

namespace {
template <typename W>
W* named(W* w, const QString& name, const QString& hint) {
  w->setObjectName(name);
  w->setToolTip(hint);
  w->setAccessibleDescription(hint);
  return w;
}
}  // namespace

QLineEdit* readOnlyEdit(const QString& name, const QString& text, const QString& hint, QWidget* parent) {
  auto* e = named(new QLineEdit(text, parent), name, hint);
  e->setReadOnly(true);
  return e;
}

QCheckBox* checkBox(const QString& name, const QString& caption, bool checked, const QString& hint, QWidget* parent) {
  auto* c = named(new QCheckBox(caption, parent), name, hint);
  c->setChecked(checked);
  return c;
}

QDoubleSpinBox* floatEdit(const QString& name, double min, double max, double step, double value, int decimals,
                          const QString& hint, QWidget* parent) {
  auto* e = named(new QDoubleSpinBox(parent), name, hint);
  e->setDecimals(decimals);
  e->setRange(min, max);
  e->setSingleStep(step);
  e->setValue(value);
  return e;
}

QSpinBox* intEdit(const QString& name, int min, int max, int value, const QString& hint, QWidget* parent) {
  auto* e = named(new QSpinBox(parent), name, hint);
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

}  // namespace tessaro
