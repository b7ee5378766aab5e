#pragma once
// The tab "Motiv laden": drive, folder and file lists with a file-type box, the small preview
// and the picture's width, height and colour count. The lists follow changes to the shown folder.
#include <QByteArray>
#include <QComboBox>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include "app/PaintBox.h"

namespace tessaro {

class LoadTab : public QWidget {
  Q_OBJECT
 public:
  explicit LoadTab(QWidget* parent = nullptr);
  ~LoadTab() override;

  // Fills the file-type box from a filter text: pairs of description and masks, separated by '|'.
  void setFilter(const QString& filter);
  // Shows `dir` in the folder list and lists its files. The tab keeps the folder as its own; the
  // process's working folder stays where it is.
  bool showDirectory(const QString& dir);
  // As showDirectory, with the folder's name as the file system's bytes.
  bool showFolder(const QByteArray& dir) { return enterDirectory(dir); }
  // The shown folder as the file system's bytes.
  const QByteArray& folder() const { return dir_; }
  // The shown folder for display; names that are not UTF-8 carry U+FFFD.
  QString currentDirectory() const;
  // The file chosen in the file list as the bytes the file system knows it by, resolved against
  // the shown folder; empty when none.
  QByteArray selectedFile() const;
  // Chooses the file called `name` (the file system's bytes, no folder) in the file list, if it
  // is listed.
  void selectFile(const QByteArray& name);

  QComboBox* DriveComboBox1;
  // The shown folder's path, elided in the middle; the whole path is its tool tip.
  QLabel* PathLabel;
  QListWidget* DirectoryListBox1;
  QListWidget* FileListBox1;
  QComboBox* FilterComboBox1;
  QProgressBar* ShowProzent;
  QLineEdit *Breit, *Hoch, *Tief, *Aufl;
  PaintBox* PaintBox1;
  QPushButton *SizeBtn, *FTiefeBtn;
  // Shown only while the picture is a vector page.
  QPushButton* RasterBtn;

 signals:
  // Double click or Enter on a file.
  void fileChosen();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  void fillDrives();
  // The info fields hold the widest number they can show, in the current font.
  void fitInfoFields();
  void filterChanged();
  void refreshFiles();
  bool enterDirectory(const QByteArray& path);
  // As enterDirectory, but says so when the folder cannot be opened.
  void openDirectory(const QByteArray& path);
  // Re-reads the shown folder after it changed on disk.
  void folderChanged();
  void watchFolder();
  // The drive entry whose root holds the shown folder, the longest such root.
  void matchDrive();
  void showPath();
  // Byte-exact: folder names from other systems need not be UTF-8, and a QString cannot carry
  // such names back to the file system.
  QByteArray dir_;
  // The file-type box's current masks.
  QStringList masks_;
  QFileSystemWatcher watcher_;
  // Several changes in a row cost one re-read.
  QTimer changed_;
  // Folders whose names a QString cannot carry are watched through an open descriptor.
  int watchedFd_ = -1;
};

}  // namespace tessaro
