#pragma once
// The tab "Einstellungen": paper format, guide lines, glue margin and print options.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QWidget>

#include "ui/PictureButton.h"

namespace tessaro {

class SettingsTab : public QWidget {
  Q_OBJECT
 public:
  explicit SettingsTab(QWidget *parent = nullptr);

  QLineEdit *Edit6, *Edit7, *Edit8, *Edit9, *Edit10, *Edit1, *Edit2;
  QLineEdit *PrinterEdit;  // the printer's name, or "PDF-Datei"
  PictureButton *SetupBtn;
  QPushButton *CalibrateBtn;  // "Drucker kalibrieren…": only for a printer queue
  QCheckBox *CheckBox1, *CheckBox2, *CheckBox3;                   // guide lines
  QCheckBox *CheckBox8, *CheckBox9, *CheckBox10, *CutHintsCheck;  // glue margin
  QSpinBox *KrandxlEd, *KrandylEd;
  QCheckBox *CheckBox4, *CheckBox5, *CheckBox6;  // print options
  QCheckBox *LabelsCheck, *OverviewCheck;        // additions to the print, off at the start
  QCheckBox *RulerCheck;                         // "Prüfmaß auf jedem Blatt", off at the start
  QPushButton *DefaultsBtn;                      // "Standardwerte": every option back to its start
  QCheckBox *AutoOrientCheck, *ProfileCheck;     // how photos are read, on at the start
};

}  // namespace tessaro
