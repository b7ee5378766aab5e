// The window on the desktop: files from the command line and dropped onto it, what it remembers
// between runs, and "Standardwerte".
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QUrl>
#include <functional>
#include <optional>

#include "app/LoadTab.h"
#include "app/PassportTab.h"
#include "app/SettingsTab.h"
#include "app/WindowFixture.h"
#include "picture/CodecRegistry.h"

using namespace tessaro;

namespace {

// A folder with a 64 x 48 and a 40 x 30 picture, a broken file and a sub-folder.
struct Pictures {
  QTemporaryDir dir;
  Pictures() {
    EXPECT_TRUE(SaveDib(newdib(64, 48, 24, nullptr, 0), path("wide.bmp").toStdString(), kFormatBmp, {}));
    EXPECT_TRUE(SaveDib(newdib(40, 30, 8, nullptr, 0), path("small.png").toStdString(), kFormatPng, {}));
    QFile broken(path("broken.bmp"));
    EXPECT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("BM not a picture");
    EXPECT_TRUE(QDir(dir.path()).mkdir("sub"));
  }
  QString path(const char* name) const { return dir.path() + "/" + name; }
};

// As a drag from another program ends: it enters the window, then drops.
void drop(QWidget& target, QMimeData& data) {
  QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &enter);
  QDropEvent event(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &event);
}

QMimeData* urls(const QList<QUrl>& list) {
  auto* data = new QMimeData;
  data->setUrls(list);
  return data;
}

TEST(Desktop, FilesFromTheCommandLineAndDroppedLoadAsFromTheFileList) {
  const Pictures pics;
  const QUrl wide = QUrl::fromLocalFile(pics.path("wide.bmp"));
  const QUrl small = QUrl::fromLocalFile(pics.path("small.png"));
  struct Case {
    const char* what;
    std::function<void(test::WindowFixture&)> act;
    int width;     // of the picture afterwards; 320 is the start picture
    bool message;  // the load error was shown
    // The file chosen on the load tab, which shows its folder; none: the tab stays where it was.
    // The list holds broken.bmp first.
    const char* chosen;
  } const cases[] = {
      {"command line", [&](auto& w) { w.form.openFile(QFile::encodeName(pics.path("wide.bmp"))); }, 64, false,
       "wide.bmp"},
      {"command line, broken", [&](auto& w) { w.form.openFile(QFile::encodeName(pics.path("broken.bmp"))); }, 320, true,
       nullptr},
      {"two dropped: the first",
       [&](auto& w) {
         std::unique_ptr<QMimeData> d(urls({small, wide}));
         drop(w.form, *d);
       },
       40, false, "small.png"},
      {"web address before a file: the file",
       [&](auto& w) {
         std::unique_ptr<QMimeData> d(urls({QUrl("https://example.org/a.png"), wide}));
         drop(w.form, *d);
       },
       64, false, "wide.bmp"},
      {"a folder",
       [&](auto& w) {
         std::unique_ptr<QMimeData> d(urls({QUrl::fromLocalFile(pics.path("sub"))}));
         drop(w.form, *d);
       },
       320, false, nullptr},
      {"text",
       [&](auto& w) {
         QMimeData d;
         d.setText(pics.path("wide.bmp"));
         drop(w.form, d);
       },
       320, false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::WindowFixture w;
    const QString startFolder = w.form.loadTab()->currentDirectory();
    c.act(w);
    EXPECT_EQ(DibWidth(w.form.state().Picture), c.width);
    EXPECT_EQ(w.form.state().showsStartPicture(), c.width == 320);
    EXPECT_EQ(w.boxes.shown.size(), c.message ? 1 : 0) << w.boxes.shown.join("; ").toStdString();
    if (c.message) EXPECT_TRUE(w.boxes.shown.value(0).startsWith("Fehler: Die Datei konnte nicht geladen werden!"));
    EXPECT_EQ(w.form.loadTab()->currentDirectory(), c.chosen ? QDir(pics.dir.path()).canonicalPath() : startFolder);
    if (c.chosen) EXPECT_EQ(w.form.loadTab()->selectedFile().split('/').last().toStdString(), c.chosen);
  }
}

TEST(Desktop, FolderOptionsPhotoSizeAndPlaceAreRememberedBetweenRuns) {
  auto pics = std::make_unique<Pictures>();
  const QString folder = QDir(pics->dir.path()).canonicalPath();
  const QRect place(40, 30, 800, 600);
  {
    test::WindowFixture first;
    first.form.show();
    ASSERT_TRUE(first.form.openFile(QFile::encodeName(pics->path("wide.bmp"))));
    SettingsTab& s = *first.form.settingsTab();
    s.CheckBox1->setChecked(false);
    s.CheckBox9->setChecked(true);  // takes CheckBox2 along
    s.LabelsCheck->setChecked(true);
    s.KrandxlEd->setValue(8);
    first.form.passportTab()->PhotoSizeBox->setCurrentIndex(1);
    first.form.setGeometry(place);
    QApplication::processEvents();
    EXPECT_TRUE(first.form.close());
  }
  // Each later run starts where the one before ended; a folder gone since leaves the user at home.
  for (const bool folderGone : {false, true}) {
    SCOPED_TRACE(folderGone ? "folder gone" : "folder there");
    if (folderGone) pics.reset();
    test::ScriptedMessageBoxes boxes;
    test::FakePrintService printer(test::testPageMetrics());
    TMainForm again(printer, {});
    const SettingsTab& s = *again.settingsTab();
    EXPECT_EQ(again.loadTab()->currentDirectory(), folderGone ? QDir::homePath() : folder);
    EXPECT_FALSE(s.CheckBox1->isChecked());
    EXPECT_TRUE(s.CheckBox2->isChecked());
    EXPECT_TRUE(s.LabelsCheck->isChecked());
    EXPECT_FALSE(s.OverviewCheck->isChecked());
    EXPECT_EQ(s.KrandxlEd->value(), 8);
    EXPECT_EQ(again.passportTab()->PhotoSizeBox->currentIndex(), 1);
    EXPECT_FALSE(again.state().options.OptCutLines);  // the state follows the restored boxes
    EXPECT_TRUE(again.state().options.OptPrintGlue);
    EXPECT_EQ(again.geometry().size(), place.size());
    EXPECT_TRUE(boxes.shown.isEmpty());
  }
}

TEST(Desktop, StandardwerteBringsBackTheStartValues) {
  test::WindowFixture w;
  SettingsTab& s = *w.form.settingsTab();
  // The start values of "Einstellungen", box by box.
  const std::pair<QCheckBox*, bool> boxes[] = {
      {s.CheckBox1, true},   {s.CheckBox2, false},      {s.CheckBox3, true},     {s.CheckBox8, true},
      {s.CheckBox9, false},  {s.CheckBox10, true},      {s.CutHintsCheck, true}, {s.CheckBox4, false},
      {s.CheckBox5, false},  {s.CheckBox6, true},       {s.LabelsCheck, false},  {s.OverviewCheck, false},
      {s.RulerCheck, false}, {s.AutoOrientCheck, true}, {s.ProfileCheck, true}};
  for (const auto& [box, start] : boxes) {
    EXPECT_EQ(box->isChecked(), start) << box->objectName().toStdString();
    box->setChecked(!start);
  }
  s.KrandxlEd->setValue(2);
  s.KrandylEd->setValue(9);
  s.DefaultsBtn->click();
  for (const auto& [box, start] : boxes) EXPECT_EQ(box->isChecked(), start) << box->objectName().toStdString();
  EXPECT_EQ(s.KrandxlEd->value(), 5);
  EXPECT_EQ(s.KrandylEd->value(), 5);
  // The options and the glue strips on screen follow, and the next run starts from them too.
  const Options o = w.form.state().options;
  EXPECT_TRUE(o.OptCutLines && !o.OptGlueLines && o.OptNoEdgeLines && o.OptGlueMargin && !o.OptPrintGlue &&
              o.OptNoEdgeGlue && o.OptEdgeHints && !o.OptCenter && !o.OptFullSheet && o.OptKeepAspect);
  EXPECT_TRUE(s.CheckBox9->isEnabled());
  test::FakePrintService printer(test::testPageMetrics());
  TMainForm next(printer, {});
  for (const auto& [box, start] : boxes)
    EXPECT_EQ(next.settingsTab()->findChild<QCheckBox*>(box->objectName())->isChecked(), start);
  EXPECT_EQ(next.settingsTab()->KrandylEd->value(), 5);
  // The tab still shows everything at the window's start size.
  w.form.show();
  w.form.pageControl()->setCurrentWidget(&s);
  QApplication::processEvents();
  EXPECT_LE(s.minimumSizeHint().height(), s.height());
  EXPECT_LE(s.minimumSizeHint().width(), s.width());
}

}  // namespace
