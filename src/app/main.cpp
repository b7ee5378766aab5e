#include <QApplication>
#include <QScreen>

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
  return QApplication::exec();
}
