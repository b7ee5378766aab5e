#pragma once
// The program's own help window, showing the HTML help installed beside the program.
#include <QTextBrowser>

namespace tessaro {

class HelpWindow : public QTextBrowser {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);
  // Shows the contents page of `file`; false when the file cannot be read.
  bool showContents(const QString& file);
};

}  // namespace tessaro
