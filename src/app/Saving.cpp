// Saving the current picture through the save dialog.
#include <QApplication>
#include <QFileDialog>

#include "app/MainForm.h"
#include "picture/CodecRegistry.h"
#include "platform/MessageBoxes.h"
#include "retouch/SavePicture.h"

namespace tessaro {

bool TMainForm::runQtSaveDialog(QWidget* parent, const QStringList& filters, int& filterIndex, QString& fileName,
                                const QString& startFolder) {
  // One dialog for the window's lifetime, so the entry chosen last stays chosen.
  static QString lastFolder;
  QFileDialog dialog(parent, QStringLiteral("Bild speichern unter"), lastFolder.isEmpty() ? startFolder : lastFolder);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(filters);
  if (filterIndex >= 1 && filterIndex <= filters.size()) dialog.selectNameFilter(filters[filterIndex - 1]);
  // The program adds the entry's extension itself and asks nothing before overwriting.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  fileName = dialog.selectedFiles().first();
  filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
  lastFolder = dialog.directory().absolutePath();
  return filterIndex >= 1;
}

void TMainForm::SaveBtnClick() {
  if (!offerRasterize()) return;
  const QStringList parts = QString::fromStdString(GetDIBSaveFilter()).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) filters << parts[i];
  QString chosen;
  int index = saveFilterIndex_;
  if (!runSaveDialog(this, filters, index, chosen)) return;
  saveFilterIndex_ = index;
  const SaveTarget target = saveTarget(chosen.toStdString(), index);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  FileError why;
  const bool saved = SaveDib(
      state_.Picture, target.fileName, target.format, [this](int p) { WMUser(p); }, &why);
  QApplication::restoreOverrideCursor();
  // A failed save is reported, with the reason so the user knows what to fix: the user must not
  // believe the picture is safe.
  if (!saved)
    messageBoxes().tell(
        this, QStringLiteral("Fehler"),
        QStringLiteral("Das Bild konnte nicht in der Datei \"%1\" gespeichert werden!\n%2")
            .arg(QString::fromStdString(target.fileName), QString::fromStdString(describeFileError(why))),
        MessageBoxes::Icon::Error);
}

}  // namespace tessaro
