// Printer calibrations: the settings file shared with tessaro-cli read and written beside the
// window's QSettings, and the dialog "Drucker kalibrieren" driven as a user would.
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "app/Remembered.h"
#include "app/ScriptedMessageBoxes.h"
#include "app/WindowFixture.h"
#include "ui/CalibrationDialog.h"

namespace tessaro {
namespace {

QByteArray fileText(const QString& name) {
  QFile f(name);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The nominal length the dialog shows beside a field: "mm (Soll 190 mm)".
double nominal(const CalibrationDialog& d, int row) {
  QStringList shown;
  for (const QLabel* l : d.findChildren<QLabel*>())
    if (l->text().startsWith("mm (Soll ")) shown << l->text();
  return QRegularExpression("Soll (\\d+) mm").match(shown.value(row)).captured(1).toDouble();
}

TEST(CalibrationStore, SharesTheWindowsSettingsFileWithQSettings) {
  // Queue names as CUPS allows them, and some it does not, each escaped as QSettings escapes keys.
  const char* const queues[] = {"TessaroPDF", "Büro-Drucker", "Laser 2.OG", "a%b", "Δρ€"};
  test::ScratchSettings scratch;
  const QByteArray geometry("\x01\x02=[x]\n", 7);
  {
    QSettings s = programSettings();
    s.setValue("Options/CheckBox4", true);
    s.setValue("Window/geometry", geometry);
  }
  const QString file = programSettings().fileName();
  const CalibrationStore store = calibrationStore();
  for (const char* queue : queues) {
    SCOPED_TRACE(queue);
    const QString key = QStringLiteral("Kalibrierung/") + QString::fromUtf8(queue);
    const QByteArray before = fileText(file);
    ASSERT_FALSE(store.store(queue, {1.004, 0.997}));
    {
      const QSettings s = programSettings();
      EXPECT_DOUBLE_EQ(s.value(key + "/waagrecht").toDouble(), 1.004);
      EXPECT_DOUBLE_EQ(s.value(key + "/senkrecht").toDouble(), 0.997);
      EXPECT_EQ(s.value("Window/geometry").toByteArray(), geometry);
      EXPECT_TRUE(s.value("Options/CheckBox4").toBool());
    }
    // Every line that was there is there still, in its order.
    QList<QByteArray> after = fileText(file).split('\n');
    for (const QByteArray& line : before.split('\n')) {
      const auto at = std::find(after.begin(), after.end(), line);
      ASSERT_NE(at, after.end()) << line.toStdString();
      after.erase(after.begin(), at + 1);
    }
    // And back: what QSettings stores, the store reads.
    programSettings().setValue(key + "/waagrecht", 0.95);
    const std::optional<Calibration> read = store.load(queue);
    ASSERT_TRUE(read);
    EXPECT_DOUBLE_EQ(read->horizontal, 0.95);
    EXPECT_DOUBLE_EQ(read->vertical, 0.997);
  }
  for (const char* queue : queues) {
    ASSERT_FALSE(store.reset(queue));
    EXPECT_FALSE(programSettings().contains(QStringLiteral("Kalibrierung/") + QString::fromUtf8(queue) + "/senkrecht"));
  }
  EXPECT_EQ(programSettings().value("Window/geometry").toByteArray(), geometry);
}

TEST(CalibrationDialog, StoresEachQueuesCorrectionAndRefusesBadLengths) {
  test::ScratchSettings scratch;
  test::ScriptedMessageBoxes boxes;
  const PageMetrics a4 = defaultA4Metrics();  // 210 x 297 mm
  int printed = 0;
  auto open = [&](const char* queue) {
    return std::make_unique<CalibrationDialog>(queue, a4, calibrationStore(), [&] { ++printed; });
  };
  // Measured 0.4 % short across and 0.3 % long down: 100.40 % and 99.70 %.
  auto first = open("Q1");
  EXPECT_EQ(first->CorrectionLabel->text(), "Keine Korrektur");
  first->PrintPageBtn->click();
  EXPECT_EQ(printed, 1);
  first->AcrossEdit->setText(QString::number(nominal(*first, 0) * 0.996).replace('.', ','));
  first->DownEdit->setText(QString::number(nominal(*first, 1) * 1.003));
  first->OkBtn->click();
  EXPECT_EQ(first->result(), QDialog::Accepted);
  EXPECT_EQ(boxes.shown, QStringList());
  auto second = open("Q2");
  EXPECT_EQ(second->CorrectionLabel->text(), "Keine Korrektur");
  second->AcrossEdit->setText(QString::number(nominal(*second, 0)));
  second->DownEdit->setText(QString::number(nominal(*second, 1) * 0.99));
  second->OkBtn->click();
  EXPECT_EQ(open("Q1")->CorrectionLabel->text(), "Korrektur: waagrecht 100.40 %, senkrecht 99.70 %");
  EXPECT_EQ(open("Q2")->CorrectionLabel->text(), "Korrektur: waagrecht 100.00 %, senkrecht 101.01 %");

  // Refused: a message, the dialog stays open, nothing stored.
  const struct {
    QString across, down, says;
  } refused[] = {
      {"zwei", "277", "„zwei“ ist keine Zahl"},
      {"190", "", "„“ ist keine Zahl"},
      {"0", "277", "muss länger als 0 mm sein"},
      {"150", "277", "um mehr als 10 %"},
      {"215", "277", "kann nicht länger als das Blatt sein (210.0 mm)"},
      {"190", "300", "kann nicht länger als das Blatt sein (297.0 mm)"},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.says.toStdString());
    boxes.shown.clear();
    auto d = open("Q1");
    d->AcrossEdit->setText(r.across);
    d->DownEdit->setText(r.down);
    d->OkBtn->click();
    EXPECT_NE(d->result(), QDialog::Accepted);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.shown[0].startsWith("Drucker kalibrieren: ")) << boxes.shown[0].toStdString();
    EXPECT_TRUE(boxes.shown[0].contains(r.says)) << boxes.shown[0].toStdString();
    EXPECT_EQ(d->CorrectionLabel->text(), "Korrektur: waagrecht 100.40 %, senkrecht 99.70 %");
  }

  // "Zurücksetzen" removes the one queue's correction.
  auto again = open("Q1");
  again->ResetBtn->click();
  EXPECT_EQ(again->CorrectionLabel->text(), "Keine Korrektur");
  EXPECT_EQ(open("Q1")->CorrectionLabel->text(), "Keine Korrektur");
  EXPECT_EQ(open("Q2")->CorrectionLabel->text(), "Korrektur: waagrecht 100.00 %, senkrecht 101.01 %");
  EXPECT_FALSE(calibrationStore().load("Q1"));
}

}  // namespace
}  // namespace tessaro
