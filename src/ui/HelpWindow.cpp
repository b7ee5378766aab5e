#include "ui/HelpWindow.h"

#include <QFileInfo>
#include <QUrl>

namespace tessaro {

HelpWindow::HelpWindow(QWidget* parent) : QTextBrowser(parent) {
  setObjectName("HelpWindow");
  // Qt adds the program's display name to every title.
  setWindowTitle(QStringLiteral("Hilfe"));
  setOpenExternalLinks(true);
  resize(640, 520);
}

bool HelpWindow::showContents(const QString& file) {
  if (!QFileInfo(file).isReadable()) return false;
  setSource(QUrl::fromLocalFile(file));
  show();
  raise();
  activateWindow();
  return true;
}

}  // namespace tessaro
