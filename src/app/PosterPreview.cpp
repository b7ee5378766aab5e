// The poster preview on the tab "Druckgröße" and clicking sheets out of it.
#include <QPainter>

#include <cmath>

#include "app/MainForm.h"
#include "app/PosterSizeTab.h"
#include "app/SettingsTab.h"
#include "layout/PreviewGrid.h"
#include "platform/QtDevice.h"

namespace tessaro {

PreviewBox TMainForm::previewBox() const {
  PreviewBox b;
  b.width = posterSize_->VorschauBox()->width();
  b.height = posterSize_->VorschauBox()->height();
  b.zoom = posterSize_->ZoomEd->value();
  b.zoomBaseHeight = state_.ZoomBaseHeight;
  b.pageWidth = metrics_.pageWidth;
  b.pageHeight = metrics_.pageHeight;
  // "Prüfmaß auf jedem Blatt": the 50 mm bar.
  if (settings_->RulerCheck->isChecked()) b.rulerLength = static_cast<int32_t>(std::lround(50 * metrics_.dpiX / 25.4));
  return b;
}

void TMainForm::VorschauBoxPaint(QPainter& painter) {
  QtDevice dc(painter);
  const PreviewBox box = previewBox();
  paintPreview(dc, state_.Picture, box, state_.poster, state_.options, glueMargins(), state_.SheetOff,
               settings_->LabelsCheck->isChecked(), dotBands(box));
}

void TMainForm::VorschauBoxMouseDown(int x, int y) {
  if (clickPreview(state_.SheetOff, x, y, previewBox(), state_.poster, state_.options, glueMargins()))
    posterSize_->VorschauBox()->repaint();
}

}  // namespace tessaro
