#pragma once
// "Scanner wählen": the scanners SANE finds, listed off the window's thread (network scanners
// take seconds to answer). The choice is remembered between runs of the program.
#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace tessaro {

class ScanRunner;

// The scanner chosen last; empty before any choice.
QString rememberedScanner();
void rememberScanner(const QString& name);

class ScanDeviceDialog : public QDialog {
  Q_OBJECT
 public:
  ScanDeviceDialog(ScanRunner& runner, QWidget* parent = nullptr);
  // Looks for the scanners again.
  void search();
  // OK remembers the chosen scanner.
  void accept() override;

  QListWidget* DeviceList;
  QLabel* DeviceStatus;
  QPushButton* SearchBtn;
  QPushButton* OkBtn;
  QPushButton* CancelBtn;

 private:
  ScanRunner& runner_;
};

}  // namespace tessaro
