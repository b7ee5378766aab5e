#pragma once
// "Scannen": mode, depth, resolution and the area in mm of one scanner, as its own options
// describe them; a preview scan with the area dragged as a frame; the scan itself with its
// progress. Every request to the device runs off the window's thread; "Abbrechen" stops a scan
// that runs and otherwise closes the dialog.
#include <QDialog>
#include <atomic>
#include <memory>

#include "picture/Dib.h"
#include "scan/Scanner.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;

namespace tessaro {

class ScanPreview;
class ScanRunner;

class ScanDialog : public QDialog {
  Q_OBJECT
 public:
  ScanDialog(ScanRunner& runner, const QString& device, QWidget* parent = nullptr);
  ~ScanDialog() override;
  // The scanned picture after the dialog was accepted; the empty record otherwise.
  TDib takePicture() { return std::move(picture_); }
  // While a request runs the dialog stays: closing it stops the scan and closes afterwards.
  void reject() override;
  bool busy() const { return busy_; }

  // The settings a preview (whole area, low resolution) or the scan would give the device.
  std::vector<OptionSetting> settings(bool preview) const;
  void startScan(bool preview);

  QComboBox* ModeBox;
  QComboBox* DepthBox;
  QSpinBox* ResolutionEd;
  QDoubleSpinBox *LeftEd, *TopEd, *RightEd, *BottomEd;
  ScanPreview* Preview;
  QPushButton* PreviewBtn;
  QPushButton* ScanStartBtn;
  QPushButton* CancelBtn;
  QProgressBar* ScanProgress;
  QLabel* ScanStatus;

 private:
  void showOptions();
  void setBusy(bool busy);
  void scanDone(bool preview, TDib& result, const ScanError& why);
  void frameFromEdits();
  int snapResolution(double dpi) const;

  ScanRunner& runner_;
  std::vector<ScanOption> options_;
  QRectF bounds_;
  TDib picture_;
  bool hasResolution_ = false;
  bool hasArea_ = false;
  bool busy_ = false;
  bool closeWhenDone_ = false;
  bool scanning_ = false;
  std::shared_ptr<std::atomic<int>> percent_ = std::make_shared<std::atomic<int>>(0);
  QTimer* progressTimer_;
};

}  // namespace tessaro
