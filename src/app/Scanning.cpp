// The tab "Scannen": the scanner is chosen in one dialog and remembered; a scan replaces the
// picture as a loaded file does, and undo takes it back.
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/MainForm.h"
#include "scan/SaneScanner.h"
#include "ui/ScanDeviceDialog.h"
#include "ui/ScanDialog.h"
#include "ui/ScanRunner.h"

namespace tessaro {

QWidget* TMainForm::buildScanTab() {
  auto* tab = new QWidget;
  tab->setObjectName("TabSheet10");
  auto* text = new QLabel(
      QStringLiteral("Sie können ein Motiv über die SANE-Schnittstelle direkt in dieses Programm importieren!"), tab);
  text->setWordWrap(true);
  TSetupBtn = new PictureButton("TSetupBtn", QStringLiteral("Scanner wählen"),
                                QStringLiteral("Klicken Sie hier, um das Gerät zu wählen, von dem das Bild geholt "
                                               "werden soll"),
                                QSize(115, 35), tab);
  ScanBtn = new PictureButton("ScanBtn", QStringLiteral("Scannen"),
                              QStringLiteral("Klicken Sie hier, um das Benutzerinterface des Gerätes zu starten"),
                              QSize(115, 35), tab);
  connect(TSetupBtn, &PictureButton::clicked, this, [this] { TSetupBtnClick(); });
  connect(ScanBtn, &PictureButton::clicked, this, [this] { ScanBtnClick(); });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(TSetupBtn);
  buttons->addWidget(ScanBtn);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(text);
  layout->addLayout(buttons);
  layout->addStretch(1);
  return tab;
}

void TMainForm::setScanner(std::shared_ptr<ScannerService> scanner) {
  delete scanRunner_;  // waits for a request of the old service to end
  scanRunner_ = nullptr;
  scanner_ = std::move(scanner);
}

ScanRunner& TMainForm::scanRunner() {
  if (!scanner_) scanner_ = std::make_shared<SaneScanner>();
  if (!scanRunner_) scanRunner_ = new ScanRunner(scanner_, this);
  return *scanRunner_;
}

void TMainForm::TSetupBtnClick() {
  TSetupBtn->release();
  ScanDeviceDialog dialog(scanRunner(), this);
  runDialog(dialog);
}

void TMainForm::ScanBtnClick() {
  ScanBtn->release();
  if (rememberedScanner().isEmpty()) TSetupBtnClick();
  const QString device = rememberedScanner();
  if (device.isEmpty()) return;
  ScanDialog dialog(scanRunner(), device, this);
  if (runDialog(dialog) != QDialog::Accepted) return;
  TDib scanned = dialog.takePicture();
  if (scanned.empty()) return;
  // Shown like a loaded file (info, previews, crop frame, poster), but one undo step.
  replacePicture([&scanned](const TDib&, const ProgressFn&) { return std::move(scanned); }, Refit::Whole);
}

}  // namespace tessaro
