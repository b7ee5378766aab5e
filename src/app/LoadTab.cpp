#include "app/LoadTab.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QStorageInfo>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "picture/Limits.h"
#include "platform/MessageBoxes.h"
#include "ui/Controls.h"
#include "ui/ElidingComboBox.h"

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

// Refills `list`, choosing again the entry that was chosen if it is still there.
void refill(QListWidget* list, const std::vector<Entry>& entries) {
  const QListWidgetItem* current = list->currentItem();
  const QByteArray chosen = current && current->isSelected() ? current->data(kRawName).toByteArray() : QByteArray();
  list->clear();
  for (const Entry& e : entries) addEntry(list, e.shown, e.raw);
  for (int row = 0; row < list->count() && !chosen.isEmpty(); ++row)
    if (list->item(row)->data(kRawName).toByteArray() == chosen) {
      list->setCurrentRow(row);
      break;
    }
}

// Fills the folder and file lists from `listing`, files filtered by `masks`, keeping the chosen
// entries still there; the first file is chosen when none is.
void fillLists(QListWidget* folderList, QListWidget* fileList, const QByteArray& dir, const Listing& listing,
               const QStringList& masks) {
  std::vector<Entry> folders;
  if (dir != "/") folders.push_back({kParentName, kParent});
  folders.insert(folders.end(), listing.dirs.begin(), listing.dirs.end());
  refill(folderList, folders);
  std::vector<Entry> files;
  for (const Entry& e : listing.files)
    if (masks.isEmpty() || QDir::match(masks, e.shown)) files.push_back(e);
  refill(fileList, files);
  if (!fileList->currentItem() && fileList->count() > 0) fileList->setCurrentRow(0);
}

bool holds(const QByteArray& root, const QByteArray& dir) {
  return dir == root || (dir.startsWith(root) && (root.endsWith('/') || dir.at(root.size()) == '/'));
}

QByteArray parentOf(const QByteArray& dir) {
  const qsizetype slash = dir.lastIndexOf('/');
  return slash > 0 ? dir.left(slash) : QByteArrayLiteral("/");
}

// The last part of `path` for messages, after resolving "..".
QString folderName(const QByteArray& path) {
  QByteArray resolved = canonical(path);
  if (resolved.isEmpty()) resolved = path;
  if (resolved == "/") return QStringLiteral("/");
  return QFile::decodeName(resolved.mid(resolved.lastIndexOf('/') + 1));
}

// The width a line edit needs to show `text` whole: text, cursor, inner margins and frame.
int editWidthFor(const QLineEdit* edit, const QString& text) {
  constexpr int kInnerMargin = 2;  // QLineEdit's own space left and right of the text
  QStyleOptionFrame opt;
  opt.initFrom(edit);
  opt.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit);
  const QMargins m = edit->textMargins();
  const int inner = edit->fontMetrics().horizontalAdvance(text) + 2 * kInnerMargin + m.left() + m.right() +
                    edit->style()->pixelMetric(QStyle::PM_TextCursorWidth, &opt, edit);
  return edit->style()->sizeFromContents(QStyle::CT_LineEdit, &opt, QSize(inner, edit->height()), edit).width();
}
}  // namespace

LoadTab::LoadTab(QWidget* parent) : QWidget(parent) {
  setObjectName("TabSheet1");
  DriveComboBox1 = new QComboBox(this);
  DriveComboBox1->setObjectName("DriveComboBox1");
  DriveComboBox1->setToolTip(QStringLiteral("Hiermit wählen Sie das Laufwerk"));
  DriveComboBox1->setAccessibleName(QStringLiteral("Laufwerk"));
  PathLabel = new QLabel(this);
  PathLabel->setObjectName("PathLabel");
  PathLabel->setAccessibleName(QStringLiteral("Ordner"));
  PathLabel->setTextFormat(Qt::PlainText);
  // Elided to the width it gets; a long path must not widen the tab.
  PathLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  DirectoryListBox1 = new QListWidget(this);
  DirectoryListBox1->setObjectName("DirectoryListBox1");
  DirectoryListBox1->setToolTip(QStringLiteral("Hiermit wählen Sie das Verzeichnis"));
  DirectoryListBox1->setAccessibleName(QStringLiteral("Verzeichnis"));
  FileListBox1 = new QListWidget(this);
  FileListBox1->setObjectName("FileListBox1");
  FileListBox1->setToolTip(QStringLiteral("Hier können Sie sich die Datei aussuchen"));
  FileListBox1->setAccessibleName(QStringLiteral("Datei"));
  FilterComboBox1 = new ElidingComboBox(this);
  FilterComboBox1->setObjectName("FilterComboBox1");
  FilterComboBox1->setToolTip(QStringLiteral("Hier können Sie die angezeigten Dateitypen wählen"));
  FilterComboBox1->setAccessibleName(QStringLiteral("Dateityp"));
  // The long entries are read in the drop-down; the box itself keeps to its column.
  FilterComboBox1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  FilterComboBox1->setMinimumContentsLength(12);
  ShowProzent = progressBar("ShowProzent", QStringLiteral("Zeigt den Fortschritt beim Laden des Bildes"), this);
  Breit = readOnlyEdit("Breit", "320", QStringLiteral("Zeigt die Breite des gewählten Bildes in Pixeln"), this);
  Hoch = readOnlyEdit("Hoch", "200", QStringLiteral("Zeigt die Höhe des gewählten Bildes in Pixeln"), this);
  Tief = readOnlyEdit("Tief", "256", QStringLiteral("Zeigt die Anzahl der Farben des gewählten Bildes"), this);
  Aufl = readOnlyEdit("Aufl", QStringLiteral("—"),
                      QStringLiteral("Zeigt die Auflösung, die das Bild mitbringt, in Punkten je Zoll"), this);
  PaintBox1 = new PaintBox("PaintBox1", QStringLiteral("Zeigt eine Vorschau des geladenen Bildes"), this);
  SizeBtn = pushButton("SizeBtn", QStringLiteral("Größe..."),
                       QStringLiteral("Hiermit können Sie die Größe des Bildes anpassen.\r\n"
                                      "Die Qualität kann durch das Vergrößern mit Interpolation \r\n"
                                      "erhöht werden! Dabei werden wahrscheinliche \r\n"
                                      "Zwischenfarbwerte berechnet."),
                       this);
  FTiefeBtn = pushButton("FTiefeBtn", QStringLiteral("Farbtiefe..."),
                         QStringLiteral("Hiermit können Sie die Farbtiefe des Bildes anpassen"), this);
  RasterBtn = pushButton("RasterBtn", QStringLiteral("In ein Bild umwandeln…"),
                         QStringLiteral("Hiermit wandeln Sie die Vektorseite in ein Bild aus Bildpunkten um"), this);
  RasterBtn->hide();

  // Left block: folders and files above the drive and type boxes.
  auto* left = new QGridLayout;
  left->setSpacing(4);
  left->addWidget(PathLabel, 0, 0, 1, 2);
  left->addWidget(DirectoryListBox1, 1, 0);
  left->addWidget(FileListBox1, 1, 1);
  left->addWidget(DriveComboBox1, 2, 0);
  left->addWidget(FilterComboBox1, 2, 1);
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
  info->addWidget(RasterBtn, 1, 2);
  info->addWidget(labelFor(QStringLiteral("Farben:"), Tief, this), 2, 0);
  info->addWidget(Tief, 2, 1);
  info->addWidget(FTiefeBtn, 2, 2);
  // Its label is longer than those above: a row of its own, so the columns keep their width.
  auto* resolutionRow = new QHBoxLayout;
  resolutionRow->addWidget(labelFor(QStringLiteral("Auflösung:"), Aufl, this));
  resolutionRow->addWidget(Aufl, 1);
  info->addLayout(resolutionRow, 3, 0, 1, 3);
  info->addWidget(ShowProzent, 4, 0, 1, 4);
  // A wider tab widens the preview and the bar; the fields and buttons keep their size.
  info->setColumnStretch(3, 1);
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
  PathLabel->installEventFilter(this);
  connect(FileListBox1, &QListWidget::itemDoubleClicked, this, [this] { emit fileChosen(); });
  // By the raw name, not the text: a real folder may be called "[..]" too.
  connect(DirectoryListBox1, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { openDirectory(joined(dir_, item->data(kRawName).toByteArray())); });
  connect(DriveComboBox1, &QComboBox::activated, this,
          [this](int index) { openDirectory(QFile::encodeName(DriveComboBox1->itemData(index).toString())); });
  connect(FilterComboBox1, &QComboBox::currentIndexChanged, this, [this] { filterChanged(); });
  changed_.setSingleShot(true);
  changed_.setInterval(200);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
    if (!changed_.isActive()) changed_.start();
  });
  connect(&changed_, &QTimer::timeout, this, [this] { folderChanged(); });
  fillDrives();
  fitInfoFields();
}

LoadTab::~LoadTab() {
  if (watchedFd_ >= 0) ::close(watchedFd_);
}

void LoadTab::fitInfoFields() {
  const QString widest[] = {QString::number(kMaxDimension), QString::number(1 << 24), QStringLiteral("5080.0 mm"),
                            QStringLiteral("Vektorseite")};
  for (QLineEdit* edit : {Breit, Hoch, Tief}) {
    int width = 0;
    for (const QString& text : widest) width = std::max(width, editWidthFor(edit, text));
    edit->setMinimumWidth(width);
  }
}

void LoadTab::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange) {
    fitInfoFields();
  }
}

void LoadTab::fillDrives() {
  DriveComboBox1->clear();
  // Resolved, so that the folder shown (always resolved) is found under it.
  const QByteArray home = canonical(QFile::encodeName(QDir::homePath()));
  DriveComboBox1->addItem(QStringLiteral("Persönlicher Ordner (%1)").arg(QDir::homePath()),
                          home.isEmpty() ? QDir::homePath() : QFile::decodeName(home));
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
  // In a container the root is an overlay, left out above; every folder still needs its drive.
  if (DriveComboBox1->findData(QStringLiteral("/")) < 0)
    DriveComboBox1->addItem(QStringLiteral("/"), QStringLiteral("/"));
}

void LoadTab::setFilter(const QString& filter) {
  FilterComboBox1->blockSignals(true);
  FilterComboBox1->clear();
  const QStringList parts = filter.split('|');
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    FilterComboBox1->addItem(parts[i], parts[i + 1]);
    FilterComboBox1->setItemData(FilterComboBox1->count() - 1, parts[i], Qt::ToolTipRole);
  }
  FilterComboBox1->setCurrentIndex(0);
  FilterComboBox1->blockSignals(false);
  filterChanged();
}

void LoadTab::filterChanged() {
  masks_ = FilterComboBox1->currentData().toString().split(';', Qt::SkipEmptyParts);
  // The whole entry, which the box itself may cut.
  FilterComboBox1->setToolTip(QStringLiteral("Hier können Sie die angezeigten Dateitypen wählen\n") +
                              FilterComboBox1->currentText());
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
  DirectoryListBox1->setToolTip(QStringLiteral("Hiermit wählen Sie das Verzeichnis") + " (" + currentDirectory() + ")");
  watchFolder();
  matchDrive();
  showPath();
  FileListBox1->clear();
  fillLists(DirectoryListBox1, FileListBox1, dir_, listing, masks_);
  return true;
}

void LoadTab::openDirectory(const QByteArray& path) {
  if (!enterDirectory(path))
    messageBoxes().tell(this, QStringLiteral("Fehler"),
                        QStringLiteral("Auf den Ordner \"%1\" kann nicht zugegriffen werden.").arg(folderName(path)),
                        MessageBoxes::Icon::Error);
  // The drive box shows the folder still shown, whichever entry was picked.
  matchDrive();
}

void LoadTab::refreshFiles() {
  FileListBox1->clear();
  Listing listing;
  if (dir_.isEmpty() || !listFolder(dir_, listing)) return;
  fillLists(DirectoryListBox1, FileListBox1, dir_, listing, masks_);
}

void LoadTab::folderChanged() {
  Listing listing;
  if (listFolder(dir_, listing)) {
    fillLists(DirectoryListBox1, FileListBox1, dir_, listing, masks_);
    return;
  }
  // The shown folder is gone or closed to us: show the nearest folder above it that opens.
  for (QByteArray up = dir_; up != "/";) {
    up = parentOf(up);
    if (enterDirectory(up)) return;
  }
  DirectoryListBox1->clear();
  FileListBox1->clear();
}

void LoadTab::watchFolder() {
  if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
  if (watchedFd_ >= 0) ::close(watchedFd_);
  watchedFd_ = -1;
  const QString shown = currentDirectory();
  if (QFile::encodeName(shown) == dir_) {
    watcher_.addPath(shown);
    return;
  }
  // The descriptor's name in /proc leads to the folder whatever bytes its own name holds.
  watchedFd_ = ::open(dir_.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (watchedFd_ >= 0) watcher_.addPath(QStringLiteral("/proc/self/fd/%1").arg(watchedFd_));
}

void LoadTab::matchDrive() {
  int best = -1;
  qsizetype bestLength = -1;
  for (int i = 0; i < DriveComboBox1->count(); ++i) {
    const QByteArray root = QFile::encodeName(DriveComboBox1->itemData(i).toString());
    if (root.size() > bestLength && holds(root, dir_)) {
      best = i;
      bestLength = root.size();
    }
  }
  DriveComboBox1->setCurrentIndex(best);
}

void LoadTab::showPath() {
  const QString path = currentDirectory();
  PathLabel->setToolTip(path);
  PathLabel->setAccessibleDescription(path);
  PathLabel->setText(PathLabel->fontMetrics().elidedText(path, Qt::ElideMiddle, PathLabel->contentsRect().width()));
}

QByteArray LoadTab::selectedFile() const {
  const QListWidgetItem* item = FileListBox1->currentItem();
  if (!item || !item->isSelected()) return {};
  return joined(dir_, item->data(kRawName).toByteArray());
}

void LoadTab::selectFile(const QByteArray& name) {
  for (int row = 0; row < FileListBox1->count(); ++row)
    if (FileListBox1->item(row)->data(kRawName).toByteArray() == name) {
      FileListBox1->setCurrentRow(row);
      return;
    }
}

bool LoadTab::eventFilter(QObject* watched, QEvent* e) {
  if (watched == PathLabel && e->type() == QEvent::Resize) showPath();
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
