#pragma once
// A number edit whose text is the truth, as the program's float edits have always worked: a
// value written into it becomes text with a fixed count of decimals (clamped to the range),
// reading it parses the text in extended precision, an arrow click writes the stepped value's
// rounded text, and `changed` is emitted whenever the text changes, typed or written, but not
// when a write leaves the text as it was. A point is the decimal sign in every locale; a typed
// comma becomes one.
#include <QAbstractSpinBox>

#include "common/FloatText.h"

namespace tessaro {

class FloatEdit : public QAbstractSpinBox {
  Q_OBJECT
 public:
  explicit FloatEdit(QWidget* parent = nullptr);

  Ext value() const;
  void setValue(Ext v);
  // Puts `text` in as it stands (restoring an earlier state); `changed` follows if it differs.
  void setText(const QString& text);
  void setRange(Ext min, Ext max);
  void setDecimals(int decimals);
  int decimals() const { return format_.decimals; }
  Ext minimum() const { return format_.min; }
  Ext maximum() const { return format_.max; }
  void setSingleStep(Ext step) { step_ = step; }
  Ext singleStep() const { return step_; }

  void stepBy(int steps) override;
  QValidator::State validate(QString& input, int& pos) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 signals:
  void changed();

 protected:
  StepEnabled stepEnabled() const override;

 private:
  void writeText(const std::string& text);
  // Leaving the edit puts a value beyond the range, or text that is no number, right.
  void correct();

  FloatFormat format_{0, 99, 2};
  Ext step_ = 1;
};

}  // namespace tessaro
