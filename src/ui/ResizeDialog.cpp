#include "ui/ResizeDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "common/Numbers.h"
#include "ui/Controls.h"
#include "ui/DialogFit.h"

namespace tessaro {

namespace {

constexpr int kMaxSide = 32767;
const QString kSverhKey = QStringLiteral("SverhCheck.Checked");
const QString kInterpolKey = QStringLiteral("InterpolCheck.Checked");

// The program's settings, under the same names as the printer chosen last.
QSettings settings() { return QSettings(QStringLiteral("Tessaro"), QStringLiteral("Tessaro")); }

}  // namespace

TResizeForm::TResizeForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName("ResizeForm");
  setWindowTitle(QStringLiteral("Größe verändern"));
  setMinimumSize(306, 191);
  BreitEdit = intEdit("BreitEdit", 1, kMaxSide, 1, {}, this);
  HochEdit = intEdit("HochEdit", 1, kMaxSide, 1, {}, this);
  const QSettings stored = settings();
  SverhCheck = checkBox("SverhCheck", QStringLiteral("Seitenverhältnis beibehalten"),
                        stored.value(kSverhKey, true).toBool(), {}, this);
  InterpolCheck = checkBox("InterpolCheck", QStringLiteral("Farbwerte interpolieren (16,7 Mill. Farben)"),
                           stored.value(kInterpolKey, true).toBool(), {}, this);

  auto* edits = new QGridLayout;
  edits->addWidget(labelFor(QStringLiteral("Neue Breite:"), BreitEdit, this), 0, 0);
  edits->addWidget(BreitEdit, 0, 1);
  edits->addWidget(labelFor(QStringLiteral("Neue Höhe:"), HochEdit, this), 1, 0);
  edits->addWidget(HochEdit, 1, 1);
  edits->setColumnStretch(1, 1);
  QHBoxLayout* buttons = okCancelRow(this, OkBtn, CancelBtn);
  auto* all = new QVBoxLayout(this);
  all->addLayout(edits);
  all->addSpacing(8);
  all->addWidget(SverhCheck);
  all->addWidget(InterpolCheck);
  all->addStretch(1);
  all->addLayout(buttons);

  connect(BreitEdit, &QSpinBox::valueChanged, this, &TResizeForm::BreitEditChange);
  connect(HochEdit, &QSpinBox::valueChanged, this, &TResizeForm::HochEditChange);
  connect(SverhCheck, &QCheckBox::clicked, this, &TResizeForm::SverhCheckClick);
  keepTextsWhole(*this);
}

// Writes `partner` from `leader` in the picture's proportion, rounded (halves to even) and held
// to the edits' range. The guard is cleared again once the write is done: when the partner's
// value does not change its handler never runs, and a guard left standing would swallow the
// next change the user makes.
void TResizeForm::follow(QSpinBox* partner, QSpinBox* leader, int32_t partnerSide, int32_t leaderSide) {
  if (!SverhCheck->isChecked() || Syncing || leaderSide <= 0) {
    Syncing = false;
    return;
  }
  Syncing = true;
  const Ext v = static_cast<Ext>(leader->value()) * partnerSide / leaderSide;
  partner->setValue(static_cast<int>(std::clamp<int64_t>(Round64(v), 1, kMaxSide)));
  Syncing = false;
}

void TResizeForm::BreitEditChange() { follow(HochEdit, BreitEdit, OrigHeight, OrigWidth); }
void TResizeForm::HochEditChange() { follow(BreitEdit, HochEdit, OrigWidth, OrigHeight); }
void TResizeForm::SverhCheckClick() { BreitEditChange(); }
void TResizeForm::FormActivate() { Syncing = false; }

void TResizeForm::prepare(int32_t width, int32_t height, int bitCount) {
  InterpolCheck->setEnabled(bitCount > 8);
  OrigWidth = width;
  OrigHeight = height;
  BreitEdit->setValue(width);
  HochEdit->setValue(height);
  FormActivate();
}

void TResizeForm::readResult(int32_t& newW, int32_t& newH, bool& interpolate) const {
  interpolate = InterpolCheck->isChecked();
  newW = BreitEdit->value();
  newH = HochEdit->value();
}

void TResizeForm::accept() {
  QSettings stored = settings();
  stored.setValue(kSverhKey, SverhCheck->isChecked());
  stored.setValue(kInterpolKey, InterpolCheck->isChecked());
  QDialog::accept();
}

bool TResizeForm::run(QWidget* parent, int32_t width, int32_t height, int bitCount, int32_t& newW, int32_t& newH,
                      bool& interpolate) {
  TResizeForm form(parent);
  form.prepare(width, height, bitCount);
  if (form.exec() != QDialog::Accepted) return false;
  form.readResult(newW, newH, interpolate);
  return true;
}

}  // namespace tessaro
