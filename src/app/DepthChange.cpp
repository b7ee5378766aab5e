// The colour depth button of the load tab: the colour-count dialog, and for a reduction the
// options dialog, then the core's raise or reduction as one undoable step.
#include <QPushButton>

#include "app/LoadTab.h"
#include "app/MainForm.h"
#include "state/PictureLoad.h"
#include "ui/DepthDialogs.h"

namespace tessaro {

void TMainForm::FTiefeBtnClick() {
  if (!offerRasterize()) return;
  if (!depthChange_) depthChange_ = new TDepthChangeForm(this);
  if (!depthDown_) depthDown_ = new TDepthDownForm(this);
  const int current = DibBitCount(state_.Picture);
  depthChange_->ColorBox->setCurrentIndex(TDepthChangeForm::itemOf(current));
  if (runDialog(*depthChange_) != QDialog::Accepted) return;
  const int target = depthChange_->chosenBits();
  if (target < current) {
    depthDown_->setUp(target);
    if (runDialog(*depthDown_) == QDialog::Accepted) {
      const DepthDownChoice c = depthDown_->choice();
      const DepthOptions options{target, c.optimisedPalette, static_cast<DepthMethod>(c.method), c.systemColours};
      replacePicture(
          [&options](const TDib& p, const ProgressFn& progress) {
            return DepthDownTo(p, options, {progress, {}});
          },
          Refit::None, load_->ShowProzent);
    }
  } else if (target > current) {
    replacePicture(
        [this, target](const TDib& p, const ProgressFn& progress) {
          return DepthUpTo(p, target, depthRandom, {progress, {}});
        },
        Refit::None, load_->ShowProzent);
  }
  // Also when nothing was converted: the count of the picture now current.
  load_->Tief->setText(QString::number(zweihoch(DibBitCount(state_.Picture))));
  load_->PaintBox1->update();
}

}  // namespace tessaro
