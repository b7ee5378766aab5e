#include <QApplication>
#include <QScreen>
#include <QTimer>

#include "app/MainForm.h"
#include "app/Translations.h"
#include "picture/DrawDib.h"
#include "platform/QtPrintService.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(tessaro::kProgramTitle);
  QApplication::setApplicationDisplayName(tessaro::kProgramTitle);
  tessaro::installQtGermanTranslations();
  tessaro::setScreenBitsPerPixel(QApplication::primaryScreen() ? QApplication::primaryScreen()->depth() : 24);
  tessaro::QtPrintService printer;
  tessaro::TMainForm form(printer, [&printer](QWidget* parent) { printer.setupDialog(parent); });
  form.show();
  // `tessaro FILE`, as a desktop entry starts it: the name as the file system's bytes.
  if (argc > 1) {
    const QByteArray file(argv[1]);
    QTimer::singleShot(0, &form, [&form, file] { form.openFile(file); });
  }
  return QApplication::exec();
}
