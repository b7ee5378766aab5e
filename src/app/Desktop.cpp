// Living on the desktop: what the window remembers between runs, "Standardwerte", and pictures
// dropped onto the window.
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QSpinBox>
#include <QUrl>

#include "app/LoadTab.h"
#include "app/MainForm.h"
#include "app/PassportTab.h"
#include "app/PosterSizeTab.h"
#include "app/PrintTab.h"
#include "app/Remembered.h"
#include "app/SettingsTab.h"
#include "layout/PassportLayout.h"

namespace tessaro {

namespace {

// The first dropped URL that names a file (not a folder) on this machine; empty when none does.
QByteArray firstDroppedFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const QString path = url.toLocalFile();
    if (QFileInfo(path).isFile()) return QFile::encodeName(path);
  }
  return {};
}

}  // namespace

void TMainForm::restoreRemembered() {
  // The controls hold the start values now: those are what "Standardwerte" brings back.
  remembered_ = std::make_unique<RememberedOptions>(*settings_);
  remembered_->restore();
  UpdatePaperFormat();
  UpdateOptions();
  // On the paper just read, so that the photo size sets the width it prints at.
  const std::span<const PhotoSize> sizes = photoSizes();
  const QString photoSize = rememberedPhotoSize();
  for (size_t i = 0; i < sizes.size(); ++i)
    if (!photoSize.isEmpty() && photoSize == QLatin1String(sizes[i].key))
      passport_->PhotoSizeBox->setCurrentIndex(static_cast<int>(i));
  print_->Dots->setSettings(rememberedDots());
  print_->KindBox->setCurrentIndex(rememberedPrintKind());
  connectRemembered();
  const QByteArray folder = rememberedFolder();
  // A folder that is gone (or cannot be read any more) leaves the user at home.
  if (!folder.isEmpty() && !load_->showFolder(folder)) load_->showDirectory(QDir::homePath());
  const QByteArray geometry = rememberedGeometry();
  if (!geometry.isEmpty()) restoreGeometry(geometry);
}

void TMainForm::connectRemembered() {
  for (QCheckBox* box : remembered_->boxes()) connect(box, &QCheckBox::toggled, this, [this] { remembered_->store(); });
  for (QSpinBox* spin : remembered_->spins())
    connect(spin, &QSpinBox::valueChanged, this, [this] { remembered_->store(); });
  connect(passport_->PhotoSizeBox, &QComboBox::currentIndexChanged, this, [](int entry) {
    if (entry >= 0) rememberPhotoSize(QLatin1String(photoSizes()[entry].key));
  });
  for (QCheckBox* box : {settings_->LabelsCheck, settings_->RulerCheck})
    connect(box, &QCheckBox::toggled, this, [this] { posterSize_->VorschauBox()->update(); });
  connect(print_->KindBox, &QComboBox::currentIndexChanged, this, [](int kind) { rememberPrintKind(kind); });
  connect(print_->Dots, &DotPanel::changed, this, [this] { rememberDots(print_->Dots->settings()); });
  connect(settings_->DefaultsBtn, &QPushButton::clicked, this, [this] { DefaultsBtnClick(); });
}

void TMainForm::DefaultsBtnClick() {
  remembered_->resetToStart();
  UpdatePaperFormat();
  UpdateOptions();
  posterSize_->VorschauBox()->update();
  remembered_->store();
}

void TMainForm::dragEnterEvent(QDragEnterEvent* e) {
  if (!firstDroppedFile(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* e) {
  const QByteArray file = firstDroppedFile(e->mimeData());
  if (file.isEmpty()) return;
  e->acceptProposedAction();
  openFile(file);
}

}  // namespace tessaro
