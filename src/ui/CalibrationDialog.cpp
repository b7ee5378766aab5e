#include "ui/CalibrationDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/MessageBoxes.h"
#include "print/CalibrationPage.h"
#include "ui/Controls.h"
#include "ui/DialogFit.h"

namespace tessaro {

namespace {

const QString kCaption = QStringLiteral("Drucker kalibrieren");

QPushButton* button(const char* name, const QString& text, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  return b;
}

}  // namespace

CalibrationDialog::CalibrationDialog(const std::string& queue, const PageMetrics& metrics, CalibrationStore store,
                                     std::function<void()> printPage, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      queue_(queue),
      metrics_(metrics),
      store_(std::move(store)) {
  setObjectName("CalibrationDialog");
  setWindowTitle(kCaption + QStringLiteral(": ") + QString::fromStdString(queue));
  const CalibrationBars bars = calibrationBars(metrics);
  AcrossEdit = new QLineEdit(this);
  AcrossEdit->setObjectName("AcrossEdit");
  DownEdit = new QLineEdit(this);
  DownEdit->setObjectName("DownEdit");
  CorrectionLabel = new QLabel(this);
  CorrectionLabel->setObjectName("CorrectionLabel");
  PrintPageBtn = button("PrintPageBtn", QStringLiteral("Kalibrierungsseite drucken"), this);
  ResetBtn = button("ResetBtn", QStringLiteral("Zurücksetzen"), this);
  OkBtn = button("OkBtn", QStringLiteral("OK"), this);
  OkBtn->setDefault(true);
  CancelBtn = button("CancelBtn", QStringLiteral("Abbrechen"), this);

  auto* intro = new QLabel(QStringLiteral("Drucken Sie die Kalibrierungsseite, messen Sie beide Linien mit einem "
                                          "Lineal und tragen Sie die gemessenen Längen in mm ein."),
                           this);
  intro->setWordWrap(true);
  auto* edits = new QGridLayout;
  edits->addWidget(labelFor(QStringLiteral("Waagrechte Linie:"), AcrossEdit, this), 0, 0);
  edits->addWidget(AcrossEdit, 0, 1);
  edits->addWidget(new QLabel(QStringLiteral("mm (Soll %1 mm)").arg(bars.acrossMm), this), 0, 2);
  edits->addWidget(labelFor(QStringLiteral("Senkrechte Linie:"), DownEdit, this), 1, 0);
  edits->addWidget(DownEdit, 1, 1);
  edits->addWidget(new QLabel(QStringLiteral("mm (Soll %1 mm)").arg(bars.downMm), this), 1, 2);
  edits->setColumnStretch(1, 1);
  auto* upper = new QHBoxLayout;
  upper->addWidget(PrintPageBtn);
  upper->addStretch(1);
  upper->addWidget(ResetBtn);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(OkBtn);
  buttons->addWidget(CancelBtn);
  auto* all = new QVBoxLayout(this);
  all->addWidget(intro);
  all->addLayout(upper);
  all->addLayout(edits);
  all->addWidget(CorrectionLabel);
  all->addStretch(1);
  all->addLayout(buttons);

  connect(PrintPageBtn, &QPushButton::clicked, this, [printPage = std::move(printPage)] {
    if (printPage) printPage();
  });
  connect(ResetBtn, &QPushButton::clicked, this, &CalibrationDialog::reset);
  connect(OkBtn, &QPushButton::clicked, this, &CalibrationDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  showCorrection();
  keepTextsWhole(*this);
}

void CalibrationDialog::showCorrection() {
  CorrectionLabel->setText(QString::fromStdString(correctionText(store_.load(queue_))));
}

void CalibrationDialog::accept() {
  const CalibrationBars bars = calibrationBars(metrics_);
  const CalibrationResult result = calibrationFromMeasured(
      {"waagrechte", double(bars.acrossMm), sheetWidthMm(metrics_), AcrossEdit->text().toStdString()},
      {"senkrechte", double(bars.downMm), sheetHeightMm(metrics_), DownEdit->text().toStdString()});
  const std::optional<std::string> error =
      result.calibration ? store_.store(queue_, *result.calibration) : std::optional(result.error);
  if (error) {
    messageBoxes().tell(this, kCaption, QString::fromStdString(*error), MessageBoxes::Icon::Warning);
    return;
  }
  showCorrection();
  QDialog::accept();
}

void CalibrationDialog::reset() {
  if (const auto error = store_.reset(queue_))
    messageBoxes().tell(this, kCaption, QString::fromStdString(*error), MessageBoxes::Icon::Error);
  AcrossEdit->clear();
  DownEdit->clear();
  showCorrection();
}

}  // namespace tessaro
