#pragma once
// The dialog "Drucker kalibrieren": the two bars of the calibration page as measured on paper,
// turned into the printer queue's correction and stored for it; the page itself is printed from
// here, and "Zurücksetzen" removes the correction.
#include <QDialog>
#include <functional>
#include <string>

#include "print/CalibrationStore.h"
#include "print/PrintService.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace tessaro {

class CalibrationDialog : public QDialog {
  Q_OBJECT
 public:
  // For the queue `queue` printing on pages of `metrics`; `printPage` prints the calibration page.
  CalibrationDialog(const std::string& queue, const PageMetrics& metrics, CalibrationStore store,
                    std::function<void()> printPage, QWidget* parent = nullptr);

  // OK stores the correction of the lengths entered; refused ones are told and nothing is stored.
  void accept() override;
  void reset();

  QLineEdit *AcrossEdit, *DownEdit;  // measured lengths in mm
  QLabel* CorrectionLabel;           // "Korrektur: …" or "Keine Korrektur"
  QPushButton *PrintPageBtn, *ResetBtn, *OkBtn, *CancelBtn;

 private:
  void showCorrection();

  std::string queue_;
  PageMetrics metrics_;
  CalibrationStore store_;
};

}  // namespace tessaro
