#include "app/LoadTab.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QStorageInfo>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "app/Controls.h"

namespace tessaro {

namespace {
const QString kParent = QStringLiteral("[..]");
// Each item keeps its name as raw bytes; the parent entry keeps "..", which no real folder has.
constexpr int kRawName = Qt::UserRole;
const QByteArray kParentName = QByteArrayLiteral("..");

// A folder entry under its raw name and as it is shown.
struct Entry {
  QByteArray raw;
  QString shown;
};

struct Listing {
  std::vector<Entry> dirs, files;
};

QByteArray joined(const QByteArray& dir, const QByteArray& name) {
  return dir.endsWith('/') ? dir + name : dir + '/' + name;
}

QByteArray canonical(const QByteArray& path) {
  char* resolved = ::realpath(path.constData(), nullptr);
  if (!resolved) return {};
  const QByteArray result(resolved);
  std::free(resolved);
  return result;
}

void sortByName(std::vector<Entry>& entries) {
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    const int c = a.shown.compare(b.shown, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a.raw < b.raw;
  });
}

// The folders and readable files of `dir`, hidden ones left out, each sorted by name ignoring
// case; links count as what they point to. False when the folder cannot be read.
bool listFolder(const QByteArray& dir, Listing& out) {
  DIR* d = ::opendir(dir.constData());
  if (!d) return false;
  while (const dirent* e = ::readdir(d)) {
    if (e->d_name[0] == '.') continue;  // hidden, "." and ".."
    struct stat st;
    if (::fstatat(::dirfd(d), e->d_name, &st, 0) != 0) continue;
    const QByteArray raw(e->d_name);
    if (S_ISDIR(st.st_mode))
      out.dirs.push_back({raw, QFile::decodeName(raw)});
    else if (S_ISREG(st.st_mode) && ::faccessat(::dirfd(d), e->d_name, R_OK, 0) == 0)
      out.files.push_back({raw, QFile::decodeName(raw)});
  }
  ::closedir(d);
  sortByName(out.dirs);
  sortByName(out.files);
  return true;
}

void addEntry(QListWidget* list, const QString& shown, const QByteArray& raw) {
  auto* item = new QListWidgetItem(shown, list);
  item->setData(kRawName, raw);
}
}  // namespace

LoadTab::LoadTab(QWidget* parent) : QWidget(parent) {
  setObjectName("TabSheet1");
  DriveComboBox1 = new QComboBox(this);
  DriveComboBox1->setObjectName("DriveComboBox1");
  DriveComboBox1->setToolTip(QStringLiteral("Hiermit wählen Sie das Laufwerk"));
  DriveComboBox1->setAccessibleName(QStringLiteral("Laufwerk"));
  DirectoryListBox1 = new QListWidget(this);
  DirectoryListBox1->setObjectName("DirectoryListBox1");
  DirectoryListBox1->setToolTip(QStringLiteral("Hiermit wählen Sie das Verzeichnis"));
  DirectoryListBox1->setAccessibleName(QStringLiteral("Verzeichnis"));
  FileListBox1 = new QListWidget(this);
  FileListBox1->setObjectName("FileListBox1");
  FileListBox1->setToolTip(QStringLiteral("Hier können Sie sich die Datei aussuchen"));
  FileListBox1->setAccessibleName(QStringLiteral("Datei"));
  FilterComboBox1 = new QComboBox(this);
  FilterComboBox1->setObjectName("FilterComboBox1");
  FilterComboBox1->setToolTip(QStringLiteral("Hier können Sie die angezeigten Dateitypen wählen"));
  FilterComboBox1->setAccessibleName(QStringLiteral("Dateityp"));
  ShowProzent = progressBar("ShowProzent", QStringLiteral("Zeigt den Fortschritt beim Laden des Bildes"), this);
  Breit = readOnlyEdit("Breit", "320", QStringLiteral("Zeigt die Breite des gewählten Bildes in Pixeln"), this);
  Hoch = readOnlyEdit("Hoch", "200", QStringLiteral("Zeigt die Höhe des gewählten Bildes in Pixeln"), this);
  Tief = readOnlyEdit("Tief", "256", QStringLiteral("Zeigt die Anzahl der Farben des gewählten Bildes"), this);
  PaintBox1 = new PaintBox("PaintBox1", QStringLiteral("Zeigt eine Vorschau des geladenen Bildes"), this);
  SizeBtn = new QPushButton(QStringLiteral("Größe..."), this);
  SizeBtn->setObjectName("SizeBtn");
  SizeBtn->setToolTip(QStringLiteral("Ändert die Größe des Bildes"));
  FTiefeBtn = new QPushButton(QStringLiteral("Farbtiefe..."), this);
  FTiefeBtn->setObjectName("FTiefeBtn");
  FTiefeBtn->setToolTip(QStringLiteral("Ändert die Farbtiefe des Bildes"));
  // Their dialogs come with the retouching functions.
  SizeBtn->setEnabled(false);
  FTiefeBtn->setEnabled(false);

  // Left block: folders and files above the drive and type boxes.
  auto* left = new QGridLayout;
  left->setSpacing(4);
  left->addWidget(DirectoryListBox1, 0, 0);
  left->addWidget(FileListBox1, 0, 1);
  left->addWidget(DriveComboBox1, 1, 0);
  left->addWidget(FilterComboBox1, 1, 1);
  left->setColumnMinimumWidth(0, 185);
  left->setColumnMinimumWidth(1, 185);

  // Right block: preview over the info fields.
  auto* preview = new QLabel(QStringLiteral("Preview:"), this);
  auto* frame = new QWidget(this);
  frame->setObjectName("Panel1");
  auto* fl = new QVBoxLayout(frame);
  fl->setContentsMargins(1, 1, 1, 1);
  fl->addWidget(PaintBox1);
  frame->setStyleSheet("#Panel1 { border: 1px solid palette(mid); }");
  auto* info = new QGridLayout;
  info->setVerticalSpacing(2);
  info->addWidget(labelFor(QStringLiteral("Breite:"), Breit, this), 0, 0);
  info->addWidget(Breit, 0, 1);
  info->addWidget(SizeBtn, 0, 2);
  info->addWidget(labelFor(QStringLiteral("Höhe:"), Hoch, this), 1, 0);
  info->addWidget(Hoch, 1, 1);
  info->addWidget(labelFor(QStringLiteral("Farben:"), Tief, this), 2, 0);
  info->addWidget(Tief, 2, 1);
  info->addWidget(FTiefeBtn, 2, 2);
  info->addWidget(ShowProzent, 3, 0, 1, 3);
  auto* right = new QVBoxLayout;
  right->setSpacing(2);
  right->addWidget(preview);
  right->addWidget(frame, 1);
  right->addLayout(info);

  auto* all = new QHBoxLayout(this);
  all->setContentsMargins(6, 6, 6, 6);
  all->addLayout(left, 0);
  all->addLayout(right, 1);

  FileListBox1->installEventFilter(this);
  connect(FileListBox1, &QListWidget::itemDoubleClicked, this, [this] { emit fileChosen(); });
  // By the raw name, not the text: a real folder may be called "[..]" too.
  connect(DirectoryListBox1, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { enterDirectory(joined(dir_, item->data(kRawName).toByteArray())); });
  connect(DriveComboBox1, &QComboBox::activated, this,
          [this](int index) { showDirectory(DriveComboBox1->itemData(index).toString()); });
  connect(FilterComboBox1, &QComboBox::currentIndexChanged, this, [this] { refreshFiles(); });
  fillDrives();
}

void LoadTab::fillDrives() {
  DriveComboBox1->clear();
  DriveComboBox1->addItem(QStringLiteral("Persönlicher Ordner (%1)").arg(QDir::homePath()), QDir::homePath());
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
    if (!v.isValid() || !v.isReady()) continue;
    const QString root = v.rootPath();
    // Pseudo file systems hold no pictures.
    const QByteArray type = v.fileSystemType();
    if (type == "proc" || type == "sysfs" || type == "tmpfs" || type == "devtmpfs" || type == "cgroup2" ||
        type == "overlay" || root.startsWith("/proc") || root.startsWith("/sys") || root.startsWith("/dev") ||
        root.startsWith("/run"))
      continue;
    const QString label = v.displayName() == root ? root : QStringLiteral("%1 (%2)").arg(v.displayName(), root);
    DriveComboBox1->addItem(label, root);
  }
}

void LoadTab::setFilter(const QString& filter) {
  FilterComboBox1->blockSignals(true);
  FilterComboBox1->clear();
  const QStringList parts = filter.split('|');
  for (int i = 0; i + 1 < parts.size(); i += 2) FilterComboBox1->addItem(parts[i], parts[i + 1]);
  FilterComboBox1->setCurrentIndex(0);
  FilterComboBox1->blockSignals(false);
  refreshFiles();
}

bool LoadTab::showDirectory(const QString& dir) { return enterDirectory(QFile::encodeName(dir)); }

QString LoadTab::currentDirectory() const { return QFile::decodeName(dir_); }

bool LoadTab::enterDirectory(const QByteArray& path) {
  const QByteArray dir = canonical(path);
  Listing listing;
  if (dir.isEmpty() || !listFolder(dir, listing)) return false;
  dir_ = dir;
  DirectoryListBox1->clear();
  if (dir_ != "/") addEntry(DirectoryListBox1, kParent, kParentName);
  for (const Entry& e : listing.dirs) addEntry(DirectoryListBox1, e.shown, e.raw);
  DirectoryListBox1->setToolTip(QStringLiteral("Hiermit wählen Sie das Verzeichnis") + " (" + currentDirectory() + ")");
  refreshFiles();
  return true;
}

void LoadTab::refreshFiles() {
  FileListBox1->clear();
  Listing listing;
  if (dir_.isEmpty() || !listFolder(dir_, listing)) return;
  const QStringList masks = FilterComboBox1->currentData().toString().split(';', Qt::SkipEmptyParts);
  for (const Entry& e : listing.files)
    if (masks.isEmpty() || QDir::match(masks, e.shown)) addEntry(FileListBox1, e.shown, e.raw);
  if (FileListBox1->count() > 0) FileListBox1->setCurrentRow(0);
}

QByteArray LoadTab::selectedFile() const {
  const QListWidgetItem* item = FileListBox1->currentItem();
  if (!item || !item->isSelected()) return {};
  return joined(dir_, item->data(kRawName).toByteArray());
}

bool LoadTab::eventFilter(QObject* watched, QEvent* e) {
  // Enter in the file list loads like a double click; other keys stay with the list.
  if (watched == FileListBox1 && e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      emit fileChosen();
      return true;
    }
  }
  return QWidget::eventFilter(watched, e);
}

}  // namespace tessaro
