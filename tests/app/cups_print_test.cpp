// End to end through a real CUPS queue: the cups-pdf printer TessaroPDF that
// scripts/cups-test-queue sets up. Skipped when that queue is not installed.
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPrintEngine>
#include <QProcess>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <optional>

#include "PdfCheck.h"
#include "app/MainForm.h"
#include "app/PassportTab.h"
#include "app/PosterSizeTab.h"
#include "app/PrintTab.h"
#include "app/Remembered.h"
#include "app/ScriptedMessageBoxes.h"
#include "app/SettingsTab.h"
#include "picture/CodecRegistry.h"
#include "platform/QtPrintService.h"
#include "support/PdfContent.h"
#include "support/PdfPages.h"
#include "support/PosterPictures.h"
#include "support/TestData.h"

namespace tessaro {
namespace {

const QString kQueue = QStringLiteral("TessaroPDF");
const char* const kNoQueue = "no CUPS queue TessaroPDF: run scripts/cups-test-queue as root";

bool haveTestQueue() {
  const auto queues = test::runTool("lpstat", {"-p", kQueue});
  return queues && queues->contains(kQueue);
}

// The program's settings in a fresh folder while the object lives, so that no printer
// remembered by a user of this machine counts and the tests remember none for them.
class PrivateSettings {
 public:
  PrivateSettings() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path()); }
  ~PrivateSettings() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
  }

 private:
  QTemporaryDir dir_;
};

// The queue a program with nothing remembered starts on, as lpstat tells: the default
// destination, else the first queue in alphabetical order.
QString startQueue() {
  const QString def = test::runTool("lpstat", {"-d"}).value_or(QString());
  QStringList queues = test::runTool("lpstat", {"-e"}).value_or(QString()).split('\n', Qt::SkipEmptyParts);
  const QString prefix = "system default destination: ";
  if (def.startsWith(prefix) && queues.contains(def.mid(prefix.size()).trimmed()))
    return def.mid(prefix.size()).trimmed();
  std::sort(queues.begin(), queues.end(),
            [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  return queues.value(0);
}

QString userName() {
  const passwd* pw = getpwuid(getuid());
  return pw ? QString::fromLocal8Bit(pw->pw_name) : QString::fromLocal8Bit(qgetenv("USER"));
}

// Where cups-pdf writes: its Out folder for known users and its folder for anonymous jobs.
QStringList outputFolders() {
  if (qEnvironmentVariableIsSet("TESSARO_CUPS_PDF_DIR")) return {qEnvironmentVariable("TESSARO_CUPS_PDF_DIR")};
  QStringList folders = {"/var/spool/cups-pdf/" + userName(), "/var/spool/cups-pdf/ANONYMOUS"};
  QFile conf("/etc/cups/cups-pdf.conf");
  if (conf.open(QIODevice::ReadOnly)) {
    for (const QByteArray& raw : conf.readAll().split('\n')) {
      const QString line = QString::fromUtf8(raw).trimmed();
      for (const QString key : {QStringLiteral("Out "), QStringLiteral("AnonDirName ")})
        if (line.startsWith(key)) {
          QString dir = line.mid(key.size()).trimmed();
          dir.replace("${USER}", userName()).replace("${HOME}", QDir::homePath());
          folders.prepend(dir);
        }
    }
  }
  folders.removeDuplicates();
  return folders;
}

// Everything in `folder`, hidden entries included, for a message.
std::string entriesOf(const QString& folder) {
  return QDir(folder)
      .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
      .join(", ")
      .toStdString();
}

// The first complete PDF written into `folders` since `since`, waiting at most `seconds`.
QString waitForNewPdf(const QStringList& folders, const QDateTime& since, int seconds) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < seconds * 1000) {
    for (const QString& folder : folders) {
      const QFileInfoList files = QDir(folder).entryInfoList({"*.pdf"}, QDir::Files, QDir::Time);
      for (const QFileInfo& f : files)
        // pdfinfo reads only a finished file: cups-pdf writes it in one go at the end of the job.
        if (f.lastModified() >= since && !test::pdfInfoField(f.filePath(), "Pages").isEmpty()) return f.filePath();
    }
    QThread::msleep(500);
  }
  return {};
}

TEST(CupsPrint, ThreeColouredPagesReachTheQueueAsOnePdf) {
  if (!haveTestQueue()) GTEST_SKIP() << kNoQueue;

  QtPrintService service;
  ASSERT_TRUE(service.setPrinterName(kQueue));
  EXPECT_FALSE(service.printsToFile());
  const PageMetrics m = service.metrics();
  EXPECT_GT(m.dpiX, 0);
  EXPECT_GT(m.pageWidth, 0);
  EXPECT_LE(m.offsetX + m.pageWidth, m.physicalWidth);
  EXPECT_LE(m.offsetY + m.pageHeight, m.physicalHeight);

  const QRgb colours[] = {qRgb(230, 0, 0), qRgb(0, 170, 0), qRgb(0, 0, 220)};
  // Whole seconds: the file system may keep no finer modification times.
  const QDateTime start = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
  service.setTitle("Tessaro Poster");
  ASSERT_TRUE(service.beginDoc());
  EXPECT_EQ(service.page().width(), m.pageWidth);
  EXPECT_EQ(service.page().height(), m.pageHeight);
  for (int i = 0; i < 3; ++i) {
    if (i > 0) ASSERT_TRUE(service.newPage());
    Device& page = service.page();
    page.fillRect(0, 0, page.width(), page.height(), rgbColor(qRed(colours[i]), qGreen(colours[i]), qBlue(colours[i])));
  }
  ASSERT_TRUE(service.endDoc());
  EXPECT_TRUE(service.jobFile().empty()) << "a queue job leaves no file of ours";

  const QString pdf = waitForNewPdf(outputFolders(), start, 60);
  ASSERT_FALSE(pdf.isEmpty()) << "no PDF from cups-pdf within 60 s in " << outputFolders().join(", ").toStdString();
  EXPECT_EQ(test::pdfInfoField(pdf, "Pages"), "3");
  // cups-pdf names the file after the job title (TitlePref 1 in scripts/cups-test-queue).
  EXPECT_TRUE(QFileInfo(pdf).fileName().startsWith("Tessaro_Poster")) << pdf.toStdString();

  // ps2write hands the title over as a PostScript string, brackets included.
  EXPECT_TRUE(test::pdfInfoField(pdf, "Title").contains("Tessaro Poster"));

  // Each page in its colour, in the order printed.
  for (int i = 0; i < 3; ++i) {
    const QImage page = test::renderPdfPage(pdf, i + 1, 20);
    ASSERT_FALSE(page.isNull());
    const QRgb centre = page.pixel(page.width() / 2, page.height() / 2);
    EXPECT_TRUE(test::colourNear(centre, colours[i], 40)) << "page " << i + 1 << ": " << std::hex << centre;
  }
  QFile::remove(pdf);
}

}  // namespace
}  // namespace tessaro

namespace tessaro {
namespace {

// The main window on the test queue, with settings of its own and scripted message boxes.
struct QueueWindow {
  test::ScriptedMessageBoxes boxes;
  PrivateSettings settings;
  QtPrintService service;
  bool onQueue = service.printerName() == kQueue || service.setPrinterName(kQueue);
  TMainForm form{service, {}};
};

// `picture` as a poster of exactly nx x ny sheets: without the aspect kept, the edits decide.
void wholeSheetPoster(TMainForm& form, TDib picture, double nx, double ny) {
  form.state().Picture = std::move(picture);
  form.settingsTab()->CheckBox6->setChecked(false);
  form.posterSizeTab()->BreitEd->setValue(nx);
  form.posterSizeTab()->HochEd->setValue(ny);
}

// Prints from the print button without a message and gives the PDF cups-pdf made of the job,
// which must have `pages` pages; empty when none came within 90 s.
QString printFromButton(TMainForm& form, const test::ScriptedMessageBoxes& boxes, int pages) {
  const QDateTime start = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
  form.PrintBtnClick();
  EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.shown.join("; ").toStdString();
  EXPECT_EQ(form.printTab()->PrintStatus->text(), QStringLiteral("%1 Blätter an TessaroPDF gesendet").arg(pages));
  const QProgressBar* bar = form.printTab()->ProgressBar1;
  EXPECT_EQ(bar->value(), bar->maximum()) << "the bar is full beside the confirmation";
  const QString pdf = waitForNewPdf(outputFolders(), start, 90);
  if (!pdf.isEmpty()) EXPECT_EQ(test::pdfInfoField(pdf, "Pages"), QString::number(pages));
  return pdf;
}

// The program's own print path: a 3 x 2 poster from the print button of the main window,
// through the real queue, arrives as six pages with each sheet's band and its cut line. The
// printer is the one the program starts on, default destination or not; only where other queues
// come first is TessaroPDF chosen by hand.
TEST(CupsPrint, PosterFromThePrintButtonArrivesAsSixPages) {
  if (!haveTestQueue()) GTEST_SKIP() << kNoQueue;
  test::ScriptedMessageBoxes boxes;
  PrivateSettings settings;
  QtPrintService service;
  EXPECT_FALSE(service.printsToFile());
  EXPECT_EQ(service.printerName(), startQueue());
  if (service.printerName() != kQueue) ASSERT_TRUE(service.setPrinterName(kQueue));
  TMainForm form(service, {});
  EXPECT_EQ(form.settingsTab()->PrinterEdit->text(), kQueue);
  wholeSheetPoster(form, test::blockPicture(300, 200, 3, 2), 3, 2);
  ASSERT_EQ(form.state().poster.SheetsX, 3);
  ASSERT_EQ(form.state().poster.SheetsY, 2);

  const QString pdf = printFromButton(form, boxes, 6);
  ASSERT_FALSE(pdf.isEmpty()) << "no PDF from cups-pdf within 90 s";
  EXPECT_TRUE(test::pdfInfoField(pdf, "Title").contains("Tessaro Poster"));

  // Page 2 is sheet (1, 0): its band is the middle block of the top row, and it carries the
  // left cut line (black for its first 29 pixels, then white) but no top one.
  const PageMetrics m = service.metrics();
  const int areaW = m.pageWidth * 95 / 100, areaH = m.pageHeight * 95 / 100;
  const QRect region(m.offsetX, m.offsetY, 200, 200);
  const QImage corner = test::renderPdfRegion(pdf, 2, m.dpiX, region);
  ASSERT_FALSE(corner.isNull());
  const QRgb band =
      qRgb(colorRed(test::blockColor(1, 0)), colorGreen(test::blockColor(1, 0)), colorBlue(test::blockColor(1, 0)));
  EXPECT_TRUE(test::colourNear(corner.pixel(0, 10), qRgb(0, 0, 0), 60)) << std::hex << corner.pixel(0, 10);
  EXPECT_TRUE(test::colourNear(corner.pixel(1, 40), qRgb(255, 255, 255), 60)) << std::hex << corner.pixel(1, 40);
  EXPECT_TRUE(test::colourNear(corner.pixel(20, 40), band, 60)) << std::hex << corner.pixel(20, 40);
  EXPECT_TRUE(test::colourNear(corner.pixel(20, 0), band, 60)) << "no top cut line on the first row";
  const QImage middle =
      test::renderPdfRegion(pdf, 2, m.dpiX, QRect(m.offsetX + areaW / 2 - 5, m.offsetY + areaH / 2 - 5, 10, 10));
  ASSERT_FALSE(middle.isNull());
  EXPECT_TRUE(test::colourNear(middle.pixel(5, 5), band, 60)) << std::hex << middle.pixel(5, 5);

  QFile::remove(pdf);
}

// With "Übersichtsseite drucken" a 2 x 2 poster arrives as five pages: the assembly page first,
// then the sheets, the first of them with the top-left block of the picture.
TEST(CupsPrint, PosterWithTheOverviewArrivesAsFivePages) {
  if (!haveTestQueue()) GTEST_SKIP() << kNoQueue;
  QueueWindow w;
  ASSERT_TRUE(w.onQueue);
  w.form.settingsTab()->OverviewCheck->setChecked(true);
  w.form.settingsTab()->LabelsCheck->setChecked(true);
  wholeSheetPoster(w.form, test::blockPicture(200, 200, 2, 2), 2, 2);
  ASSERT_EQ(w.form.state().poster.SheetsX, 2);
  ASSERT_EQ(w.form.state().poster.SheetsY, 2);

  const QString pdf = printFromButton(w.form, w.boxes, 5);
  ASSERT_FALSE(pdf.isEmpty()) << "no PDF from cups-pdf within 90 s";
  const PageMetrics m = w.service.metrics();
  const QImage middle = test::renderPdfRegion(
      pdf, 2, m.dpiX, QRect(m.offsetX + m.pageWidth * 95 / 200 - 5, m.offsetY + m.pageHeight * 95 / 200 - 5, 10, 10));
  ASSERT_FALSE(middle.isNull());
  const Color a1 = test::blockColor(0, 0);
  EXPECT_TRUE(test::colourNear(middle.pixel(5, 5), qRgb(colorRed(a1), colorGreen(a1), colorBlue(a1)), 60));
  QFile::remove(pdf);
}

// The passport page from its print button: one page; the first copy starts at the margin,
// 0.05 of the page in, and is 0.2 of the page wide; a gap of 0.02 follows it.
TEST(CupsPrint, PassportPageFromItsPrintButtonArrivesAsOnePage) {
  if (!haveTestQueue()) GTEST_SKIP() << kNoQueue;
  test::ScriptedMessageBoxes boxes;
  PrivateSettings settings;
  QtPrintService service;
  if (service.printerName() != kQueue) ASSERT_TRUE(service.setPrinterName(kQueue));
  TMainForm form(service, {});
  form.state().Picture = test::blockPicture(100, 100, 1, 1);
  const QDateTime start = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
  form.passportTab()->GoBtn2->click();
  EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.shown.join("; ").toStdString();
  EXPECT_EQ(form.passportTab()->PassStatus->text(), "1 Blatt an TessaroPDF gesendet");
  EXPECT_EQ(form.passportTab()->Print3Pro->value(), 100);
  const QString pdf = waitForNewPdf(outputFolders(), start, 90);
  ASSERT_FALSE(pdf.isEmpty()) << "no PDF from cups-pdf within 90 s";
  EXPECT_EQ(test::pdfInfoField(pdf, "Pages"), "1");
  EXPECT_TRUE(test::pdfInfoField(pdf, "Title").contains("Tessaro Passbilder"));
  const PageMetrics m = service.metrics();
  const Color c = test::blockColor(0, 0);
  const struct {
    double x, y;  // fractions of the page width
    QRgb want;
  } samples[] = {{0.15, 0.15, qRgb(colorRed(c), colorGreen(c), colorBlue(c))}, {0.26, 0.15, qRgb(255, 255, 255)}};
  for (const auto& s : samples) {
    const QRect region(m.offsetX + static_cast<int>(s.x * m.pageWidth), m.offsetY + static_cast<int>(s.y * m.pageWidth),
                       4, 4);
    const QImage spot = test::renderPdfRegion(pdf, 1, m.dpiX, region);
    ASSERT_FALSE(spot.isNull());
    EXPECT_TRUE(test::colourNear(spot.pixel(2, 2), s.want, 60)) << s.x << ": " << std::hex << spot.pixel(2, 2);
  }
  QFile::remove(pdf);
}

}  // namespace
}  // namespace tessaro

namespace tessaro {
namespace {

// A second cups-pdf queue for the tests to pause, reject and delete; named for this process, as
// other test runs may share the print system.
const QString kFaultQueue = QStringLiteral("TessaroFault-%1").arg(getpid());

bool addFaultQueue() {
  return test::runTool("lpadmin",
                       {"-p", kFaultQueue, "-E", "-v", "cups-pdf:/", "-P", "/etc/cups/ppd/" + kQueue + ".ppd"})
      .has_value();
}

// libcups of this process asks a server that does not answer, until the default is restored.
constexpr const char* kSilentServer = "/nonexistent.sock";

// A queue that refuses jobs, was deleted after it was chosen, or whose print system stopped
// answering is reported whether that happens before the print button is pressed or while the job
// is being made; nothing is reported as printed. A paused queue keeps the job, and says so.
TEST(CupsPrint, JobsTheQueueRefusesAreReported) {
  if (!haveTestQueue()) GTEST_SKIP() << kNoQueue;
  if (geteuid() != 0) GTEST_SKIP() << "adding the queue " << kFaultQueue.toStdString() << " needs root";
  const QString q = "„" + kFaultQueue + "“";
  const QString rejecting = "Der Drucker " + q + " nimmt zurzeit keine Aufträge an.";
  const QString missing = "Den Drucker " + q + " gibt es nicht.";
  const QString silent = "Das Drucksystem (CUPS) antwortet nicht; auf " + q + " kann nicht gedruckt werden.";
  const QString paused = "Die Warteschlange " + q + " ist angehalten; der Auftrag wartet, bis sie fortgesetzt wird.";
  const auto tool = [](const QStringList& command) {
    return [command] { return test::runTool(command[0], command.mid(1)).has_value(); };
  };
  const auto silence = [] {
    cupsSetServer(kSilentServer);
    return true;
  };
  const struct {
    const char* name;
    std::function<bool()> fault;  // breaks the queue
    bool whileMaking;             // between the first page and the end of the job, else before the button
    QString message;
    bool taken;  // the job is in the queue all the same; the message is a warning
  } cases[] = {
      {"rejecting", tool({"cupsreject", kFaultQueue}), false, rejecting, false},
      {"deleted", tool({"lpadmin", "-x", kFaultQueue}), false, missing, false},
      {"silent", silence, false, silent, false},
      {"paused", tool({"cupsdisable", kFaultQueue}), false, paused, true},
      {"rejecting while making", tool({"cupsreject", kFaultQueue}), true, rejecting, false},
      {"deleted while making", tool({"lpadmin", "-x", kFaultQueue}), true, missing, false},
      {"silent while making", silence, true, silent, false},
      {"paused while making", tool({"cupsdisable", kFaultQueue}), true, paused, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(addFaultQueue()) << "lpadmin could not add " << kFaultQueue.toStdString();
    ASSERT_TRUE(test::runTool("cupsaccept", {kFaultQueue}));
    QtPrintService service;
    ASSERT_TRUE(service.setPrinterName(kFaultQueue));
    if (c.whileMaking) {
      service.setTitle("Tessaro Poster");
      ASSERT_TRUE(service.beginDoc());
      service.page().fillRect(0, 0, 100, 100, kBlack);
      ASSERT_TRUE(c.fault());
      EXPECT_EQ(service.endDoc(), c.taken);
      EXPECT_EQ(c.taken ? service.notice() : service.failureReason(), c.message.toStdString());
    } else {
      test::ScriptedMessageBoxes boxes;
      TMainForm form(service, {});
      form.state().Picture = test::blockPicture(300, 200, 3, 2);
      ASSERT_TRUE(c.fault());
      form.PrintBtnClick();
      EXPECT_EQ(boxes.shown.join('\n'), (c.taken ? "Drucken: " : "Fehler: ") + c.message);
      EXPECT_EQ(form.printTab()->PrintStatus->text().endsWith("gesendet"), c.taken);
    }
    cupsSetServer(nullptr);
    if (c.taken) EXPECT_FALSE(test::runTool("lpstat", {"-o", kFaultQueue}).value_or("").isEmpty()) << "no job waits";
    test::runTool("lpadmin", {"-x", kFaultQueue});
  }
}

// A queue accepted in the set-up dialog is where the next start prints; once it is deleted, the
// next start falls back to the default or first queue.
TEST(CupsPrint, TheChosenQueueIsRememberedUntilItIsGone) {
  if (!haveTestQueue()) GTEST_SKIP() << kNoQueue;
  if (geteuid() != 0) GTEST_SKIP() << "adding the queue " << kFaultQueue.toStdString() << " needs root";
  PrivateSettings settings;
  ASSERT_TRUE(addFaultQueue()) << "lpadmin could not add " << kFaultQueue.toStdString();
  const struct {
    QString chosen;
    bool deleteIt;
  } cases[] = {{kQueue, false}, {kFaultQueue, false}, {kFaultQueue, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chosen.toStdString() + (c.deleteIt ? " deleted" : ""));
    {
      QtPrintService service;
      ASSERT_TRUE(service.setPrinterName(c.chosen));
      QTimer::singleShot(0, [] {
        if (QWidget* dialog = QApplication::activeModalWidget())
          QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
      });
      ASSERT_TRUE(service.setupDialog(nullptr));
      ASSERT_EQ(service.printerName(), c.chosen);
    }
    if (c.deleteIt) ASSERT_TRUE(test::runTool("lpadmin", {"-x", kFaultQueue}));
    const QtPrintService next;
    EXPECT_FALSE(next.printsToFile());
    EXPECT_EQ(next.printerName(), c.deleteIt ? startQueue() : c.chosen);
  }
  test::runTool("lpadmin", {"-x", kFaultQueue});
}

// A job dropped half-made never reaches the print system: no job of that title appears.
TEST(CupsPrint, AnAbortedJobPrintsNothing) {
  if (!haveTestQueue()) GTEST_SKIP() << kNoQueue;
  const std::string title = "Tessaro Abbruch " + std::to_string(getpid());
  QtPrintService service;
  ASSERT_TRUE(service.setPrinterName(kQueue));
  service.setTitle(title);
  ASSERT_TRUE(service.beginDoc());
  service.page().fillRect(0, 0, 100, 100, kBlack);
  ASSERT_TRUE(service.newPage());
  service.abortDoc();
  cups_job_t* jobs = nullptr;
  const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, kQueue.toUtf8().constData(), 0, CUPS_WHICHJOBS_ALL);
  ASSERT_GE(count, 0) << cupsLastErrorString();
  for (int i = 0; i < count; ++i) EXPECT_NE(jobs[i].title, title) << "job " << jobs[i].id;
  cupsFreeJobs(count, jobs);
}

// Where Qt's printer dialog keeps the queue's own options from its job page.
constexpr auto kQueueOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);

// The held job's attributes as CUPS keeps them, and the document it was given, read before the
// job is cancelled; nothing is printed.
struct HeldJob {
  QString attributes;
  QByteArray document;
};
std::optional<HeldJob> takeHeldJob(const QString& queue, int id) {
  const auto attributes =
      test::runTool("ipptool", {"-tv", "ipp://localhost/jobs/" + QString::number(id), "get-job-attributes.test"});
  QFile spooled(QStringLiteral("/var/spool/cups/d%1-001").arg(id, 5, 10, QChar('0')));
  const bool read = spooled.open(QIODevice::ReadOnly);
  HeldJob job{attributes.value_or(QString()), read ? spooled.readAll() : QByteArray()};
  test::runTool("cancel", {queue + "-" + QString::number(id)});
  if (!attributes || !read) return std::nullopt;
  return job;
}

// What the set-up dialog leaves in the printer goes with the job: copies, sides and the queue's
// own options (here a hold, so that nothing prints); the pages never scale. The queue offers
// two-sided printing, as the printer dialog only offers what the queue can do.
TEST(CupsPrint, TheDialogsChoicesGoWithTheJob) {
  if (!haveTestQueue()) GTEST_SKIP() << kNoQueue;
  if (geteuid() != 0) GTEST_SKIP() << "adding a queue and reading the spool needs root";
  if (!test::runTool("ipptool", {"--version"})) GTEST_SKIP() << "ipptool (cups-ipp-utils) is not installed";
  QTemporaryDir dir;
  QFile base("/etc/cups/ppd/" + kQueue + ".ppd"), ppd(dir.filePath("duplex.ppd"));
  ASSERT_TRUE(base.open(QIODevice::ReadOnly) && ppd.open(QIODevice::WriteOnly));
  ppd.write(base.readAll() +
            "*OpenUI *Duplex/Duplex: PickOne\n*OrderDependency: 10 AnySetup *Duplex\n*DefaultDuplex: None\n"
            "*Duplex None/Off: \"<</Duplex false>>setpagedevice\"\n"
            "*Duplex DuplexNoTumble/Long Edge: \"<</Duplex true/Tumble false>>setpagedevice\"\n"
            "*Duplex DuplexTumble/Short Edge: \"<</Duplex true/Tumble true>>setpagedevice\"\n*CloseUI: *Duplex\n");
  ppd.close();
  const QString queue = QStringLiteral("TessaroDuplex-%1").arg(getpid());
  ASSERT_TRUE(test::runTool("lpadmin", {"-p", queue, "-E", "-v", "cups-pdf:/", "-P", ppd.fileName()}));
  const struct {
    int copies;
    QPrinter::DuplexMode duplex;
    int from, to;  // pages; 0: all
    QStringList want;
  } cases[] = {
      {1, QPrinter::DuplexNone, 0, 0, {"copies (integer) = 1", "sides (keyword) = one-sided"}},
      {2, QPrinter::DuplexLongSide, 0, 0, {"copies (integer) = 2", "sides (keyword) = two-sided-long-edge"}},
      {3,
       QPrinter::DuplexShortSide,
       2,
       3,
       {"copies (integer) = 3", "sides (keyword) = two-sided-short-edge", "page-ranges (rangeOfInteger) = 2-3"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.copies);
    QtPrintService service;
    ASSERT_TRUE(service.setPrinterName(queue));
    QPrinter& settings = service.printerSettings();
    settings.setCopyCount(c.copies);
    settings.setDuplex(c.duplex);
    if (c.from > 0) {
      settings.setPrintRange(QPrinter::PageRange);
      settings.setFromTo(c.from, c.to);
    }
    settings.printEngine()->setProperty(kQueueOptions, QStringList{"job-hold-until", "indefinite"});
    service.setTitle("Tessaro Poster");
    ASSERT_TRUE(service.beginDoc());
    service.page().fillRect(0, 0, 100, 100, kBlack);
    ASSERT_TRUE(service.endDoc()) << service.failureReason();
    const auto job = takeHeldJob(queue, service.jobId());
    ASSERT_TRUE(job);
    for (const QString& want : c.want + QStringList{"job-state (enum) = pending-held", "print-scaling (keyword) = none",
                                                    "fit-to-page (boolean) = false"})
      EXPECT_TRUE(job->attributes.contains(want)) << want.toStdString() << " in\n" << job->attributes.toStdString();
  }
  test::runTool("lpadmin", {"-x", queue});
}

// The document a poster from the print button hands to the queue holds the pages "Als PDF
// speichern" writes for that printer: poppler renders each alike.
TEST(CupsPrint, ThePrintedPosterIsThePosterSavedAsPdf) {
  if (!haveTestQueue()) GTEST_SKIP() << kNoQueue;
  if (geteuid() != 0) GTEST_SKIP() << "reading the spool needs root";
  if (!test::runTool("ipptool", {"--version"})) GTEST_SKIP() << "ipptool (cups-ipp-utils) is not installed";
  QueueWindow w;
  ASSERT_TRUE(w.onQueue);
  wholeSheetPoster(w.form, test::blockPicture(300, 200, 3, 2), 3, 2);
  w.service.printerSettings().printEngine()->setProperty(kQueueOptions, QStringList{"job-hold-until", "indefinite"});
  w.form.PrintBtnClick();
  EXPECT_TRUE(w.boxes.shown.isEmpty()) << w.boxes.shown.join("; ").toStdString();
  EXPECT_EQ(w.form.printTab()->PrintStatus->text(), "6 Blätter an TessaroPDF gesendet");
  const auto job = takeHeldJob(kQueue, w.service.jobId());
  ASSERT_TRUE(job);
  QTemporaryDir dir;
  const QString printed = dir.filePath("gedruckt.pdf"), saved = dir.filePath("plakat.pdf");
  QFile file(printed);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(job->document) == job->document.size());
  file.close();
  w.form.runPdfDialog = [&](QWidget*, QString& name) {
    name = saved;
    return true;
  };
  w.form.PdfBtnClick();
  EXPECT_EQ(test::pdfInfoField(printed, "Pages"), "6");
  for (int page = 1; page <= 6; ++page) {
    const QImage got = test::renderPdfPage(printed, page, 50), want = test::renderPdfPage(saved, page, 50);
    ASSERT_FALSE(want.isNull());
    EXPECT_TRUE(got == want) << "page " << page;
  }
}

}  // namespace
}  // namespace tessaro

namespace tessaro {
namespace {

// tessaro-cli prints through the same queue without Qt: the poster arrives with one page per
// sheet, each with its band, and no spool file is left in the temporary folder.
TEST(CupsPrint, TheCommandLinePrintsThePosterToAQueue) {
  if (!haveTestQueue()) GTEST_SKIP() << kNoQueue;
  QTemporaryDir dir, spool;
  const QString picture = dir.filePath("bild.bmp");
  ASSERT_TRUE(SaveDib(test::blockPicture(300, 200, 3, 2), picture.toStdString(), kFormatBmp, {}));
  const QDateTime start = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
  QProcess cli;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("TMPDIR", spool.path());
  cli.setProcessEnvironment(env);
  cli.start(TESSARO_CLI, {"poster", picture, "--printer", kQueue, "--across", "3"});
  ASSERT_TRUE(cli.waitForFinished(60000));
  ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  EXPECT_TRUE(QString::fromUtf8(cli.readAllStandardOutput()).contains("6 Blätter an TessaroPDF gesendet"));
  EXPECT_EQ(entriesOf(spool.path()), "");
  const QString pdf = waitForNewPdf(outputFolders(), start, 90);
  ASSERT_FALSE(pdf.isEmpty()) << "no PDF from cups-pdf within 90 s";
  EXPECT_EQ(test::pdfInfoField(pdf, "Pages"), "6");
  EXPECT_TRUE(test::pdfInfoField(pdf, "Title").contains("Tessaro Poster"));
  // The middle of sheet (1, 0) shows the middle block of the top row.
  const QImage page = test::renderPdfPage(pdf, 2, 20);
  ASSERT_FALSE(page.isNull());
  const Color block = test::blockColor(1, 0);
  EXPECT_TRUE(test::colourNear(page.pixel(page.width() / 2, page.height() / 2),
                               qRgb(colorRed(block), colorGreen(block), colorBlue(block)), 60));
  QFile::remove(pdf);

  // A vector page reaches the queue as vectors: its text stays text, and no sheet holds pixels.
  const QDateTime vectorStart = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch() + 1);
  QThread::sleep(1);
  cli.start(TESSARO_CLI, {"poster", QString::fromStdString(test::dataPath("vector/embed-source.pdf")), "--printer",
                          kQueue, "--across", "2"});
  ASSERT_TRUE(cli.waitForFinished(60000));
  ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  const QString vectorPdf = waitForNewPdf(outputFolders(), vectorStart, 90);
  ASSERT_FALSE(vectorPdf.isEmpty()) << "no PDF from cups-pdf within 90 s";
  EXPECT_NE(test::pdfText(vectorPdf.toStdString()).find("Tessaro"), std::string::npos);
  EXPECT_EQ(test::pdfImageEncoding(vectorPdf.toStdString()), "");
  QFile::remove(vectorPdf);
}

// What tessaro-cli says when the queue keeps, refuses or cannot get the job: a paused queue
// keeps it with a warning and exit 0; a print system that does not answer (an unused socket, a
// closed port) is named as such, with the printer's exit code. No spool file is seen meanwhile.
TEST(CupsPrint, TheCommandLineTellsWhatBecameOfTheJob) {
  if (!haveTestQueue()) GTEST_SKIP() << kNoQueue;
  if (geteuid() != 0) GTEST_SKIP() << "adding the queue " << kFaultQueue.toStdString() << " needs root";
  const QString q = "„" + kFaultQueue + "“";
  const QString silent =
      "tessaro-cli: Das Drucksystem (CUPS) antwortet nicht; auf " + q + " kann nicht gedruckt werden.\n";
  const struct {
    const char* name;
    QString fault;   // the tool that breaks the queue, if any
    QString server;  // CUPS_SERVER for tessaro-cli, if any
    int code;
    QString out, err;
  } cases[] = {
      {"paused",
       "cupsdisable",
       {},
       0,
       " Blätter an " + kFaultQueue + " gesendet",
       "tessaro-cli: Die Warteschlange " + q + " ist angehalten; der Auftrag wartet, bis sie fortgesetzt wird.\n"},
      {"rejecting", "cupsreject", {}, 6, {}, "tessaro-cli: Der Drucker " + q + " nimmt zurzeit keine Aufträge an.\n"},
      {"no socket", {}, kSilentServer, 6, {}, silent},
      {"closed port", {}, "127.0.0.1:1", 6, {}, silent},
  };
  QTemporaryDir dir;
  const QString picture = dir.filePath("bild.bmp");
  ASSERT_TRUE(SaveDib(test::blockPicture(300, 200, 3, 2), picture.toStdString(), kFormatBmp, {}));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(addFaultQueue()) << "lpadmin could not add " << kFaultQueue.toStdString();
    if (!c.fault.isEmpty()) ASSERT_TRUE(test::runTool(c.fault, {kFaultQueue}));
    QTemporaryDir spool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", spool.path());
    if (!c.server.isEmpty()) env.insert("CUPS_SERVER", c.server);
    QProcess cli;
    cli.setProcessEnvironment(env);
    // Enough sheets that the job takes a while; no spool file may be seen in that time, so none
    // can be left by a kill.
    cli.start(TESSARO_CLI, {"poster", picture, "--printer", kFaultQueue, "--across", "20"});
    std::string seen;
    QElapsedTimer timer;
    timer.start();
    while (!cli.waitForFinished(5) && timer.elapsed() < 60000) seen += entriesOf(spool.path());
    ASSERT_EQ(cli.state(), QProcess::NotRunning);
    EXPECT_EQ(seen + entriesOf(spool.path()), "");
    EXPECT_EQ(cli.exitCode(), c.code);
    const QString out = QString::fromUtf8(cli.readAllStandardOutput());
    EXPECT_EQ(out.isEmpty(), c.out.isEmpty()) << out.toStdString();
    EXPECT_TRUE(out.contains(c.out)) << out.toStdString();
    EXPECT_EQ(QString::fromUtf8(cli.readAllStandardError()), c.err);
    if (c.code == 0)
      EXPECT_FALSE(test::runTool("lpstat", {"-o", kFaultQueue}).value_or("").isEmpty()) << "no job waits";
    test::runTool("lpadmin", {"-x", kFaultQueue});
  }
}

// The drawing of the first page of job `job` as the print system holds it: our own PDF, kept in
// its spool folder; empty when it cannot be read.
std::string spooledPage(int job) {
  QFile spooled(QString::asprintf("/var/spool/cups/d%05d-001", job));
  return spooled.open(QIODevice::ReadOnly) ? test::firstPageContent(spooled.readAll().toStdString()) : std::string();
}

// Whether the page holds a stroke across of `points`, within `within` points.
bool hasStroke(const std::string& page, double points, double within = 0.05) {
  const std::vector<double> strokes = test::strokeLengths(page);
  return std::any_of(strokes.begin(), strokes.end(), [&](double s) { return std::abs(s - points) < within; });
}

// A queue calibrated from the command line: the calibration page goes out unscaled, the posters of
// tessaro-cli and of the window scaled by the stored factors (their 100 mm ruler 100.40 % long),
// unless --no-calibration; --reset removes the factors from the settings file.
TEST(CupsPrint, ACalibratedQueuesJobsCarryItsScale) {
  if (!haveTestQueue()) GTEST_SKIP() << kNoQueue;
  if (geteuid() != 0) GTEST_SKIP() << "the print system's spool folder needs root";
  QTemporaryDir dir, config;
  const QString picture = dir.filePath("bild.bmp");
  ASSERT_TRUE(SaveDib(test::blockPicture(200, 200, 2, 2), picture.toStdString(), kFormatBmp, {}));
  struct Run {
    int code;
    QString out;
  };
  const QDateTime start = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
  auto cli = [&](QStringList args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config.path());
    p.setProcessEnvironment(env);
    p.start(TESSARO_CLI, args);
    EXPECT_TRUE(p.waitForFinished(60000));
    const Run r{p.exitCode(), QString::fromUtf8(p.readAllStandardOutput())};
    return r;
  };
  auto jobOf = [](const Run& r) { return QRegularExpression("Auftrag (\\d+)").match(r.out).captured(1).toInt(); };
  const QString conf = config.filePath("Tessaro/Tessaro.conf");

  const Run page = cli({"calibrate", "--printer", kQueue});
  ASSERT_EQ(page.code, 0) << page.out.toStdString();
  const QRegularExpressionMatch bars =
      QRegularExpression("Kalibrierungsseite: waagrecht (\\d+) mm, senkrecht (\\d+) mm").match(page.out);
  ASSERT_TRUE(bars.hasMatch()) << page.out.toStdString();
  const double across = bars.captured(1).toDouble(), down = bars.captured(2).toDouble();
  // Whole millimetres end on a whole device pixel: within one at 300 dpi.
  EXPECT_TRUE(hasStroke(spooledPage(jobOf(page)), across * 72 / 25.4, 0.25)) << "the calibration page is never scaled";

  const Run measured = cli({"calibrate", "--printer", kQueue, "--measured",
                            QString::number(across * 0.996) + "," + QString::number(down * 1.003)});
  EXPECT_EQ(measured.code, 0);
  EXPECT_EQ(measured.out, "Korrektur: waagrecht 100.40 %, senkrecht 99.70 %\n");
  QFile stored(conf);
  ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
  EXPECT_TRUE(stored.readAll().startsWith("[Kalibrierung]\nTessaroPDF\\waagrecht=1.004"));

  const QStringList poster = {"poster", picture, "--printer", kQueue, "--overview", "--across", "2"};
  const Run scaled = cli(poster);
  EXPECT_TRUE(scaled.out.contains("Korrektur: waagrecht 100.40 %, senkrecht 99.70 %\n")) << scaled.out.toStdString();
  EXPECT_TRUE(hasStroke(spooledPage(jobOf(scaled)), 283.46 / 0.996));
  const Run unscaled = cli(poster + QStringList{"--no-calibration"});
  EXPECT_FALSE(unscaled.out.contains("Korrektur")) << unscaled.out.toStdString();
  EXPECT_TRUE(hasStroke(spooledPage(jobOf(unscaled)), 283.46));

  {
    QueueWindow w;
    ASSERT_TRUE(w.onQueue);
    EXPECT_TRUE(w.form.settingsTab()->CalibrateBtn->isEnabled());
    ASSERT_FALSE(calibrationStore().store(kQueue.toStdString(), {1.01, 0.99}));
    w.form.settingsTab()->OverviewCheck->setChecked(true);
    wholeSheetPoster(w.form, test::blockPicture(200, 200, 2, 2), 2, 2);
    w.form.PrintBtnClick();
    EXPECT_EQ(w.boxes.shown, QStringList());
    EXPECT_TRUE(hasStroke(spooledPage(w.service.jobId()), 283.46 * 1.01));
  }

  const Run reset = cli({"calibrate", "--printer", kQueue, "--reset"});
  EXPECT_EQ(reset.out, "Keine Korrektur\n");
  stored.close();
  ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
  EXPECT_FALSE(stored.readAll().contains("TessaroPDF"));
  // The jobs' files from cups-pdf, so that no later test takes one for its own.
  for (QString pdf; !(pdf = waitForNewPdf(outputFolders(), start, 10)).isEmpty();) QFile::remove(pdf);
}

}  // namespace
}  // namespace tessaro
