// Loading a picture from the file list, the picture info and the small preview.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include "app/LoadTab.h"
#include "app/MainForm.h"
#include "app/Remembered.h"
#include "app/SettingsTab.h"
#include "picture/DrawDib.h"
#include "platform/MessageBoxes.h"
#include "platform/QtDevice.h"
#include "state/PictureLoad.h"

namespace tessaro {

void TMainForm::FileListBox1DblClick() {
  const QByteArray file = load_->selectedFile();
  if (file.isEmpty()) return;  // nothing chosen: nothing to load, nothing to say
  openFile(file);
}

bool TMainForm::openFile(const QByteArray& file) {
  ReadOptions read{settings_->AutoOrientCheck->isChecked(), settings_->ProfileCheck->isChecked()};
  if (!choosePage(file, read.page)) return false;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // Keep the window painted while the bars move, without taking new clicks mid-load.
  FileError why;
  const QString name = QFileInfo(QFile::decodeName(file)).fileName();
  const auto acceptDamage = [&](const FileError& damage) {
    QApplication::restoreOverrideCursor();
    const bool yes = messageBoxes().askYesNo(
        this, QStringLiteral("Beschädigte Datei"),
        QStringLiteral("Die Datei „%1“ ist ab Byte %2 beschädigt. Das Bild kann Fehler enthalten. Trotzdem laden?")
            .arg(name)
            .arg(damage.offset),
        MessageBoxes::Icon::Warning, true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    return yes;
  };
  const bool loaded = loadPictureFile(
      state_, file.toStdString(),
      [this](int percent) {
        WMUser(percent);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      },
      &why, acceptDamage, read);
  QApplication::restoreOverrideCursor();
  if (!loaded && !why) return false;  // a damaged picture the user chose not to load
  if (!loaded) {
    // The program's message first, then which file and why, so the user knows what to fix.
    const QString reason = QString::fromStdString(describeFileError(why));
    messageBoxes().tell(this, QStringLiteral("Fehler"),
                        QStringLiteral("Die Datei konnte nicht geladen werden!\n%1: %2")
                            .arg(name, reason),
                        MessageBoxes::Icon::Error);
    return false;
  }
  // Undo steps belong to the picture they were made on.
  history_.clear();
  updateUndoButtons();
  showPictureInfo();
  by_anpassen();
  pictureChanged();
  // The load tab moves to the picture's folder (already there when it came from the file list),
  // and the next run starts there.
  const qsizetype slash = file.lastIndexOf('/');
  const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : file.left(slash);
  if (folder != load_->folder()) load_->showFolder(folder);
  load_->selectFile(file.mid(slash + 1));
  rememberFolder(load_->folder());
  return true;
}

void TMainForm::showPictureInfo() {
  if (showPageInfo()) return;
  load_->Breit->setText(QString::number(DibWidth(state_.Picture)));
  load_->Hoch->setText(QString::number(DibHeight(state_.Picture)));
  load_->Tief->setText(QString::number(zweihoch(DibBitCount(state_.Picture))));
  load_->Aufl->setText(QString::fromStdString(resolutionText(state_.Picture.Dpi)));
}

void TMainForm::PaintBox1Paint(QPainter& painter) {
  const TDib& pic = state_.Picture;
  const PreviewSize fit =
      fitPreview(load_->PaintBox1->width(), load_->PaintBox1->height(), DibWidth(pic), DibHeight(pic));
  if (fit.width <= 0 || fit.height <= 0) return;
  QtDevice dc(painter);
  DrawDib(dc, 0, 0, fit.width, fit.height, pic, 0, 0, DibWidth(pic), DibHeight(pic), true, SRCCOPY);
}

}  // namespace tessaro
