#include "ui/ScanDeviceDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>
#include <memory>

#include "ui/Controls.h"
#include "ui/DialogFit.h"
#include "ui/ScanRunner.h"

namespace tessaro {

namespace {
const QString kDeviceKey = QStringLiteral("Scanner.Device");
QSettings settings() { return QSettings(QStringLiteral("Tessaro"), QStringLiteral("Tessaro")); }

QString deviceCaption(const ScannerDevice& d) {
  QString caption = QString::fromStdString(d.vendor + " " + d.model).trimmed();
  if (caption.isEmpty()) caption = QString::fromStdString(d.name);
  if (!d.type.empty()) caption += QStringLiteral(" (%1)").arg(QString::fromStdString(d.type));
  return caption;
}
}  // namespace

QString rememberedScanner() { return settings().value(kDeviceKey).toString(); }

void rememberScanner(const QString& name) { settings().setValue(kDeviceKey, name); }

ScanDeviceDialog::ScanDeviceDialog(ScanRunner& runner, QWidget* parent) : QDialog(parent), runner_(runner) {
  setObjectName("ScanDeviceDialog");
  setWindowTitle(QStringLiteral("Scanner wählen"));
  DeviceStatus = new QLabel(this);
  DeviceStatus->setObjectName("DeviceStatus");
  DeviceStatus->setWordWrap(true);
  DeviceList = new QListWidget(this);
  DeviceList->setObjectName("DeviceList");
  DeviceList->setAccessibleName(QStringLiteral("Scanner"));
  DeviceStatus->setBuddy(DeviceList);
  SearchBtn =
      pushButton("SearchBtn", QStringLiteral("&Neu suchen"), QStringLiteral("Sucht die Scanner noch einmal"), this);
  OkBtn = pushButton("OkBtn", QStringLiteral("OK"), {}, this);
  OkBtn->setDefault(true);
  CancelBtn = pushButton("CancelBtn", QStringLiteral("Abbrechen"), {}, this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(SearchBtn);
  buttons->addStretch(1);
  buttons->addWidget(OkBtn);
  buttons->addWidget(CancelBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(DeviceStatus);
  layout->addWidget(DeviceList, 1);
  layout->addLayout(buttons);
  resize(420, 260);
  connect(SearchBtn, &QPushButton::clicked, this, [this] { search(); });
  connect(OkBtn, &QPushButton::clicked, this, [this] { accept(); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { reject(); });
  connect(DeviceList, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
  connect(DeviceList, &QListWidget::currentRowChanged, this, [this](int row) { OkBtn->setEnabled(row >= 0); });
  keepTextsWhole(*this);
  search();
}

void ScanDeviceDialog::search() {
  DeviceList->clear();
  OkBtn->setEnabled(false);
  SearchBtn->setEnabled(false);
  DeviceStatus->setText(QStringLiteral("Scanner werden gesucht…"));
  auto found = std::make_shared<std::vector<ScannerDevice>>();
  auto why = std::make_shared<ScanError>();
  runner_.run(
      this, [found, why](ScannerService& s) { *found = s.listDevices(*why); },
      [this, found, why] {
        SearchBtn->setEnabled(true);
        const QString chosen = rememberedScanner();
        for (const ScannerDevice& d : *found) {
          auto* item = new QListWidgetItem(deviceCaption(d), DeviceList);
          item->setData(Qt::UserRole, QString::fromStdString(d.name));
          item->setToolTip(QString::fromStdString(d.name));
          if (item->data(Qt::UserRole).toString() == chosen || DeviceList->count() == 1)
            DeviceList->setCurrentItem(item);
        }
        if (!found->empty()) {
          DeviceStatus->setText(QStringLiteral("&Scanner:"));
        } else if (*why) {
          DeviceStatus->setText(QString::fromStdString(describeScanError(*why)));
        } else {
          DeviceStatus->setText(
              QStringLiteral("Keine Scanner gefunden.\nBitte prüfen Sie, ob der Scanner eingeschaltet und "
                             "angeschlossen ist; Netzwerkscanner müssen in der SANE-Konfiguration eingetragen "
                             "sein. Dann klicken Sie auf „Neu suchen“."));
        }
      });
}

void ScanDeviceDialog::accept() {
  const QListWidgetItem* item = DeviceList->currentItem();
  if (!item) return;
  rememberScanner(item->data(Qt::UserRole).toString());
  QDialog::accept();
}

}  // namespace tessaro
