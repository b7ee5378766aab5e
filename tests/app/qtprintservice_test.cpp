#include "platform/QtPrintService.h"

#include <cups/cups.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <random>

#include "PdfCheck.h"
#include "app/MainForm.h"
#include "app/PosterSizeTab.h"
#include "app/PrintTab.h"
#include "app/ScriptedMessageBoxes.h"
#include "app/SettingsTab.h"
#include "support/PosterPictures.h"

namespace tessaro {
namespace {

TEST(QtPrintServicePdfFile, PagesMatchTheA4MetricsTheLayoutIsComputedFrom) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QtPrintService service;
  service.usePdfFile(dir.path());
  ASSERT_TRUE(service.printsToFile());
  const PageMetrics m = service.metrics(), a4 = defaultA4Metrics();
  EXPECT_EQ(m.physicalWidth, a4.physicalWidth);
  EXPECT_EQ(m.physicalHeight, a4.physicalHeight);
  EXPECT_EQ(m.offsetX, a4.offsetX);
  EXPECT_EQ(m.offsetY, a4.offsetY);
  EXPECT_EQ(m.dpiX, a4.dpiX);
  EXPECT_EQ(m.dpiY, a4.dpiY);
  EXPECT_EQ(m.pageWidth, a4.pageWidth);
  EXPECT_EQ(m.pageHeight, a4.pageHeight);

  EXPECT_FALSE(service.newPage()) << "no document open";
  EXPECT_FALSE(service.endDoc());
  service.setTitle("Tessaro Poster");
  ASSERT_TRUE(service.beginDoc());
  EXPECT_FALSE(service.beginDoc()) << "one document at a time";
  EXPECT_EQ(service.outputFile(), dir.filePath("Tessaro Poster.pdf"));
  EXPECT_EQ(service.jobFile(), service.outputFile().toStdString());
  // The page the core draws on is exactly the printable area it laid the sheet out for.
  EXPECT_EQ(service.page().width(), a4.pageWidth);
  EXPECT_EQ(service.page().height(), a4.pageHeight);
  service.page().fillRect(0, 0, 600, 600, kRed);
  // Reaches 300 pixels past the printable area, which ends 97 pixels before the paper's edge.
  service.page().fillRect(a4.pageWidth - 120, 1000, a4.pageWidth + 300, 1600, kRed);
  ASSERT_TRUE(service.newPage());
  service.page().fillRect(0, 0, 600, 600, rgbColor(0, 0, 255));
  ASSERT_TRUE(service.endDoc());

  const QString pdf = service.outputFile();
  EXPECT_EQ(test::pdfInfoField(pdf, "Pages"), "2");
  EXPECT_EQ(test::pdfInfoField(pdf, "Title"), "Tessaro Poster");
  // At 60 dpi the printable area starts 10 pixels in; 600 device pixels are 60.
  const QImage page1 = test::renderPdfPage(pdf, 1, 60);
  ASSERT_FALSE(page1.isNull());
  EXPECT_TRUE(test::colourNear(page1.pixel(480, 140), qRgb(255, 0, 0)));
  EXPECT_TRUE(test::colourNear(page1.pixel(491, 140), qRgb(255, 255, 255))) << "clipped to the printable area";
  const QImage page2 = test::renderPdfPage(pdf, 2, 60);
  ASSERT_FALSE(page2.isNull());
  EXPECT_TRUE(test::colourNear(page2.pixel(40, 40), qRgb(0, 0, 255)));
  EXPECT_TRUE(test::colourNear(page2.pixel(5, 5), qRgb(255, 255, 255)));
  EXPECT_TRUE(test::colourNear(page2.pixel(75, 40), qRgb(255, 255, 255)));
}

TEST(QtPrintServicePdfFile, EveryJobGetsAFileOfItsOwn) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QtPrintService service;
  service.usePdfFile(dir.path());
  const struct {
    const char* title;
    const char* file;
  } jobs[] = {
      {"Tessaro Poster", "Tessaro Poster.pdf"},
      {"Tessaro Poster", "Tessaro Poster (2).pdf"},
      {"Tessaro Poster", "Tessaro Poster (3).pdf"},
      {"../Pass/bilder", "_.._Pass_bilder.pdf"},
      {"", "Tessaro.pdf"},
  };
  for (const auto& job : jobs) {
    service.setTitle(job.title);
    ASSERT_TRUE(service.beginDoc()) << job.title;
    service.page().setPixel(1, 1, kBlack);
    ASSERT_TRUE(service.endDoc());
    EXPECT_EQ(service.outputFile(), dir.filePath(job.file));
    EXPECT_TRUE(QFileInfo(service.outputFile()).size() > 0) << job.file;
  }
}

TEST(QtPrintServicePdfFile, AnAbortedJobLeavesNoFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QtPrintService service;
  service.usePdfFile(dir.path());
  service.setTitle("Tessaro Poster");
  ASSERT_TRUE(service.beginDoc());
  service.page().fillRect(0, 0, 600, 600, kRed);
  ASSERT_TRUE(service.newPage());
  service.abortDoc();
  EXPECT_TRUE(QDir(dir.path()).isEmpty()) << QDir(dir.path()).entryList().join(", ").toStdString();
  EXPECT_TRUE(service.jobFile().empty());
  EXPECT_FALSE(service.endDoc()) << "nothing left open";
  // The next job is written as usual.
  ASSERT_TRUE(service.beginDoc());
  ASSERT_TRUE(service.endDoc());
  EXPECT_EQ(test::pdfInfoField(service.outputFile(), "Pages"), "1");
}

// A folder on a tmpfs of `kib` KiB, unmounted again at the end; invalid where mounting is not
// allowed.
class SmallDisk {
 public:
  explicit SmallDisk(int kib) {
    if (geteuid() == 0 && dir_.isValid())
      mounted_ =
          test::runTool("mount", {"-t", "tmpfs", "-o", QStringLiteral("size=%1k").arg(kib), "tmpfs", dir_.path()})
              .has_value();
  }
  ~SmallDisk() {
    if (mounted_) test::runTool("umount", {dir_.path()});
  }
  bool isValid() const { return mounted_; }
  QString path() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
  bool mounted_ = false;
};

// Noise does not compress, so its page is far bigger than the disk.
TDib noisePicture(int32_t width, int32_t height) {
  TDib dib = newdib(width, height, 24, nullptr, 0);
  std::minstd_rand random(7);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) setpixel(dib, x, y, static_cast<int32_t>(random() & 0xffffff));
  }
  return dib;
}

TEST(QtPrintServicePdfFile, AFileCutShortByAFullDiskIsReportedAndRemoved) {
  SmallDisk disk(32);
  if (!disk.isValid()) GTEST_SKIP() << "cannot mount a 32 KiB tmpfs here (needs root)";
  test::ScriptedMessageBoxes boxes;
  QtPrintService service;
  service.usePdfFile(disk.path());
  TMainForm form(service, {});
  form.state().Picture = noisePicture(400, 400);
  form.settingsTab()->CheckBox6->setChecked(false);
  form.posterSizeTab()->BreitEd->setValue(1.0);
  form.posterSizeTab()->HochEd->setValue(1.0);
  form.PrintBtnClick();
  const QString file = QDir(disk.path()).filePath("Tessaro Poster.pdf");
  EXPECT_EQ(boxes.shown.join('\n').toStdString(),
            ("Fehler: Die Datei \"" + file +
             "\" konnte nicht vollständig geschrieben werden. Auf dem Datenträger ist kein Platz mehr frei.")
                .toStdString());
  EXPECT_TRUE(QDir(disk.path()).isEmpty()) << QDir(disk.path()).entryList().join(", ").toStdString();
}

TEST(QtPrintServicePrinter, CancelledSetupDialogKeepsTheOutput) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QtPrintService service;
  service.usePdfFile(dir.path());
  // The button that takes the choice prints nothing, and says so.
  QString okText;
  QTimer::singleShot(0, [&okText] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) return;
    if (auto* buttons = dialog->findChild<QDialogButtonBox*>()) okText = buttons->button(QDialogButtonBox::Ok)->text();
    QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
  });
  QTimer::singleShot(5000, [] {
    if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
  });
  EXPECT_FALSE(service.setupDialog(nullptr));
  EXPECT_EQ(okText, "OK");
  EXPECT_TRUE(service.printsToFile());
  service.setTitle("Tessaro Poster");
  ASSERT_TRUE(service.beginDoc());
  ASSERT_TRUE(service.endDoc());
  EXPECT_EQ(service.outputFile(), dir.filePath("Tessaro Poster.pdf"));
}

// Installed queues without a default still print on a queue; PDF files only without any.
TEST(QtPrintServicePrinter, StartsOnTheRememberedTheDefaultOrTheFirstQueue) {
  const QStringList queues = {"Laser", "buero", "Farbe"};
  const struct {
    QStringList installed;
    const char* defaultQueue;
    const char* remembered;
    const char* chosen;
  } cases[] = {
      {{}, "", "", ""},
      {{}, "Laser", "Laser", ""},
      {queues, "", "", "buero"},  // alphabetical whatever the case
      {queues, "Laser", "", "Laser"},
      {queues, "Laser", "Farbe", "Farbe"},
      {queues, "Laser", "Weg", "Laser"},  // a remembered queue that is gone
      {queues, "", "Weg", "buero"},
      {queues, "Weg", "", "buero"},  // a default that names no installed queue
      {{"Laser/duplex", "Laser"}, "", "", "Laser"},
      {{"Laser/duplex", "Laser"}, "", "Laser/duplex", "Laser/duplex"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.installed.join(",").toStdString() + " default " + c.defaultQueue + " remembered " + c.remembered);
    EXPECT_EQ(choosePrinter(c.installed, c.defaultQueue, c.remembered), c.chosen);
  }
}

bool haveQueue(const QString& queue) {
  const auto queues = test::runTool("lpstat", {"-e"});
  return queues && queues->split('\n').contains(queue);
}

// "Einstellungen" names the printer, also after the set-up dialog switched it, and the print tab
// says where a PDF went. The "no printer" note comes only when no queue is installed at all.
TEST(QtPrintServiceWindow, NamesThePrinterAndConfirmsTheFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  test::ScriptedMessageBoxes boxes;
  QtPrintService service;
  service.usePdfFile(dir.path());
  const QString queue = "TessaroPDF";
  std::function<void()> setup;
  TMainForm form(service, [&](QWidget*) { setup(); });
  const QLineEdit* name = form.settingsTab()->PrinterEdit;
  EXPECT_EQ(name->text(), "PDF-Datei");

  form.state().Picture = test::blockPicture(300, 200, 3, 2);
  form.PrintBtnClick();
  const QString file = dir.filePath("Tessaro Poster.pdf");
  EXPECT_EQ(form.printTab()->PrintStatus->text(), "Als PDF gespeichert: " + file);
  EXPECT_EQ(test::pdfInfoField(file, "Pages"),
            QString::number(form.state().poster.SheetsX * form.state().poster.SheetsY));
  const auto installed = test::runTool("lpstat", {"-e"});
  const bool noQueue = !installed || installed->trimmed().isEmpty();
  EXPECT_EQ(boxes.shown.size(), noQueue ? 1 : 0) << boxes.shown.join("; ").toStdString();

  // With the print system down no queue can be seen either; the note then names that reason.
  boxes.shown.clear();
  cupsSetServer("/nonexistent.sock");
  form.PrintBtnClick();
  cupsSetServer(nullptr);
  ASSERT_EQ(boxes.shown.size(), 1);
  EXPECT_TRUE(boxes.shown[0].startsWith("Drucken: Das Drucksystem (CUPS) antwortet nicht. Das Poster wurde in die Datei"))
      << boxes.shown[0].toStdString();

  if (!haveQueue(queue)) GTEST_SKIP() << "switching to a queue: no CUPS queue TessaroPDF (scripts/cups-test-queue)";
  const struct {
    std::function<void()> setup;
    QString shown;
  } switches[] = {
      {[&] { service.setPrinterName(queue); }, queue},
      {[&] { service.usePdfFile(dir.path()); }, "PDF-Datei"},
  };
  for (const auto& s : switches) {
    setup = s.setup;
    form.BitBtn3Click();
    EXPECT_EQ(name->text(), s.shown);
  }
}

TEST(QtPrintServicePrinter, UnknownQueueIsRefused) {
  QtPrintService service;
  const bool toFile = service.printsToFile();
  EXPECT_FALSE(service.setPrinterName("NoSuchTessaroQueue"));
  EXPECT_EQ(service.printsToFile(), toFile);
}

// Without a printer the poster goes into the file losslessly: one picture object for all sheets,
// not JPEG, and pdfimages gives back the picture's own pixels.
TEST(QtPrintServicePdfFile, ThePictureGoesInLosslesslyAndOnce) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  test::ScriptedMessageBoxes boxes;
  QtPrintService service;
  service.usePdfFile(dir.path());
  TMainForm form(service, {});
  form.state().Picture = noisePicture(37, 23);
  form.posterSizeTab()->BreitEd->setValue(2.0);
  form.PrintBtnClick();
  const QString file = dir.filePath("Tessaro Poster.pdf");
  const auto list = test::runTool("pdfimages", {"-list", file});
  ASSERT_TRUE(list);
  const QStringList rows = list->split('\n', Qt::SkipEmptyParts).mid(2);  // two heading lines
  // Rows for both pages (a band of a few pixels draws in pieces), all naming the same object,
  // none of them JPEG.
  ASSERT_FALSE(rows.empty()) << list->toStdString();
  QStringList pages;
  for (const QString& row : rows) {
    const QStringList cols = row.split(' ', Qt::SkipEmptyParts);
    ASSERT_GE(cols.size(), 11);
    EXPECT_EQ(cols[8], "image") << row.toStdString();  // raw pixels, not "jpeg"
    EXPECT_EQ(cols[10], rows[0].split(' ', Qt::SkipEmptyParts)[10]) << row.toStdString();
    if (!pages.contains(cols[0])) pages.append(cols[0]);
  }
  EXPECT_EQ(pages, QStringList({"1", "2"})) << list->toStdString();
  ASSERT_TRUE(test::runTool("pdfimages", {"-png", file, dir.filePath("img")}));
  const QImage extracted(dir.filePath("img-000.png"));
  ASSERT_EQ(extracted.size(), QSize(37, 23));
  const TDib& pic = form.state().Picture;
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 37; ++x) {
      const int32_t v = getpixel(pic, x, y);
      ASSERT_EQ(extracted.pixel(x, y), qRgb((v >> 16) & 255, (v >> 8) & 255, v & 255)) << x << "," << y;
    }
}

}  // namespace
}  // namespace tessaro
