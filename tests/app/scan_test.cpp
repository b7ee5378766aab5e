// The tab "Scannen" with a scanner service that answers from a script: the device dialog and
// its remembered choice, the scan dialog built from the device's options with its dragged frame,
// and scans that replace the picture everywhere (undo takes them back) or fail and keep it.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <mutex>
#include <thread>

#include "app/LoadTab.h"
#include "app/RetouchTab.h"
#include "app/SaneTestBackend.h"
#include "app/WindowFixture.h"
#include "depth/ColourDepth.h"
#include "picture/CodecRegistry.h"
#include "scan/SaneScanner.h"
#include "support/PosterPictures.h"
#include "support/ReferenceImage.h"
#include "ui/FloatEdit.h"
#include "ui/ScanDeviceDialog.h"
#include "ui/ScanDialog.h"
#include "ui/ScanPreview.h"
#include "ui/ScanRunner.h"

using namespace tessaro;

namespace {

ScanOption option(const char* name, OptionKind kind, OptionUnit unit, double lo, double hi, double value) {
  ScanOption o;
  o.name = name;
  o.kind = kind;
  o.unit = unit;
  o.hasRange = true;
  o.min = lo;
  o.max = hi;
  o.number = value;
  return o;
}

// A flatbed of 200 x 300 mm with three modes; each scan gives `picture` (a copy) or `fault`.
class FakeScanner : public ScannerService {
 public:
  std::vector<ScannerDevice> devices{{"fake:1", "Acme", "Flachbett 1", "flatbed scanner"},
                                     {"fake:2", "Acme", "Flachbett 2", "flatbed scanner"}};
  ScanFault openFault = ScanFault::None;
  ScanFault fault = ScanFault::None;
  bool waitForCancel = false;  // a scan that only ends when cancelled
  TDib picture = newdib(30, 20, 24, nullptr, 0);
  std::mutex mutex;
  std::vector<std::vector<OptionSetting>> scans;  // the settings of every scan
  std::string opened;
  std::atomic<bool> cancelled{false}, scanning{false};

  std::vector<ScannerDevice> listDevices(ScanError&) override { return devices; }
  std::vector<ScanOption> openDevice(const std::string& name, ScanError& why) override {
    opened = name;
    if (openFault != ScanFault::None) {
      why.fault = openFault;
      return {};
    }
    ScanOption mode;
    mode.name = "mode";
    mode.kind = OptionKind::String;
    mode.texts = {"Lineart", "Gray", "Color"};
    mode.text = "Gray";
    ScanOption depth = option("depth", OptionKind::Int, OptionUnit::Bit, 0, 0, 8);
    depth.hasRange = false;
    depth.numbers = {1, 8, 16};
    return {mode,
            depth,
            option("resolution", OptionKind::Int, OptionUnit::Dpi, 50, 1200, 300),
            option("tl-x", OptionKind::Fixed, OptionUnit::Mm, 0, 200, 0),
            option("tl-y", OptionKind::Fixed, OptionUnit::Mm, 0, 300, 0),
            option("br-x", OptionKind::Fixed, OptionUnit::Mm, 0, 200, 200),
            option("br-y", OptionKind::Fixed, OptionUnit::Mm, 0, 300, 300)};
  }
  TDib scan(const std::vector<OptionSetting>& settings, const ProgressFn& progress, ScanError& why) override {
    {
      std::lock_guard lock(mutex);
      scans.push_back(settings);
    }
    cancelled = false;
    scanning = true;
    progress(40);
    while (waitForCancel && !cancelled) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    scanning = false;
    if (cancelled || fault != ScanFault::None) {
      why.fault = cancelled ? ScanFault::Cancelled : fault;
      return TDib();
    }
    return copyDib(picture);
  }
  void cancel() override { cancelled = true; }
};

double setting(const std::vector<OptionSetting>& list, const std::string& name) {
  double v = -1;
  for (const OptionSetting& s : list)
    if (s.name == name) v = s.number;  // the last one counts
  return v;
}

class ScanTab : public ::testing::Test {
 protected:
  void SetUp() override { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path()); }
  void TearDown() override {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
  }
  QTemporaryDir settingsDir_;
  std::shared_ptr<FakeScanner> fake = std::make_shared<FakeScanner>();
};

TEST_F(ScanTab, DeviceDialogListsRemembersAndSaysWhenThereIsNone) {
  ScanRunner runner(fake);
  {
    ScanDeviceDialog dialog(runner);
    QTRY_COMPARE(dialog.DeviceList->count(), 2);
    EXPECT_EQ(dialog.DeviceList->item(1)->text(), "Acme Flachbett 2 (flatbed scanner)");
    dialog.DeviceList->setCurrentRow(1);
    dialog.OkBtn->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
  }
  EXPECT_EQ(rememberedScanner(), "fake:2");
  {
    ScanDeviceDialog dialog(runner);  // the remembered one comes preselected
    QTRY_COMPARE(dialog.DeviceList->count(), 2);
    EXPECT_EQ(dialog.DeviceList->currentRow(), 1);
  }
  fake->devices.clear();
  ScanDeviceDialog dialog(runner);
  QTRY_VERIFY(dialog.SearchBtn->isEnabled());
  EXPECT_TRUE(dialog.DeviceStatus->text().startsWith("Keine Scanner gefunden"));
  EXPECT_FALSE(dialog.OkBtn->isEnabled());
}

TEST_F(ScanTab, ScanDialogOffersTheDevicesOptionsAndTheDraggedFrame) {
  ScanRunner runner(fake);
  ScanDialog dialog(runner, "fake:1");
  QTRY_VERIFY(!dialog.busy());
  EXPECT_EQ(fake->opened, "fake:1");
  QStringList modes;
  for (int i = 0; i < dialog.ModeBox->count(); ++i) modes << dialog.ModeBox->itemText(i);
  EXPECT_EQ(modes, QStringList({"Strichzeichnung", "Graustufen", "Farbe"}));
  EXPECT_EQ(dialog.ModeBox->currentText(), "Graustufen");
  EXPECT_EQ(dialog.ResolutionEd->maximum(), 1200);
  EXPECT_EQ(dialog.BottomEd->value(), 300);

  // 200 x 300 mm drawn in a 202 x 302 box: one pixel a millimetre. Drag from (21, 31) to (101, 151).
  dialog.Preview->resize(202, 302);
  QTest::mousePress(dialog.Preview, Qt::LeftButton, {}, QPoint(21, 31));
  QTest::mouseMove(dialog.Preview, QPoint(101, 151));
  QTest::mouseRelease(dialog.Preview, Qt::LeftButton, {}, QPoint(101, 151));
  const struct {
    const char* name;
    QDoubleSpinBox* edit;
    double mm;
  } corners[] = {{"tl-x", dialog.LeftEd, 20},
                 {"tl-y", dialog.TopEd, 30},
                 {"br-x", dialog.RightEd, 100},
                 {"br-y", dialog.BottomEd, 150}};
  for (const auto& c : corners) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(c.edit->value(), c.mm, 0.05);
    EXPECT_NEAR(setting(dialog.settings(false), c.name), c.mm, 0.05);
  }
  // The preview scans the whole bed at about one pixel a preview pixel, in the mode chosen.
  dialog.ModeBox->setCurrentIndex(2);
  dialog.PreviewBtn->click();
  QTRY_VERIFY(!dialog.busy());
  ASSERT_EQ(fake->scans.size(), 1u);
  const auto& preview = fake->scans[0];
  EXPECT_EQ(preview[0].text, "Color");
  EXPECT_EQ(setting(preview, "resolution"), 50);  // 200 pixels over 200 mm is below the minimum
  EXPECT_EQ(setting(preview, "br-y"), 300);
  EXPECT_EQ(setting(preview, "tl-x"), 0);
  EXPECT_EQ(dialog.result(), 0);  // still open
}

// Runs the scan dialog as a user would: wait for the device, press "Scannen", and with a scan
// that waits, press "Abbrechen" once it runs and again to close.
int scanLikeAUser(QDialog& d, FakeScanner& fake) {
  auto* dialog = dynamic_cast<ScanDialog*>(&d);
  if (!dialog) return QDialog::Rejected;
  [&] { QTRY_VERIFY(!dialog->busy()); }();
  if (dialog->ScanStartBtn->isEnabled()) dialog->ScanStartBtn->click();
  if (fake.waitForCancel) {
    [&] { QTRY_VERIFY(fake.scanning); }();
    dialog->CancelBtn->click();
  }
  [&] { QTRY_VERIFY(!dialog->busy()); }();
  if (dialog->result() != QDialog::Accepted) dialog->CancelBtn->click();
  return dialog->result();
}

// What the window shows of a new picture: load tab, crop frame and poster.
std::string shownState(test::WindowFixture& w) {
  const MainState& s = w.form.state();
  std::string out;
  for (const char* field : {"Breit", "Hoch", "Tief"}) out += w.find<QLineEdit>(field)->text().toStdString() + " ";
  for (const char* field : {"BreitEd", "HochEd"}) out += w.find<FloatEdit>(field)->text().toStdString() + " ";
  for (int32_t v : {s.CropLeft, s.CropTop, s.CropRight, s.CropBottom, s.poster.SheetsX, s.poster.SheetsY})
    out += std::to_string(v) + " ";
  return out;
}

TEST_F(ScanTab, AScanBecomesThePictureAsALoadedFileAndUndoTakesItBack) {
  QTemporaryDir dir;
  test::WindowFixture w;
  w.form.setScanner(fake);
  rememberScanner("fake:1");
  w.form.runDialog = [this](QDialog& d) { return scanLikeAUser(d, *fake); };
  ASSERT_TRUE(w.form.loadTab()->showDirectory(dir.path()));
  for (int bits : {24, 8, 1}) {
    SCOPED_TRACE(bits);
    fake->picture = test::blockPicture(60 + bits, 40, 6, 4);
    if (bits < 24) {
      DepthOptions reduce;
      reduce.bits = bits;
      fake->picture = DepthDownTo(fake->picture, reduce);
    }
    // The same picture loaded from a file is the reference for everything the window shows.
    const QString file = dir.filePath(QStringLiteral("scan%1.bmp").arg(bits));
    ASSERT_TRUE(SaveDib(fake->picture, file.toStdString(), kFormatBmp, {}));
    ASSERT_TRUE(w.form.loadTab()->showDirectory(dir.path()));
    LoadTab* tab = w.form.loadTab();
    tab->FileListBox1->setCurrentItem(
        tab->FileListBox1->findItems(QFileInfo(file).fileName(), Qt::MatchExactly).value(0));
    w.form.FileListBox1DblClick();
    const std::string loaded = shownState(w);
    w.form.ScanBtnClick();
    EXPECT_EQ(shownState(w), loaded);
    EXPECT_EQ(DibBitCount(w.form.state().Picture), bits);
    EXPECT_EQ(test::maxChannelDifference(test::dibToRgb(w.form.state().Picture), test::dibToRgb(fake->picture)), 0);
    // One undo step back to the loaded picture.
    ASSERT_TRUE(w.form.retouchTab()->UndoBtn->isEnabled());
    const uint64_t scanned = w.form.state().Picture.Id;
    w.form.UndoClick();
    EXPECT_NE(w.form.state().Picture.Id, scanned);
    EXPECT_EQ(shownState(w), loaded);
    EXPECT_FALSE(w.form.retouchTab()->UndoBtn->isEnabled());
  }
  EXPECT_EQ(fake->opened, "fake:1");
  EXPECT_TRUE(w.boxes.shown.isEmpty());
}

TEST_F(ScanTab, AFailedOrCancelledScanKeepsThePicture) {
  const struct {
    const char* what;
    ScanFault openFault, fault;
    bool waitForCancel;
    const char* message;  // the error box, none for a cancel
  } cases[] = {
      {"cancelled", ScanFault::None, ScanFault::None, true, ""},
      {"cover open", ScanFault::None, ScanFault::CoverOpen, false, "Fehler: Die Abdeckung des Scanners ist offen"},
      {"out of documents", ScanFault::None, ScanFault::NoDocs, false, "Fehler: Im Vorlageneinzug liegen keine"},
      {"busy", ScanFault::Busy, ScanFault::None, false, "Fehler: Der Scanner ist belegt"},
      {"gone", ScanFault::Gone, ScanFault::None, false, "Fehler: Der Scanner antwortet nicht"},
  };
  test::WindowFixture w;
  w.form.setScanner(fake);
  rememberScanner("fake:1");
  w.form.runDialog = [this](QDialog& d) { return scanLikeAUser(d, *fake); };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fake->openFault = c.openFault;
    fake->fault = c.fault;
    fake->waitForCancel = c.waitForCancel;
    w.boxes.shown.clear();
    const uint64_t before = w.form.state().Picture.Id;
    w.form.ScanBtnClick();
    EXPECT_EQ(w.form.state().Picture.Id, before);
    EXPECT_FALSE(w.form.retouchTab()->UndoBtn->isEnabled());
    if (*c.message) {
      ASSERT_EQ(w.boxes.shown.size(), 1);
      EXPECT_TRUE(w.boxes.shown[0].startsWith(c.message)) << w.boxes.shown[0].toStdString();
    } else {
      EXPECT_TRUE(w.boxes.shown.isEmpty());
    }
  }
}

}  // namespace

namespace {

// The same through SANE's test backend: the dialog on its real options, on the worker thread.
TEST_F(ScanTab, TheTestBackendScansThroughTheDialog) {
  const test::SaneTestBackend sane;
  test::WindowFixture w;
  w.form.setScanner(std::make_shared<SaneScanner>());
  rememberScanner("test:0");
  w.form.runDialog = [](QDialog& d) {
    auto* dialog = dynamic_cast<ScanDialog*>(&d);
    if (!dialog) return int(QDialog::Rejected);
    [&] { QTRY_VERIFY(!dialog->busy()); }();
    dialog->ModeBox->setCurrentIndex(dialog->ModeBox->findText("Farbe"));
    dialog->ResolutionEd->setValue(50);
    dialog->RightEd->setValue(40);
    dialog->ScanStartBtn->click();
    [&] { QTRY_COMPARE(dialog->result(), int(QDialog::Accepted)); }();
    return dialog->result();
  };
  w.form.ScanBtnClick();
  // 40 x 100 mm at 50 dpi.
  EXPECT_EQ(w.find<QLineEdit>("Breit")->text(), "78");
  EXPECT_EQ(w.find<QLineEdit>("Hoch")->text(), "196");
  EXPECT_EQ(DibBitCount(w.form.state().Picture), 24);
  EXPECT_TRUE(w.boxes.shown.isEmpty()) << w.boxes.shown.join("; ").toStdString();
  w.form.setScanner(nullptr);
}

}  // namespace
