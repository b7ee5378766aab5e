#pragma once
// Small factories for the window's controls: every control gets its name, hint and accessible
// name in one place, so the tabs read as lists of what they hold.
#include <QCheckBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include "ui/FloatEdit.h"

namespace tessaro {

// A field that only shows a value: drawn like a label on the window's background, out of the Tab
// order, its text still selectable and read by screen readers.
QLineEdit* readOnlyEdit(const QString& name, const QString& text, const QString& hint, QWidget* parent);
QPushButton* pushButton(const char* name, const QString& caption, const QString& hint, QWidget* parent);
QCheckBox* checkBox(const QString& name, const QString& caption, bool checked, const QString& hint, QWidget* parent);
// Number edits write a decimal point whatever the locale, as the millimetre texts do, and take a
// typed comma for one.
FloatEdit* floatEdit(const QString& name, Ext min, Ext max, Ext step, Ext value, int decimals, const QString& hint,
                     QWidget* parent);
QSpinBox* intEdit(const QString& name, int min, int max, int value, const QString& hint, QWidget* parent);
QProgressBar* progressBar(const QString& name, const QString& hint, QWidget* parent);
// A label that names `buddy` for keyboard users and screen readers.
QLabel* labelFor(const QString& caption, QWidget* buddy, QWidget* parent);
// "OK" (the default button, accepting `dialog`) and "Abbrechen" (rejecting it), centred in a row.
QHBoxLayout* okCancelRow(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel);

}  // namespace tessaro
