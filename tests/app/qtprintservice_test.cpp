#include "platform/QtPrintService.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include "PdfCheck.h"

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

TEST(QtPrintServicePrinter, CancelledSetupDialogKeepsTheOutput) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QtPrintService service;
  service.usePdfFile(dir.path());
  QTimer::singleShot(0, [] {
    if (QWidget* dialog = QApplication::activeModalWidget()) QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
  });
  QTimer::singleShot(5000, [] {
    if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
  });
  EXPECT_FALSE(service.setupDialog(nullptr));
  EXPECT_TRUE(service.printsToFile());
  service.setTitle("Tessaro Poster");
  ASSERT_TRUE(service.beginDoc());
  ASSERT_TRUE(service.endDoc());
  EXPECT_EQ(service.outputFile(), dir.filePath("Tessaro Poster.pdf"));
}

TEST(QtPrintServicePrinter, UnknownQueueIsRefused) {
  QtPrintService service;
  const bool toFile = service.printsToFile();
  EXPECT_FALSE(service.setPrinterName("NoSuchTessaroQueue"));
  EXPECT_EQ(service.printsToFile(), toFile);
}

}  // namespace
}  // namespace tessaro
