#include "ui/FloatEdit.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>

namespace tessaro {

FloatEdit::FloatEdit(QWidget* parent) : QAbstractSpinBox(parent) {
  connect(lineEdit(), &QLineEdit::textChanged, this, &FloatEdit::changed);
  connect(this, &QAbstractSpinBox::editingFinished, this, &FloatEdit::correct);
  writeText(floatText(format_.min, format_));
}

Ext FloatEdit::value() const { return floatValue(lineEdit()->text().toStdString(), format_); }

void FloatEdit::setValue(Ext v) { writeText(floatText(v, format_)); }

void FloatEdit::setText(const QString& text) { writeText(text.toStdString()); }

void FloatEdit::setRange(Ext min, Ext max) {
  format_.min = min;
  format_.max = std::max(min, max);
}

void FloatEdit::setDecimals(int decimals) { format_.decimals = std::clamp(decimals, 0, 18); }

void FloatEdit::stepBy(int steps) {
  writeText(steppedText(lineEdit()->text().toStdString(), steps, step_, format_));
  selectAll();
}

void FloatEdit::writeText(const std::string& text) {
  const QString t = QString::fromStdString(text);
  // QLineEdit announces only a text that differs; the same text is no change.
  if (lineEdit()->text() != t) lineEdit()->setText(t);
}

void FloatEdit::correct() {
  const std::optional<Ext> v = parseFloat(lineEdit()->text().toStdString());
  if (!v || *v < format_.min || *v > format_.max) setValue(v.value_or(format_.min));
}

QValidator::State FloatEdit::validate(QString& input, int&) const {
  input.replace(QLatin1Char(','), QLatin1Char('.'));
  for (const QChar c : input)
    if (!c.isDigit() && !QStringLiteral(".+-eE ").contains(c)) return QValidator::Invalid;
  return parseFloat(input.toStdString()) ? QValidator::Acceptable : QValidator::Intermediate;
}

QAbstractSpinBox::StepEnabled FloatEdit::stepEnabled() const {
  // Like the program's edits always did: both arrows work at the bounds too; the step is clamped.
  return isReadOnly() || !isEnabled() ? StepNone : (StepUpEnabled | StepDownEnabled);
}

QSize FloatEdit::sizeHint() const {
  ensurePolished();
  const QFontMetrics fm(font());
  const int textWidth = std::max(fm.horizontalAdvance(QString::fromStdString(floatText(format_.max, format_))),
                                 fm.horizontalAdvance(QString::fromStdString(floatText(format_.min, format_)))) +
                        fm.horizontalAdvance(QLatin1Char(' '));
  QStyleOptionSpinBox option;
  initStyleOption(&option);
  const QSize content(textWidth + 4, lineEdit()->sizeHint().height());
  return style()->sizeFromContents(QStyle::CT_SpinBox, &option, content, this);
}

}  // namespace tessaro
