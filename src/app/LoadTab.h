#pragma once
// The tab "Motiv laden": drive, folder and file lists with a file-type box, the small preview
// and the picture's width, height and colour count.
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
  // Shows `dir` in the folder list, makes it the current directory and lists its files.
  bool showDirectory(const QString& dir);
  QString currentDirectory() const { return dir_; }
  // The file chosen in the file list, resolved against the shown folder; empty when none.
  QString selectedFile() const;

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
  QString dir_;
  QStringList masks_;
};

}  // namespace tessaro
