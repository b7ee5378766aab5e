#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tessaro {

bool installQtGermanTranslations() {
  // Loaded by file name, not by locale: with LANG=C the dialogs must be German too.
  auto* translator = new QTranslator(QCoreApplication::instance());
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!translator->load(QStringLiteral("qtbase_de"), folder) || !QCoreApplication::installTranslator(translator)) {
    delete translator;
    qWarning("qtbase_de.qm could not be loaded from %s; Qt's dialogs stay English (package qt6-translations-l10n)",
             qPrintable(folder));
    return false;
  }
  return true;
}

}  // namespace tessaro
