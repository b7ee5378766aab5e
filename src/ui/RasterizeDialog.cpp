#include "ui/RasterizeDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "picture/Limits.h"
#include "platform/MessageBoxes.h"
#include "ui/Controls.h"
#include "ui/DialogFit.h"

namespace tessaro {

namespace {

// Pixels across `mm` at `dpi`, at least one.
int64_t pixelsAcross(double mm, double dpi) { return std::max<int64_t>(1, std::llround(mm / 25.4 * dpi)); }

QString dpiText(double dpi) { return QString::number(dpi, 'f', dpi == std::round(dpi) ? 0 : 1); }

}  // namespace

RasterizeDialog::RasterizeDialog(double widthMm, double heightMm, double defaultDpi, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      widthMm_(widthMm),
      heightMm_(heightMm) {
  setObjectName("RasterizeDialog");
  setWindowTitle(QStringLiteral("In ein Bild umwandeln"));
  auto* intro = new QLabel(
      QStringLiteral("Retusche, Filter, Farbtiefe, Speichern und Paßbilder brauchen ein Bild aus Bildpunkten.\n"
                     "Die Vektorseite wird dafür in ein Bild umgewandelt; „Rückgängig“ bringt sie zurück."),
      this);
  DpiEdit = new QLineEdit(dpiText(defaultDpi), this);
  DpiEdit->setObjectName("DpiEdit");
  DpiEdit->setToolTip(QStringLiteral("Die Auflösung des Bildes in Punkten je Zoll"));
  PixelLabel = new QLabel(this);
  PixelLabel->setObjectName("PixelLabel");

  auto* resolution = new QHBoxLayout;
  resolution->addWidget(labelFor(QStringLiteral("Auflösung (dpi):"), DpiEdit, this));
  resolution->addWidget(DpiEdit, 1);
  QHBoxLayout* buttons = okCancelRow(this, OkBtn, CancelBtn);
  auto* all = new QVBoxLayout(this);
  all->addWidget(intro);
  all->addLayout(resolution);
  all->addWidget(PixelLabel);
  all->addLayout(buttons);

  connect(DpiEdit, &QLineEdit::textChanged, this, [this] { showPixels(); });
  showPixels();
  keepTextsWhole(*this);
}

double RasterizeDialog::dpi() const {
  QString text = DpiEdit->text().trimmed();
  text.replace(QLatin1Char(','), QLatin1Char('.'));
  bool ok = false;
  const double v = text.toDouble(&ok);
  return ok && std::isfinite(v) && v > 0 ? v : 0;
}

void RasterizeDialog::showPixels() {
  const double d = dpi();
  PixelLabel->setText(d > 0 ? QStringLiteral("Das Bild wird %1 × %2 Bildpunkte groß.")
                                  .arg(pixelsAcross(widthMm_, d))
                                  .arg(pixelsAcross(heightMm_, d))
                            : QString());
}

void RasterizeDialog::accept() {
  const double d = dpi();
  QString refusal;
  if (d <= 0)
    refusal = QStringLiteral("Bitte geben Sie die Auflösung als Zahl größer als 0 ein, z. B. 300.");
  else if (!dibSizeAllowed(pixelsAcross(widthMm_, d), pixelsAcross(heightMm_, d), 24))
    refusal = QStringLiteral("Bei %1 dpi würde das Bild zu groß. Bitte geben Sie eine kleinere Auflösung ein.")
                  .arg(dpiText(d));
  if (!refusal.isEmpty()) {
    messageBoxes().tell(this, QStringLiteral("Fehler"), refusal, MessageBoxes::Icon::Error);
    DpiEdit->setFocus();
    return;
  }
  QDialog::accept();
}

}  // namespace tessaro
