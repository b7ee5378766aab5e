#pragma once
// Dialogs keep their title and their controls' texts whole: whatever size they were designed at,
// they never get narrower than the title bar needs for the title, nor smaller than their layout
// needs for the controls, also after a control's texts change.
#include <QDialog>

namespace tessaro {

// Call once the dialog's layout is built; its minimum size so far is kept as the least.
void keepTextsWhole(QDialog& dialog);
// The width a window manager's title bar needs to show the title of `window` whole.
int titleBarWidth(const QWidget& window);

}  // namespace tessaro
