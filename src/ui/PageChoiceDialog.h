#pragma once
// "Seite wählen": which page of a PDF file with several pages to open, with a small preview of
// the page the number names.
#include <QDialog>
#include <string>

class QLabel;
class QPushButton;
class QSpinBox;

namespace tessaro {

class PageChoiceDialog : public QDialog {
  Q_OBJECT
 public:
  // For the file at `path` (the file system's bytes) with `pageCount` pages; page 1 is shown.
  PageChoiceDialog(const std::string& path, int pageCount, QWidget* parent = nullptr);

  // The chosen page, 1-based.
  int page() const;

  QSpinBox* PageEdit;
  QLabel* Preview;
  QPushButton* OkBtn;
  QPushButton* CancelBtn;

 private:
  // Draws the chosen page at the preview's size only: a page may be far larger than the screen.
  void showPage();

  std::string path_;
};

}  // namespace tessaro
