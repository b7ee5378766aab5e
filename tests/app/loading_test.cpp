#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <functional>
#include <utility>

#include "app/LoadTab.h"
#include "app/RetouchTab.h"
#include "app/WindowFixture.h"
#include "picture/CodecRegistry.h"
#include "support/TestData.h"

using namespace tessaro;

namespace {

// A folder with a 1024 x 768 true-colour picture, a small palette picture and a broken file.
struct PictureFolder {
  QTemporaryDir dir;
  PictureFolder() {
    TDib big = newdib(1024, 768, 24, nullptr, 0);
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 1024; ++x) setpixel(big, x, y, 0x00ff00);
    EXPECT_TRUE(SaveDib(big, path("big.bmp"), kFormatBmp, {}));
    TDib small = newdib(400, 100, 4, nullptr, 0);
    EXPECT_TRUE(SaveDib(small, path("small.rle"), kFormatRle, {}));
    QFile broken(QString::fromStdString(path("broken.bmp")));
    EXPECT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("BM\x10\x00\x00\x00 not really a picture");
  }
  std::string path(const char* name) const { return (dir.path() + "/" + name).toStdString(); }
};

// A temporary folder for names a QString cannot carry; Qt could not remove them.
struct RawFolder {
  QTemporaryDir dir;
  std::string root = QFile::encodeName(dir.path()).toStdString();
  ~RawFolder() { std::filesystem::remove_all(root); }
};

QListWidgetItem* itemNamed(QListWidget* list, const QString& name) {
  const auto found = list->findItems(name, Qt::MatchExactly);
  return found.isEmpty() ? nullptr : found.first();
}

std::string chosen(const QListWidget* list) {
  const QListWidgetItem* item = list->currentItem();
  return item && item->isSelected() ? item->text().toStdString() : std::string();
}

void makeFolder(const std::string& path) { ASSERT_EQ(::mkdir(path.c_str(), 0755), 0) << path; }

void makeFile(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fclose(f);
}

// Where a line edit draws its text: the contents rectangle less the text margins and the 2 pixels
// QLineEdit keeps free on either side.
int textRoom(const QLineEdit* edit) {
  QStyleOptionFrame opt;
  opt.initFrom(edit);
  opt.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit);
  const QRect contents = edit->style()->subElementRect(QStyle::SE_LineEditContents, &opt, edit);
  return contents.marginsRemoved(edit->textMargins()).width() - 2 * 2;
}

void doubleClick(QListWidget* list, QListWidgetItem* item) {
  ASSERT_NE(item, nullptr);
  list->window()->show();
  list->window()->activateWindow();
  // The tab and its lists must be laid out before an item has a place to click on.
  QApplication::processEvents();
  list->scrollToItem(item);
  list->setCurrentItem(item);
  const QPoint at = list->visualItemRect(item).center();
  // As a person does it: the file is clicked, then double-clicked.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at, 400);
}

}  // namespace

TEST(Loading, DoubleClickLoadsAndShowsThePictureInfo) {
  PictureFolder folder;
  test::WindowFixture w;
  LoadTab* tab = w.form.loadTab();
  w.form.show();
  ASSERT_TRUE(tab->showDirectory(folder.dir.path()));
  // The type box lists every picture type; the broken .bmp is listed too.
  QListWidgetItem* big = itemNamed(tab->FileListBox1, "big.bmp");
  ASSERT_NE(big, nullptr);
  EXPECT_NE(itemNamed(tab->FileListBox1, "small.rle"), nullptr);
  doubleClick(tab->FileListBox1, big);
  EXPECT_EQ(w.find<QLineEdit>("Breit")->text(), "1024");
  EXPECT_EQ(w.find<QLineEdit>("Hoch")->text(), "768");
  EXPECT_EQ(w.find<QLineEdit>("Tief")->text(), "16777216");
  EXPECT_EQ(w.find<QLineEdit>("Aufl")->text(), "—");
  const MainState& st = w.form.state();
  EXPECT_EQ(st.CropLeft, 0);
  EXPECT_EQ(st.CropTop, 0);
  EXPECT_EQ(st.CropRight, 1024);
  EXPECT_EQ(st.CropBottom, 768);
  EXPECT_EQ(getpixel(st.Picture, 5, 10), 0x00ff00);
  EXPECT_EQ(w.find<QProgressBar>("ShowProzent")->value(), 100);
  EXPECT_TRUE(w.boxes.shown.isEmpty());

  // The small preview shows the picture: its top-left corner is drawn, the area below is not.
  const QImage shot = tab->PaintBox1->grab().toImage();
  const int drawnHeight = tab->PaintBox1->width() * 768 / 1024;
  EXPECT_EQ(QColor(shot.pixel(3, drawnHeight * 50 / 768)), QColor(0, 255, 0));
  EXPECT_EQ(QColor(shot.pixel(3, drawnHeight * 400 / 768)), QColor(0, 0, 0));
}

// A phone's portrait photo, stored 12 x 8 and tagged Orientation 6, loads upright as 8 x 12 with
// the crop frame around the upright picture, and prints so; with the setting off it loads as stored.
TEST(Loading, PortraitPhotoStandsUprightUnlessTheSettingIsOff) {
  QTemporaryDir dir;
  const QString name = "portrait.jpg";
  ASSERT_TRUE(
      QFile::copy(QString::fromStdString(test::dataPath("jpeg/good-exif-orientation-6.jpg")), dir.path() + "/" + name));
  const QString tagged = "portrait-200x100dpi.jpg";  // stored at 200 dpi across, 100 down
  ASSERT_TRUE(QFile::copy(QString::fromStdString(test::dataPath("resolution/jfif-200x100dpi-orientation-6.jpg")),
                          dir.path() + "/" + tagged));
  test::WindowFixture w(test::smallPage(400, 600));  // pages small enough to read back
  LoadTab* tab = w.form.loadTab();
  w.form.show();
  ASSERT_TRUE(tab->showDirectory(dir.path()));
  for (const bool upright : {true, false}) {
    SCOPED_TRACE(upright);
    w.find<QCheckBox>("AutoOrientCheck")->setChecked(upright);
    doubleClick(tab->FileListBox1, itemNamed(tab->FileListBox1, name));
    const int width = upright ? 8 : 12, height = upright ? 12 : 8;
    EXPECT_EQ(w.find<QLineEdit>("Breit")->text(), QString::number(width));
    EXPECT_EQ(w.find<QLineEdit>("Hoch")->text(), QString::number(height));
    EXPECT_EQ(w.form.state().CropRight, width);
    EXPECT_EQ(w.form.state().CropBottom, height);
    // Sheet A1 starts with the picture's top-left corner: blue upright, red as stored.
    const size_t pages = w.printer.pageCount();
    w.form.PrintBtnClick();
    ASSERT_GT(w.printer.pageCount(), pages);
    ASSERT_NE(w.printer.rasterPage(pages), nullptr);
    const test::RasterDevice& a1 = *w.printer.rasterPage(pages);
    Color first = kWhite;
    for (int32_t y = 0; y < a1.height() && first == kWhite; ++y)
      for (int32_t x = 0; x < a1.width() && first == kWhite; ++x) first = a1.pixel(x, y);
    EXPECT_EQ(colorBlue(first) > 200 && colorRed(first) < 60, upright) << std::hex << first;
    EXPECT_EQ(colorRed(first) > 200 && colorBlue(first) < 60, !upright) << std::hex << first;
    doubleClick(tab->FileListBox1, itemNamed(tab->FileListBox1, tagged));
    EXPECT_EQ(w.find<QLineEdit>("Aufl")->text(), upright ? "100 x 200 dpi" : "200 x 100 dpi");
  }
}

// A file that fails, and a damaged one the user declines with "Nein" (the question's default),
// change nothing: picture, undo steps, crop frame, poster. "Ja" loads the damaged picture. The
// damaged bytes are those of the core's damage table.
TEST(Loading, AFileThatFailsOrIsDeclinedChangesNothing) {
  struct Case {
    const char* file;
    bool answer;
    std::string shown;
    const char* width;  // after the load: "100" (the turned small picture) when nothing changed
  };
  const Case cases[] = {
      {"broken.bmp", true,
       "Fehler: Die Datei konnte nicht geladen werden!\nbroken.bmp: Die Datei ist bei Byte 3 beschädigt oder "
       "unvollständig.",
       "100"},
      {"scrambled.jpg", false,
       "Beschädigte Datei: Die Datei „scrambled.jpg“ ist ab Byte 55388 beschädigt. Das Bild kann Fehler enthalten. "
       "Trotzdem laden? [Nein]",
       "100"},
      {"scrambled.tif", false,
       "Beschädigte Datei: Die Datei „scrambled.tif“ ist ab Byte 30736 beschädigt. Das Bild kann Fehler enthalten. "
       "Trotzdem laden? [Nein]",
       "100"},
      {"scrambled.tif", true,
       "Beschädigte Datei: Die Datei „scrambled.tif“ ist ab Byte 30736 beschädigt. Das Bild kann Fehler enthalten. "
       "Trotzdem laden? [Nein]",
       "640"},
  };
  PictureFolder folder;
  ASSERT_TRUE(QFile::copy(QString::fromStdString(test::dataPath("jpeg/bad-scrambled-at-5905.jpg")),
                          QString::fromStdString(folder.path("scrambled.jpg"))));
  ASSERT_TRUE(QFile::copy(QString::fromStdString(test::dataPath("tiff/bad-jpeg-scrambled-at-45908.tif")),
                          QString::fromStdString(folder.path("scrambled.tif"))));
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + (c.answer ? " Ja" : " Nein"));
    test::WindowFixture w;
    LoadTab* tab = w.form.loadTab();
    ASSERT_TRUE(tab->showDirectory(folder.dir.path()));
    doubleClick(tab->FileListBox1, itemNamed(tab->FileListBox1, "small.rle"));
    w.form.retouchTab()->RotLeftBtn->click();
    const uint8_t* before = w.form.state().Picture.Bits;
    const double sheets = w.form.state().poster.PosterWidth;
    w.boxes.answer = c.answer;
    doubleClick(tab->FileListBox1, itemNamed(tab->FileListBox1, c.file));
    ASSERT_EQ(w.boxes.shown.size(), 1);
    EXPECT_EQ(w.boxes.shown[0].toStdString(), c.shown);
    EXPECT_EQ(w.find<QLineEdit>("Breit")->text().toStdString(), c.width);
    if (std::string(c.width) != "100") continue;
    EXPECT_EQ(w.form.state().Picture.Bits, before);
    EXPECT_EQ(w.form.history().undoCount(), 1u);
    EXPECT_EQ(w.find<QLineEdit>("Tief")->text(), "16");
    EXPECT_EQ(w.form.state().CropRight, 100);
    EXPECT_DOUBLE_EQ(w.form.state().poster.PosterWidth, sheets);
  }
}

TEST(Loading, EnterLoadsOtherKeysDoNot) {
  PictureFolder folder;
  test::WindowFixture w;
  LoadTab* tab = w.form.loadTab();
  w.form.show();
  ASSERT_TRUE(tab->showDirectory(folder.dir.path()));
  tab->FileListBox1->setFocus();
  tab->FileListBox1->setCurrentItem(itemNamed(tab->FileListBox1, "small.rle"));
  QTest::keyClick(tab->FileListBox1, Qt::Key_Space);
  QTest::keyClick(tab->FileListBox1, Qt::Key_A);
  EXPECT_EQ(w.find<QLineEdit>("Breit")->text(), "320");
  tab->FileListBox1->setCurrentItem(itemNamed(tab->FileListBox1, "small.rle"));
  QTest::keyClick(tab->FileListBox1, Qt::Key_Return);
  EXPECT_EQ(w.find<QLineEdit>("Breit")->text(), "400");
  EXPECT_EQ(w.find<QLineEdit>("Hoch")->text(), "100");
}

TEST(Loading, AnEmptyListLoadsNothingAndSaysNothing) {
  QTemporaryDir empty;
  test::WindowFixture w;
  LoadTab* tab = w.form.loadTab();
  ASSERT_TRUE(tab->showDirectory(empty.path()));
  EXPECT_EQ(tab->FileListBox1->count(), 0);
  w.form.FileListBox1DblClick();
  EXPECT_TRUE(w.boxes.shown.isEmpty());
  EXPECT_EQ(w.find<QLineEdit>("Breit")->text(), "320");
}

TEST(Loading, FoldersAndFileTypesFilterTheList) {
  PictureFolder folder;
  QDir(folder.dir.path()).mkdir("sub");
  for (const char* page : {"mm.svg", "sizes.pdf"})
    ASSERT_TRUE(QFile::copy(QString::fromStdString(test::dataPath(std::string("vector/") + page)),
                            folder.dir.filePath(page)));
  test::WindowFixture w;
  LoadTab* tab = w.form.loadTab();
  const QString workingFolder = QDir::currentPath();
  ASSERT_TRUE(tab->showDirectory(folder.dir.path()));
  EXPECT_EQ(QDir::currentPath(), workingFolder);
  ASSERT_NE(itemNamed(tab->DirectoryListBox1, "sub"), nullptr);
  EXPECT_EQ(tab->FileListBox1->count(), 5);  // "Alle Bilddateien" lists the vector pages too
  // One entry of the type box: the other files disappear.
  for (const auto& [entry, file] : {std::pair{"RLE (", "small.rle"}, {"PDF-Dateien (*.pdf)", "sizes.pdf"},
                                    {"SVG-Dateien (*.svg *.svgz)", "mm.svg"}}) {
    const int index = tab->FilterComboBox1->findText(entry, Qt::MatchStartsWith);
    ASSERT_GE(index, 0) << entry;
    tab->FilterComboBox1->setCurrentIndex(index);
    ASSERT_EQ(tab->FileListBox1->count(), 1) << entry;
    EXPECT_EQ(tab->FileListBox1->item(0)->text().toStdString(), file);
  }
  // Into the sub-folder and back up.
  emit tab->DirectoryListBox1->itemActivated(itemNamed(tab->DirectoryListBox1, "sub"));
  EXPECT_TRUE(tab->currentDirectory().endsWith("/sub"));
  emit tab->DirectoryListBox1->itemActivated(itemNamed(tab->DirectoryListBox1, "[..]"));
  EXPECT_EQ(tab->currentDirectory(), QDir(folder.dir.path()).canonicalPath());
}

// Names from old disks are Latin-1 bytes, not UTF-8 ("Grüße" is "Gr\374\337e"), and a real folder
// may be called "[..]".
TEST(LoadTab, RawNamesAndABracketFolderAreListedEnteredAndLoaded) {
  RawFolder raw;
  const std::string& root = raw.root;
  ASSERT_EQ(::mkdir((root + "/[..]").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((root + "/Bl\344tter").c_str(), 0755), 0);
  ASSERT_TRUE(SaveDib(newdib(37, 21, 8, nullptr, 0), root + "/Gr\374\337e.bmp", kFormatBmp, {}));
  ASSERT_TRUE(SaveDib(newdib(5, 3, 8, nullptr, 0), root + "/[..]/inside.bmp", kFormatBmp, {}));
  FILE* broken = std::fopen((root + "/Bl\344tter/\351chec.bmp").c_str(), "wb");
  ASSERT_NE(broken, nullptr);
  std::fputs("BM\x10", broken);  // cut short after the file header's size field began
  std::fclose(broken);
  const QString workingFolder = QDir::currentPath();
  const QString top = QDir(raw.dir.path()).canonicalPath();
  test::WindowFixture w;
  LoadTab* tab = w.form.loadTab();
  w.form.show();
  ASSERT_TRUE(tab->showDirectory(raw.dir.path()));

  // Each byte that is not UTF-8 shows as U+FFFD, as b"Gr\xfc\xdfe.bmp".decode("utf-8", "replace") gives.
  doubleClick(tab->FileListBox1, itemNamed(tab->FileListBox1, QStringLiteral("Gr\uFFFD\uFFFDe.bmp")));
  EXPECT_EQ(w.find<QLineEdit>("Breit")->text(), "37");
  EXPECT_EQ(w.find<QLineEdit>("Hoch")->text(), "21");

  // The parent entry comes first; the real "[..]" is the other one.
  const auto brackets = tab->DirectoryListBox1->findItems("[..]", Qt::MatchExactly);
  ASSERT_EQ(brackets.size(), 2);
  ASSERT_EQ(tab->DirectoryListBox1->row(brackets[0]), 0);
  emit tab->DirectoryListBox1->itemActivated(brackets[1]);
  EXPECT_EQ(tab->currentDirectory(), top + "/[..]");
  EXPECT_NE(itemNamed(tab->FileListBox1, "inside.bmp"), nullptr);
  emit tab->DirectoryListBox1->itemActivated(tab->DirectoryListBox1->item(0));
  EXPECT_EQ(tab->currentDirectory(), top);

  // Into the Latin-1 folder: its file is opened (and refused at its third byte) under its raw name.
  QListWidgetItem* latin = itemNamed(tab->DirectoryListBox1, QStringLiteral("Bl\uFFFDtter"));
  ASSERT_NE(latin, nullptr);
  emit tab->DirectoryListBox1->itemActivated(latin);
  doubleClick(tab->FileListBox1, itemNamed(tab->FileListBox1, QStringLiteral("\uFFFDchec.bmp")));
  ASSERT_EQ(w.boxes.shown.size(), 1);
  EXPECT_EQ(w.boxes.shown[0].toStdString(),
            "Fehler: Die Datei konnte nicht geladen werden!\n\uFFFDchec.bmp: Die Datei ist bei Byte 3 beschädigt oder "
            "unvollständig.");
  EXPECT_EQ(QDir::currentPath(), workingFolder);
}

// The widest numbers the info fields get, 262144 pixels (the largest side read), 16777216
// colours and a vector page's 5080.0 mm (200 inches) and "Vektorseite", are shown whole at the start size and larger: text and cursor fit the field.
TEST(LoadTab, InfoFieldsShowWholeNumbers) {
  test::WindowFixture w;
  w.form.show();
  for (const QSize size : {QSize(630, 440), QSize(800, 520), QSize(1600, 1000)}) {
    w.form.resize(size);
    QApplication::processEvents();
    for (const char* name : {"Breit", "Hoch", "Tief"}) {
      auto* edit = w.find<QLineEdit>(name);
      for (const QString text : {"6000", "262144", "16777216", "5080.0 mm", "Vektorseite"}) {
        edit->setText(text);
        EXPECT_LE(edit->fontMetrics().horizontalAdvance(text) + 1, textRoom(edit))
            << name << " " << text.toStdString() << " at " << size.width() << " x " << size.height();
      }
    }
  }
}

// A folder that cannot be opened is named in a message, and the tab stays where it was: one that
// vanished after it was listed (its Latin-1 name shown with U+FFFD) and one without read
// permission, which only a user other than root is refused.
TEST(LoadTab, AFolderThatCannotBeOpenedIsReportedAndTheTabStays) {
  struct Case {
    const char* raw;
    const char* shown;
    bool needsNonRoot;
    void (*spoil)(const std::string&);
  };
  const Case cases[] = {
      {"Bl\344tter", "Bl\uFFFDtter", false, [](const std::string& p) { ASSERT_EQ(::rmdir(p.c_str()), 0); }},
      {"geschlossen", "geschlossen", true, [](const std::string& p) { ASSERT_EQ(::chmod(p.c_str(), 0), 0); }},
  };
  for (const Case& c : cases) {
    if (c.needsNonRoot && ::geteuid() == 0) continue;
    SCOPED_TRACE(c.shown);
    RawFolder raw;
    const std::string folder = raw.root + "/" + c.raw;
    makeFolder(folder);
    makeFile(raw.root + "/bild.bmp");
    test::WindowFixture w;
    LoadTab* tab = w.form.loadTab();
    ASSERT_TRUE(tab->showDirectory(raw.dir.path()));
    const QString shown = tab->currentDirectory();
    const int drive = tab->DriveComboBox1->currentIndex();
    QListWidgetItem* item = itemNamed(tab->DirectoryListBox1, QString::fromUtf8(c.shown));
    ASSERT_NE(item, nullptr);
    // Spoiled between listing and double click, before the tab hears of the change.
    c.spoil(folder);
    emit tab->DirectoryListBox1->itemActivated(item);
    ASSERT_EQ(w.boxes.shown.size(), 1);
    EXPECT_EQ(w.boxes.shown[0].toStdString(),
              std::string("Fehler: Auf den Ordner \"") + c.shown + "\" kann nicht zugegriffen werden.");
    EXPECT_EQ(tab->currentDirectory(), shown);
    EXPECT_EQ(tab->DriveComboBox1->currentIndex(), drive);
    EXPECT_NE(itemNamed(tab->FileListBox1, "bild.bmp"), nullptr);
    ::chmod(folder.c_str(), 0755);
  }
}

// The lists follow the shown folder as it changes on disk and keep the chosen entries; a folder
// that goes away gives way to the one above it. Both for a plain name and for a Latin-1 name,
// which a QString cannot carry back to the file system.
TEST(LoadTab, ListsFollowTheShownFolderAndTheDriveAndPathNameIt) {
  const auto within5s = [](const std::function<bool()>& done) { return QTest::qWaitFor(done, 5000); };
  for (const char* name : {"Ordner", "Bl\344tter"}) {
    SCOPED_TRACE(name);
    RawFolder raw;
    const std::string folder = raw.root + "/" + name;
    makeFolder(folder);
    makeFolder(folder + "/alt");
    for (const char* file : {"/a.bmp", "/b.bmp"}) makeFile(folder + file);
    test::WindowFixture w;
    LoadTab* tab = w.form.loadTab();
    ASSERT_TRUE(tab->showDirectory(raw.dir.path()));
    emit tab->DirectoryListBox1->itemActivated(itemNamed(tab->DirectoryListBox1, QFile::decodeName(name)));
    tab->DirectoryListBox1->setCurrentItem(itemNamed(tab->DirectoryListBox1, "alt"));
    tab->FileListBox1->setCurrentItem(itemNamed(tab->FileListBox1, "b.bmp"));

    makeFolder(folder + "/neu");
    makeFile(folder + "/c.bmp");
    EXPECT_TRUE(
        within5s([&] { return itemNamed(tab->FileListBox1, "c.bmp") && itemNamed(tab->DirectoryListBox1, "neu"); }));
    EXPECT_EQ(chosen(tab->DirectoryListBox1), "alt");
    EXPECT_EQ(chosen(tab->FileListBox1), "b.bmp");

    std::filesystem::remove(folder + "/a.bmp");
    EXPECT_TRUE(within5s([&] { return !itemNamed(tab->FileListBox1, "a.bmp"); }));
    EXPECT_EQ(chosen(tab->FileListBox1), "b.bmp");

    std::filesystem::remove_all(folder);
    EXPECT_TRUE(within5s([&] { return tab->currentDirectory() == QDir(raw.dir.path()).canonicalPath(); }));
    EXPECT_EQ(itemNamed(tab->DirectoryListBox1, QFile::decodeName(name)), nullptr);
  }

  // The drive box shows the entry that holds the folder, the personal folder inside the root; the
  // label above the lists shows the path, cut in the middle when long, whole in its tool tip.
  RawFolder raw;
  std::string deep = raw.root;
  for (int i = 0; i < 8; ++i) makeFolder(deep += "/ein-ziemlich-langer-Ordnername");
  test::WindowFixture w;
  w.form.show();
  LoadTab* tab = w.form.loadTab();
  QComboBox* drives = tab->DriveComboBox1;
  // At the start, the working folder.
  ASSERT_GE(drives->currentIndex(), 0);
  EXPECT_TRUE(QDir::current().canonicalPath().startsWith(drives->currentData().toString()));
  EXPECT_EQ(tab->PathLabel->accessibleName(), "Ordner");
  struct Case {
    QString folder;
    QString drive;
  };
  const QString home = QDir(QDir::homePath()).canonicalPath();
  for (const Case& c :
       {Case{"/", "/"}, Case{home, home}, Case{QFile::decodeName(QByteArray::fromStdString(deep)), ""}}) {
    SCOPED_TRACE(c.folder.toStdString());
    ASSERT_TRUE(tab->showDirectory(c.folder));
    QApplication::processEvents();
    if (!c.drive.isEmpty()) EXPECT_EQ(drives->currentData().toString(), c.drive);
    const QLabel* path = tab->PathLabel;
    EXPECT_EQ(path->toolTip(), tab->currentDirectory());
    EXPECT_LE(path->fontMetrics().horizontalAdvance(path->text()), path->contentsRect().width());
    if (path->fontMetrics().horizontalAdvance(c.folder) <= path->contentsRect().width()) {
      EXPECT_EQ(path->text(), c.folder);
    } else {
      EXPECT_TRUE(path->text().startsWith(c.folder.left(3))) << path->text().toStdString();
      EXPECT_TRUE(path->text().contains(QChar(0x2026))) << path->text().toStdString();
      EXPECT_TRUE(path->text().endsWith("Ordnername")) << path->text().toStdString();
    }
  }
}
