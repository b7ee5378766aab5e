#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <functional>

#include "PdfCheck.h"
#include "app/LoadTab.h"
#include "app/WindowFixture.h"
#include "picture/CodecRegistry.h"
#include "print/PaperSizes.h"
#include "support/PdfPages.h"
#include "support/PosterPictures.h"
#include "support/TestData.h"
#include "ui/FloatEdit.h"

using namespace tessaro;

namespace {}  // namespace

TEST(PdfButton, WritesThePagesPrintingWouldMakeOrSaysWhyNot) {
  QTemporaryDir dir;
  const struct {
    const char* name;
    QString chosen;
    QString written;  // empty: the write fails
  } cases[] = {
      {"name without extension", dir.filePath("plakat"), dir.filePath("plakat.pdf")},
      {"missing folder", dir.filePath("fehlt/plakat.pdf"), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::WindowFixture w(test::smallPage(400, 560));
    w.form.state().Picture = newdib(40, 30, 24, nullptr, 0);
    w.form.PrintBtnClick();
    const size_t printed = w.printer.pageCount();
    ASSERT_GT(printed, 0u);
    auto* button = w.find<QPushButton>("PdfBtn");
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->accessibleName().isEmpty());
    w.form.runPdfDialog = [&c](QWidget*, QString& name) {
      name = c.chosen;
      return true;
    };
    button->click();
    if (c.written.isEmpty()) {
      ASSERT_EQ(w.boxes.shown.size(), 1);
      EXPECT_FALSE(QFile::exists(c.chosen));
      continue;
    }
    EXPECT_TRUE(w.boxes.shown.isEmpty());
    EXPECT_EQ(test::pdfInfoField(c.written, "Pages").toULongLong(), printed);
    // Page size from the printer's metrics: 420 x 580 device pixels at 72 dpi are points.
    EXPECT_TRUE(test::pdfInfoField(c.written, "Page size").startsWith("420 x 580 pts"));
  }
}

// The start picture is no poster anyone wants: exporting it needs a yes, as printing does.
TEST(PdfButton, AsksBeforeExportingTheStartPicture) {
  QTemporaryDir dir;
  for (const bool answer : {false, true}) {
    SCOPED_TRACE(answer);
    test::WindowFixture w(test::smallPage(400, 560));
    const QString file = dir.filePath(answer ? "ja.pdf" : "nein.pdf");
    w.form.runPdfDialog = [&file](QWidget*, QString& name) {
      name = file;
      return true;
    };
    w.boxes.answer = answer;
    w.form.PdfBtnClick();
    EXPECT_EQ(w.boxes.shown, QStringList{"Als PDF speichern: Es ist noch kein Bild geladen. Trotzdem drucken?"});
    EXPECT_EQ(QFile::exists(file), answer);
  }
}

// tessaro-cli poster with the same picture and settings writes the pages the window writes:
// with the start's settings and size, and with settings made after loading.
TEST(PdfButton, TheCommandLineWritesTheSamePages) {
  QTemporaryDir dir;
  const QString picture = dir.filePath("bild.bmp");
  ASSERT_TRUE(SaveDib(test::blockPicture(60, 40, 6, 4), picture.toStdString(), kFormatBmp, {}));
  const struct {
    const char* name;
    bool changeSettings;
    QStringList args;
  } cases[] = {
      {"as started", false, {}},
      {"settings made", true, {"--across", "2.5", "--glue", "8,7", "--glue-lines", "--edge-glue", "--skip", "2,1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::WindowFixture w(paperMetrics(*findPaper("A4"), 72));
    LoadTab* tab = w.form.loadTab();
    ASSERT_TRUE(tab->showDirectory(dir.path()));
    const auto items = tab->FileListBox1->findItems("bild.bmp", Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    tab->FileListBox1->setCurrentItem(items[0]);
    w.form.FileListBox1DblClick();
    if (c.changeSettings) {
      // Without glue strips on the poster's edge, re-applying the geometry changes nothing, so
      // the order in which the window's settings are made does not matter.
      w.find<QCheckBox>("CheckBox10")->setChecked(false);
      w.find<QCheckBox>("CheckBox2")->setChecked(true);
      w.find<QSpinBox>("KrandxlEd")->setValue(8);
      w.find<QSpinBox>("KrandylEd")->setValue(7);
      w.find<FloatEdit>("BreitEd")->setValue(2.5);
      w.form.state().SheetOff.toggle(1, 0);
      w.find<QRadioButton>("RadioButton4")->setChecked(true);
    }
    const QString window = dir.filePath("fenster.pdf"), cli = dir.filePath("kommandozeile.pdf");
    w.form.runPdfDialog = [&window](QWidget*, QString& name) {
      name = window;
      return true;
    };
    w.form.PdfBtnClick();
    ASSERT_TRUE(QFile::exists(window));

    QProcess run;
    run.start(TESSARO_CLI, QStringList{"poster", picture, "-o", cli, "--dpi", "72"} + c.args);
    ASSERT_TRUE(run.waitForFinished(60000));
    ASSERT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    const int pages = test::pdfPageCount(window.toStdString());
    ASSERT_GT(pages, 1);
    ASSERT_EQ(test::pdfPageCount(cli.toStdString()), pages);
    for (int page = 1; page <= pages; ++page) {
      SCOPED_TRACE(page);
      const auto a = test::renderPdfPage(window.toStdString(), page, 72);
      const auto b = test::renderPdfPage(cli.toStdString(), page, 72);
      ASSERT_TRUE(a && b);
      EXPECT_TRUE(a->rgb == b->rgb);
    }
  }
}

// A loaded JPEG goes into the PDF as the file is; an operation leaves only pixels to store, and
// taking it back brings the file's data back.
TEST(PdfButton, AJpegGoesInAsItIsUntilChanged) {
  QTemporaryDir dir;
  const QString jpeg = dir.filePath("foto.jpg"), pdf = dir.filePath("plakat.pdf");
  ASSERT_TRUE(test::runTool("convert", {"-size", "60x40", "gradient:orange-navy", jpeg}));
  test::WindowFixture w(test::smallPage(400, 560));
  ASSERT_TRUE(w.form.openFile(QFile::encodeName(jpeg)));
  w.form.runPdfDialog = [&pdf](QWidget*, QString& name) {
    name = pdf;
    return true;
  };
  const struct {
    const char* name;
    std::function<void()> step;
    QString encoding;  // of the one image, as pdfimages lists it
  } steps[] = {
      {"loaded", [] {}, "jpeg"},
      {"mirrored", [&w] { w.form.FlipHBtnClick(); }, "image"},
      {"taken back", [&w] { w.form.UndoClick(); }, "jpeg"},
      {"done again", [&w] { w.form.RedoClick(); }, "image"},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.name);
    s.step();
    w.form.PdfBtnClick();
    const auto list = test::runTool("pdfimages", {"-list", pdf});
    ASSERT_TRUE(list);
    QStringList encodings;
    for (const QString& line : list->split('\n', Qt::SkipEmptyParts).mid(2))
      encodings << line.split(' ', Qt::SkipEmptyParts).value(8);
    encodings.removeDuplicates();
    EXPECT_EQ(encodings, QStringList{s.encoding});
  }
}

// A PDF page goes in as its own vectors: its text stays text, and no image stands in for it.
TEST(PdfButton, AVectorPageGoesInAsVectors) {
  QTemporaryDir dir;
  const QString pdf = dir.filePath("plakat.pdf");
  test::WindowFixture w(test::smallPage(400, 560));
  w.form.runDialog = [](QDialog&) { return int(QDialog::Accepted); };  // its first page
  ASSERT_TRUE(w.form.openFile(QByteArray::fromStdString(test::dataPath("vector/embed-source.pdf"))));
  w.form.runPdfDialog = [&pdf](QWidget*, QString& name) {
    name = pdf;
    return true;
  };
  w.form.PdfBtnClick();
  EXPECT_TRUE(w.boxes.shown.isEmpty());
  const auto text = test::runTool("pdftotext", {pdf, "-"});
  ASSERT_TRUE(text);
  EXPECT_TRUE(text->contains("Tessaro"));
  const auto images = test::runTool("pdfimages", {"-list", pdf});
  ASSERT_TRUE(images);
  EXPECT_EQ(images->split('\n', Qt::SkipEmptyParts).size(), 2);  // the two heading lines only
}
