// The print button of the tab "Drucken": the whole poster as one print job.
#include <QApplication>

#include "app/MainForm.h"
#include "app/PrintTab.h"
#include "platform/MessageBoxes.h"
#include "print/PosterPrintJob.h"

namespace tessaro {

void TMainForm::PrintBtnClick() {
  print_->GoBtn1->release();
  PosterPrintRequest request;
  request.order = print_->RadioButton1->isChecked() ? PrintOrder::Rows : PrintOrder::Columns;
  request.skipExcluded = !print_->RadioButton3->isChecked();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const PosterPrintResult result =
      printPoster(printer_, state_.Picture, state_.poster, state_.options, glueMargins(), state_.SheetOff, request,
                  [this](int32_t position, int32_t maximum) {
                    print_->ProgressBar1->setMaximum(std::max(1, maximum));
                    print_->ProgressBar1->setValue(position);
                    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
                  });
  QApplication::restoreOverrideCursor();
  print_->ProgressBar1->setValue(0);
  if (!result.ok()) {
    messageBoxes().tell(this, QStringLiteral("Fehler"), QString::fromStdString(result.message),
                        MessageBoxes::Icon::Error);
    return;
  }
  const std::string file = printer_.jobFile();
  if (result.status == PosterPrintResult::Status::Printed && !file.empty())
    messageBoxes().tell(this, QStringLiteral("Drucken"),
                        QStringLiteral("Es ist kein Drucker eingerichtet. Das Poster wurde in die Datei \"%1\" "
                                       "geschrieben.")
                            .arg(QString::fromStdString(file)),
                        MessageBoxes::Icon::Information);
}

}  // namespace tessaro
