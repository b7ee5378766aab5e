#include "ui/PageChoiceDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/DibImage.h"
#include "ui/Controls.h"
#include "ui/DialogFit.h"
#include "vector/VectorPage.h"
#include "vector/VectorPreview.h"

namespace tessaro {

namespace {
constexpr int kPreviewWidth = 160;
constexpr int kPreviewHeight = 200;
}  // namespace

PageChoiceDialog::PageChoiceDialog(const std::string& path, int pageCount, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      path_(path) {
  setObjectName("PageChoiceDialog");
  setWindowTitle(QStringLiteral("Seite wählen"));
  PageEdit = intEdit("PageEdit", 1, std::max(1, pageCount), 1,
                     QStringLiteral("Hiermit wählen Sie die Seite der PDF-Datei, die geladen wird"), this);
  PageEdit->setSuffix(QStringLiteral(" von %1").arg(pageCount));
  Preview = new QLabel(this);
  Preview->setObjectName("Preview");
  Preview->setAccessibleName(QStringLiteral("Vorschau der Seite"));
  Preview->setAlignment(Qt::AlignCenter);
  Preview->setWordWrap(true);
  Preview->setFixedSize(kPreviewWidth, kPreviewHeight);
  Preview->setStyleSheet("#Preview { border: 1px solid palette(mid); }");

  auto* number = new QHBoxLayout;
  number->addWidget(labelFor(QStringLiteral("Seite:"), PageEdit, this));
  number->addWidget(PageEdit, 1);
  QHBoxLayout* buttons = okCancelRow(this, OkBtn, CancelBtn);
  auto* all = new QVBoxLayout(this);
  all->addLayout(number);
  all->addWidget(Preview, 0, Qt::AlignHCenter);
  all->addLayout(buttons);

  connect(PageEdit, &QSpinBox::valueChanged, this, [this] { showPage(); });
  keepTextsWhole(*this);
  showPage();
}

int PageChoiceDialog::page() const { return PageEdit->value(); }

void PageChoiceDialog::showPage() {
  std::string error;
  const VectorPage page = VectorPage::open(path_, PageEdit->value());
  const TDib picture = page.ok() ? renderVectorPreview(page, kPreviewWidth - 2, kPreviewHeight - 2, &error) : TDib{};
  if (picture.empty()) {
    Preview->setPixmap({});
    Preview->setText(QString::fromStdString(page.ok() ? error : page.error()));
    return;
  }
  Preview->setPixmap(QPixmap::fromImage(dibImage(picture)));
}

}  // namespace tessaro
