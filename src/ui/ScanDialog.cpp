#include "ui/ScanDialog.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "platform/DibImage.h"
#include "platform/MessageBoxes.h"
#include "ui/Controls.h"
#include "ui/DialogFit.h"
#include "ui/ScanPreview.h"
#include "ui/ScanRunner.h"

namespace tessaro {

namespace {
// German names of the modes SANE backends commonly offer; others are shown as the device names them.
QString modeCaption(const std::string& mode) {
  if (mode == "Color") return QStringLiteral("Farbe");
  if (mode == "Gray") return QStringLiteral("Graustufen");
  if (mode == "Lineart") return QStringLiteral("Strichzeichnung");
  if (mode == "Halftone") return QStringLiteral("Raster");
  return QString::fromStdString(mode);
}

QDoubleSpinBox* mmEdit(const char* name, QWidget* parent) {
  auto* e = new QDoubleSpinBox(parent);
  e->setObjectName(name);
  e->setDecimals(1);
  e->setSuffix(QStringLiteral(" mm"));
  return e;
}

// Range of an option for a spin box: its range, or the span of its list.
std::pair<double, double> span(const ScanOption& o) {
  if (o.hasRange) return {o.min, o.max};
  if (!o.numbers.empty())
    return {*std::min_element(o.numbers.begin(), o.numbers.end()),
            *std::max_element(o.numbers.begin(), o.numbers.end())};
  return {o.number, o.number};
}

const char* const kArea[] = {"tl-x", "tl-y", "br-x", "br-y"};
}  // namespace

ScanDialog::ScanDialog(ScanRunner& runner, const QString& device, QWidget* parent) : QDialog(parent), runner_(runner) {
  setObjectName("ScanDialog");
  setWindowTitle(QStringLiteral("Scannen"));
  ModeBox = new QComboBox(this);
  ModeBox->setObjectName("ModeBox");
  DepthBox = new QComboBox(this);
  DepthBox->setObjectName("DepthBox");
  // Their entries come from the device once the dialog is shown.
  for (QComboBox* box : {ModeBox, DepthBox}) box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  ResolutionEd = new QSpinBox(this);
  ResolutionEd->setObjectName("ResolutionEd");
  ResolutionEd->setSuffix(QStringLiteral(" dpi"));
  LeftEd = mmEdit("LeftEd", this);
  TopEd = mmEdit("TopEd", this);
  RightEd = mmEdit("RightEd", this);
  BottomEd = mmEdit("BottomEd", this);
  Preview = new ScanPreview(this);
  PreviewBtn = pushButton("PreviewBtn", QStringLiteral("&Vorschau"),
                          QStringLiteral("Scannt die ganze Fläche grob, um den Ausschnitt zu wählen"), this);
  ScanStartBtn = pushButton("ScanStartBtn", QStringLiteral("&Scannen"), {}, this);
  ScanStartBtn->setDefault(true);
  CancelBtn = pushButton("CancelBtn", QStringLiteral("Abbrechen"), {}, this);
  ScanProgress = progressBar("ScanProgress", QStringLiteral("Zeigt den Fortschritt des Scanvorgangs"), this);
  ScanStatus = new QLabel(this);
  ScanStatus->setObjectName("ScanStatus");
  ScanStatus->setWordWrap(true);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Modus:"), ModeBox);
  form->addRow(QStringLiteral("&Farbtiefe:"), DepthBox);
  form->addRow(QStringLiteral("&Auflösung:"), ResolutionEd);
  form->addRow(QStringLiteral("&Links:"), LeftEd);
  form->addRow(QStringLiteral("&Oben:"), TopEd);
  form->addRow(QStringLiteral("&Rechts:"), RightEd);
  form->addRow(QStringLiteral("&Unten:"), BottomEd);
  auto* left = new QVBoxLayout;
  left->addLayout(form);
  left->addStretch(1);
  left->addWidget(ScanStatus);
  left->addWidget(ScanProgress);
  auto* top = new QHBoxLayout;
  top->addLayout(left);
  top->addWidget(Preview, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(PreviewBtn);
  buttons->addStretch(1);
  buttons->addWidget(ScanStartBtn);
  buttons->addWidget(CancelBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(buttons);
  resize(560, 400);
  keepTextsWhole(*this);

  progressTimer_ = new QTimer(this);
  progressTimer_->setInterval(50);
  connect(progressTimer_, &QTimer::timeout, this, [this] { ScanProgress->setValue(*percent_); });
  connect(PreviewBtn, &QPushButton::clicked, this, [this] { startScan(true); });
  connect(ScanStartBtn, &QPushButton::clicked, this, [this] { startScan(false); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] {
    if (scanning_)
      runner_.cancel();  // the dialog stays for another try
    else
      reject();
  });
  for (QDoubleSpinBox* e : {LeftEd, TopEd, RightEd, BottomEd})
    connect(e, &QDoubleSpinBox::valueChanged, this, [this] { frameFromEdits(); });
  connect(Preview, &ScanPreview::frameDragged, this, [this](const QRectF& mm) {
    for (auto [edit, value] : {std::pair{LeftEd, mm.left()}, std::pair{TopEd, mm.top()}, std::pair{RightEd, mm.right()},
                               std::pair{BottomEd, mm.bottom()}}) {
      const QSignalBlocker block(edit);
      edit->setValue(value);
    }
  });

  setBusy(true);
  ScanStatus->setText(QStringLiteral("Verbindung zum Scanner wird hergestellt…"));
  auto options = std::make_shared<std::vector<ScanOption>>();
  auto why = std::make_shared<ScanError>();
  const std::string name = device.toStdString();
  runner_.run(
      this, [options, why, name](ScannerService& s) { *options = s.openDevice(name, *why); },
      [this, options, why] {
        setBusy(false);
        options_ = std::move(*options);
        if (*why) {
          ScanStatus->setText(QString::fromStdString(describeScanError(*why)));
          PreviewBtn->setEnabled(false);
          ScanStartBtn->setEnabled(false);
          messageBoxes().tell(this, QStringLiteral("Fehler"), ScanStatus->text(), MessageBoxes::Icon::Error);
        } else {
          ScanStatus->clear();
          showOptions();
        }
        if (closeWhenDone_) QDialog::reject();
      });
}

ScanDialog::~ScanDialog() {
  if (busy_) runner_.cancel();
}

void ScanDialog::showOptions() {
  if (const ScanOption* mode = findOption(options_, "mode"); mode && mode->active) {
    for (const std::string& m : mode->texts) ModeBox->addItem(modeCaption(m), QString::fromStdString(m));
    ModeBox->setCurrentIndex(std::max(0, ModeBox->findData(QString::fromStdString(mode->text))));
  }
  if (const ScanOption* depth = findOption(options_, "depth"); depth && depth->active) {
    for (double d : depth->numbers) DepthBox->addItem(QStringLiteral("%1 Bit").arg(d), d);
    DepthBox->setCurrentIndex(std::max(0, DepthBox->findData(depth->number)));
  }
  if (const ScanOption* res = findOption(options_, "resolution"); res && res->active) {
    const auto [lo, hi] = span(*res);
    ResolutionEd->setRange(static_cast<int>(std::ceil(lo)), static_cast<int>(std::floor(hi)));
    // A device whose own value lies outside its range starts at a usual photo resolution.
    const double start = res->number >= lo && res->number <= hi ? res->number : snapResolution(300);
    ResolutionEd->setValue(static_cast<int>(std::lround(start)));
  }
  ModeBox->setEnabled(ModeBox->count() > 0);
  DepthBox->setEnabled(DepthBox->count() > 0);
  hasResolution_ = findOption(options_, "resolution") != nullptr;
  ResolutionEd->setEnabled(hasResolution_);
  // The area only when the device gives all four corners in millimetres.
  const ScanOption* corner[4];
  bool area = true;
  for (int i = 0; i < 4; ++i) {
    corner[i] = findOption(options_, kArea[i]);
    area = area && corner[i] && corner[i]->active && corner[i]->unit == OptionUnit::Mm;
  }
  hasArea_ = area;
  QDoubleSpinBox* edits[] = {LeftEd, TopEd, RightEd, BottomEd};
  for (int i = 0; i < 4; ++i) {
    edits[i]->setEnabled(area);
    if (!area) continue;
    const QSignalBlocker block(edits[i]);
    const auto [lo, hi] = span(*corner[i]);
    edits[i]->setRange(lo, hi);
    edits[i]->setValue(corner[i]->number);
  }
  if (area) {
    bounds_ = QRectF(QPointF(span(*corner[0]).first, span(*corner[1]).first),
                     QPointF(span(*corner[2]).second, span(*corner[3]).second));
    Preview->setBounds(bounds_);
    frameFromEdits();
  }
}

void ScanDialog::frameFromEdits() {
  Preview->setFrame(QRectF(QPointF(LeftEd->value(), TopEd->value()), QPointF(RightEd->value(), BottomEd->value())));
}

int ScanDialog::snapResolution(double dpi) const {
  const ScanOption* res = findOption(options_, "resolution");
  if (!res) return static_cast<int>(std::lround(dpi));
  const auto [lo, hi] = span(*res);
  dpi = std::clamp(dpi, lo, hi);
  double best = dpi;
  for (double n : res->numbers)
    if (best == dpi || std::abs(n - dpi) < std::abs(best - dpi)) best = n;
  return static_cast<int>(std::lround(best));
}

std::vector<OptionSetting> ScanDialog::settings(bool preview) const {
  std::vector<OptionSetting> out;
  if (ModeBox->count() > 0) out.push_back({"mode", 0, ModeBox->currentData().toString().toStdString()});
  if (DepthBox->count() > 0) out.push_back({"depth", DepthBox->currentData().toDouble(), ""});
  if (hasResolution_) {
    // A preview needs about one scanned pixel per pixel of the preview box.
    const double dpi =
        preview && bounds_.width() > 0 ? Preview->drawnArea().width() * 25.4 / bounds_.width() : ResolutionEd->value();
    out.push_back({"resolution", static_cast<double>(snapResolution(dpi)), ""});
  }
  if (hasArea_) {
    const QRectF area =
        preview ? bounds_
                : QRectF(QPointF(LeftEd->value(), TopEd->value()), QPointF(RightEd->value(), BottomEd->value()))
                      .normalized();
    // The far corner first, so the near one never passes it on the way.
    out.push_back({"br-x", bounds_.right(), ""});
    out.push_back({"br-y", bounds_.bottom(), ""});
    out.push_back({"tl-x", area.left(), ""});
    out.push_back({"tl-y", area.top(), ""});
    out.push_back({"br-x", area.right(), ""});
    out.push_back({"br-y", area.bottom(), ""});
  }
  return out;
}

void ScanDialog::setBusy(bool busy) {
  busy_ = busy;
  for (QWidget* w : std::initializer_list<QWidget*>{PreviewBtn, ScanStartBtn, ModeBox, DepthBox, ResolutionEd})
    w->setEnabled(!busy);
  if (busy) {
    progressTimer_->start();
  } else {
    progressTimer_->stop();
    ScanProgress->setValue(0);
    scanning_ = false;
  }
}

void ScanDialog::startScan(bool preview) {
  if (busy_) return;
  const std::vector<OptionSetting> chosen = settings(preview);
  setBusy(true);
  scanning_ = true;
  *percent_ = 0;
  ScanStatus->setText(preview ? QStringLiteral("Die Vorschau wird gescannt…") : QStringLiteral("Es wird gescannt…"));
  auto result = std::make_shared<TDib>();
  auto why = std::make_shared<ScanError>();
  auto percent = percent_;
  runner_.run(
      this,
      [result, why, percent, chosen](ScannerService& s) {
        *result = s.scan(
            chosen, [percent](int p) { *percent = p; }, *why);
      },
      [this, result, why, preview] { scanDone(preview, *result, *why); });
}

void ScanDialog::scanDone(bool preview, TDib& result, const ScanError& why) {
  setBusy(false);
  if (closeWhenDone_) {
    QDialog::reject();
    return;
  }
  if (result.empty()) {
    ScanStatus->setText(QString::fromStdString(describeScanError(why)));
    if (why.fault != ScanFault::Cancelled)
      messageBoxes().tell(this, QStringLiteral("Fehler"), ScanStatus->text(), MessageBoxes::Icon::Error);
    return;
  }
  ScanStatus->clear();
  if (preview) {
    Preview->setImage(dibImage(result));
    return;
  }
  picture_ = std::move(result);
  accept();
}

void ScanDialog::reject() {
  if (!busy_) {
    QDialog::reject();
    return;
  }
  closeWhenDone_ = true;
  ScanStatus->setText(QStringLiteral("Wird abgebrochen…"));
  runner_.cancel();
}

}  // namespace tessaro
