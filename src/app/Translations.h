#pragma once
// Qt's own dialogs and buttons (printer, files, standard buttons) speak German like the rest of
// the program, whatever the user's locale.

namespace tessaro {

// Installs Qt's German translations into the running application; false when they are missing
// (the dialogs then stay in Qt's English).
bool installQtGermanTranslations();

}  // namespace tessaro
