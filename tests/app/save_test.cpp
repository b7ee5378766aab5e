#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "app/WindowFixture.h"
#include "picture/CodecRegistry.h"

using namespace tessaro;

namespace {

// The save dialog as the user answers it: the name typed and the entry chosen.
struct DialogAnswer {
  bool accept = true;
  QString name;
  int entry = 1;
  QStringList filtersSeen;
  int entryShown = 0;
};

void answerWith(TMainForm& form, DialogAnswer& a) {
  form.runSaveDialog = [&a](QWidget*, const QStringList& filters, int& index, QString& name) {
    a.filtersSeen = filters;
    a.entryShown = index;
    if (!a.accept) return false;
    index = a.entry;
    name = a.name;
    return true;
  };
}

QByteArray head(const QString& path, int n) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.read(n) : QByteArray();
}

}  // namespace

TEST(SaveButton, NameWithoutExtensionGetsTheEntrysOne) {
  QTemporaryDir dir;
  test::WindowFixture w;
  w.form.state().Picture = newdib(40, 30, 8, nullptr, 0);
  DialogAnswer a{true, dir.filePath("plakat"), 3};
  answerWith(w.form, a);
  w.form.SaveBtnClick();
  EXPECT_EQ(a.entryShown, 1);  // the first time the first entry
  ASSERT_EQ(a.filtersSeen.size(), 12);
  EXPECT_TRUE(a.filtersSeen[2].contains("*.gif"));
  EXPECT_TRUE(a.filtersSeen[11].contains("*.png"));
  EXPECT_EQ(head(dir.filePath("plakat.gif"), 3), "GIF");
  EXPECT_TRUE(w.boxes.shown.isEmpty());
  // The entry chosen last is offered next time.
  w.form.SaveBtnClick();
  EXPECT_EQ(a.entryShown, 3);
}

TEST(SaveButton, TheEntryNotTheTypedExtensionChoosesTheFormat) {
  QTemporaryDir dir;
  test::WindowFixture w;
  w.form.state().Picture = newdib(40, 30, 24, nullptr, 0);
  DialogAnswer a{true, dir.filePath("plakat.bmp"), 6};
  answerWith(w.form, a);
  w.form.SaveBtnClick();
  // A JPEG file under the typed name.
  EXPECT_EQ(head(dir.filePath("plakat.bmp"), 2), QByteArray("\xff\xd8", 2));
  EXPECT_FALSE(QFile::exists(dir.filePath("plakat.bmp.jpg")));
  TDib back = OpenDib(dir.filePath("plakat.bmp").toStdString(), 0, {});
  EXPECT_EQ(DibWidth(back), 40);
}

TEST(SaveButton, CancelWritesNothing) {
  QTemporaryDir dir;
  test::WindowFixture w;
  DialogAnswer a{false, dir.filePath("plakat"), 1};
  answerWith(w.form, a);
  w.form.SaveBtnClick();
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
  EXPECT_TRUE(w.boxes.shown.isEmpty());
}

TEST(SaveButton, AFailedSaveKeepsTheOldFileAndSaysSo) {
  struct Row {
    const char* what;
    QFileDevice::Permissions permissions;
    int width;
    const char* reason;
  } rows[] = {
      // PCX holds at most 65536 pixels a row: this one cannot be written.
      {"too wide for PCX", QFileDevice::ReadOwner | QFileDevice::WriteOwner, 70000,
       "Dieses Format kann das Bild nicht aufnehmen."},
      {"write-protected", QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther, 40,
       "Die Datei ist schreibgeschützt."},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    QTemporaryDir dir;
    const QString target = dir.filePath("alt.pcx");
    {
      QFile old(target);
      ASSERT_TRUE(old.open(QIODevice::WriteOnly));
      old.write("the user's old picture");
    }
    ASSERT_TRUE(QFile::setPermissions(target, r.permissions));
    test::WindowFixture w;
    w.form.state().Picture = newdib(r.width, 1, 8, nullptr, 0);
    DialogAnswer a{true, target, 8};
    answerWith(w.form, a);
    w.form.SaveBtnClick();
    ASSERT_EQ(w.boxes.shown.size(), 1);
    // The program's sentence first, then the reason on a line of its own.
    const QString expected = QStringLiteral("Fehler: Das Bild konnte nicht in der Datei \"%1\" gespeichert werden!\n%2")
                                 .arg(target, r.reason);
    EXPECT_EQ(w.boxes.shown[0], expected);
    EXPECT_EQ(head(target, 100), "the user's old picture");
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
  }
}
