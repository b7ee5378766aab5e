#pragma once
// The tab "Motiv laden": drive, folder and file lists with a file-type box, the small preview
// and the picture's width, height and colour count.
#include <QByteArray>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

#include "app/PaintBox.h"

namespace tessaro {

class LoadTab : public QWidget {
  Q_OBJECT
 public:
  explicit LoadTab(QWidget* parent = nullptr);

  // Fills the file-type box from a filter text: pairs of description and masks, separated by '|'.
  void setFilter(const QString& filter);
  // Shows `dir` in the folder list and lists its files. The tab keeps the folder as its own; the
  // process's working folder stays where it is.
  bool showDirectory(const QString& dir);
  // The shown folder for display; names that are not UTF-8 carry U+FFFD.
  QString currentDirectory() const;
  // The file chosen in the file list as the bytes the file system knows it by, resolved against
  // the shown folder; empty when none.
  QByteArray selectedFile() const;

  QComboBox* DriveComboBox1;
  QListWidget* DirectoryListBox1;
  QListWidget* FileListBox1;
  QComboBox* FilterComboBox1;
  QProgressBar* ShowProzent;
  QLineEdit *Breit, *Hoch, *Tief;
  PaintBox* PaintBox1;
  QPushButton *SizeBtn, *FTiefeBtn;

 signals:
  // Double click or Enter on a file.
  void fileChosen();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void fillDrives();
  void refreshFiles();
  bool enterDirectory(const QByteArray& path);
  // Byte-exact: folder names from other systems need not be UTF-8, and a QString cannot carry
  // such names back to the file system.
  QByteArray dir_;
  QStringList masks_;
};

}  // namespace tessaro
