// The filter list and "&Go" of the tab "Retuschieren": a palette picture is raised to 24 bits
// after a question, the filtered picture is shown, and the user decides whether to keep it. The
// raise and the filter are kept or dropped together, as one undo step.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>

#include "app/LoadTab.h"
#include "app/MainForm.h"
#include "app/RetouchTab.h"
#include "platform/MessageBoxes.h"
#include "retouch/Filters.h"
#include "state/PictureLoad.h"

namespace tessaro {

namespace {

// A progress report that also keeps the window painted while the core works.
ProgressFn barProgress(QProgressBar* bar) {
  return [bar](int percent) {
    bar->setValue(percent);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
}

}  // namespace

void TMainForm::GoFilterBtnClick() {
  if (!offerRasterize()) return;
  const int index = std::clamp(retouch_->FilterComboBox->currentIndex(), 0, kFilterCount - 1);
  TDib raised;  // the picture at 24 bits, when it had a palette
  if (DibColors(state_.Picture) <= 256) {
    if (!messageBoxes().askYesNo(
            this, QStringLiteral("Farbtiefe anpassen?"),
            QStringLiteral("Für diese Aktion muß die Farbtiefe des Bildes auf 16,7 Millionen Farben hochgerechnet "
                           "werden, dadurch erhöht sich der Speicherbedarf. Wollen Sie fortfahren?"),
            MessageBoxes::Icon::Question))
      return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    raised = DepthUpTo(state_.Picture, 24, depthRandom,
                       {barProgress(load_->ShowProzent), barProgress(retouch_->ProRetusche)});
    QApplication::restoreOverrideCursor();
    load_->ShowProzent->setValue(0);
    retouch_->ProRetusche->setValue(0);
    if (raised.empty()) {
      messageBoxes().tell(this, QStringLiteral("Fehler"),
                          QStringLiteral("Die Farbtiefe konnte nicht hochgerechnet werden (Speichermangel?)."),
                          MessageBoxes::Icon::Error);
      return;
    }
  }
  DibFilter(FilterTable[static_cast<size_t>(index)], std::move(raised));
}

void TMainForm::DibFilter(const TFilterDef& f, TDib raised) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  TDib result = filterDib(raised.empty() ? state_.Picture : raised, f, barProgress(retouch_->ProRetusche));
  QApplication::restoreOverrideCursor();
  retouch_->ProRetusche->setValue(0);
  if (result.empty()) {
    messageBoxes().tell(this, QStringLiteral("Fehler"),
                        QStringLiteral("Fehler: Nicht genügend Speicher für diese Aktion!"), MessageBoxes::Icon::Error);
    return;
  }
  raised = {};
  // The result is shown while the question is open; the old picture waits untouched.
  TDib before = std::move(state_.Picture);
  state_.Picture = std::move(result);
  pictureChanged();
  retouch_->PaintBox2()->repaint();
  if (messageBoxes().askYesNo(this, QStringLiteral("Ist das Ergebnis Ok?"),
                              QStringLiteral("Wollen Sie das Ergebnis behalten?"), MessageBoxes::Icon::Question))
    recordStep(currentStep(std::move(before)));
  else
    state_.Picture = std::move(before);
  load_->Tief->setText(QString::number(zweihoch(DibBitCount(state_.Picture))));
  pictureChanged();
}

}  // namespace tessaro
