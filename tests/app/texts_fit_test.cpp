// Every tab and dialog as a new user first sees it: no text cut, no control covered by another,
// every dialog as wide as its title; at the screen's own scale and at twice it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/PrintTab.h"
#include "app/SaneTestBackend.h"
#include "app/WindowFixture.h"
#include "platform/QtPrintService.h"
#include "scan/SaneScanner.h"
#include "ui/AboutBox.h"
#include "ui/DepthDialogs.h"
#include "ui/PictureButton.h"
#include "ui/ScanDeviceDialog.h"
#include "ui/ScanDialog.h"

using namespace tessaro;

namespace {

QString nameOf(const QWidget* w) {
  return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
}

bool covers(const QSize& size, const QSize& need) {
  return need.width() <= size.width() && need.height() <= size.height();
}

// What is wrong with one control's text; empty when it shows whole.
QString cutText(QWidget* w) {
  if (auto* label = qobject_cast<QLabel*>(w)) {
    if (label->text().isEmpty()) return {};
    const bool fits = label->wordWrap() ? label->heightForWidth(label->width()) <= label->height()
                                        : covers(label->size(), label->sizeHint());
    return fits ? QString() : "label \"" + label->text() + "\" cut";
  }
  if (auto* combo = qobject_cast<QComboBox*>(w)) {
    // A box that may cut its entry names it whole in its tool tip.
    if (combo->toolTip().contains(combo->currentText()) && !combo->currentText().isEmpty()) return {};
    QStyleOptionComboBox option;
    option.initFrom(combo);
    const QRect field =
        combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    for (int i = 0; i < combo->count(); ++i)
      if (combo->fontMetrics().horizontalAdvance(combo->itemText(i)) > field.width())
        return "entry \"" + combo->itemText(i) + "\" cut";
    return covers(combo->size(), combo->sizeHint()) ? QString() : QStringLiteral("box too small");
  }
  if (auto* group = qobject_cast<QGroupBox*>(w))
    return group->width() >= group->minimumSizeHint().width() ? QString() : "title \"" + group->title() + "\" cut";
  if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    if (button->text().isEmpty()) return {};
    return covers(button->size(), button->sizeHint()) ? QString() : "button \"" + button->text() + "\" cut";
  }
  if (auto* picture = qobject_cast<PictureButton*>(w))
    return covers(picture->size(), picture->sizeHint()) ? QString() : QStringLiteral("picture button cut");
  return {};
}

// The controls of `window` with their texts, each placed in the window.
std::vector<std::pair<QWidget*, QRect>> controlsOf(QWidget* window) {
  std::vector<std::pair<QWidget*, QRect>> out;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisible() || !(qobject_cast<QLabel*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QGroupBox*>(w) ||
                             qobject_cast<QAbstractButton*>(w) || qobject_cast<PictureButton*>(w)))
      continue;
    out.emplace_back(w, QRect(w->mapTo(window, QPoint(0, 0)), w->size()));
  }
  return out;
}

// Every problem of `window`: texts cut, controls cut off by what holds them or covering each
// other, a title wider than the window.
QStringList problems(QWidget* window) {
  QStringList found;
  const auto controls = controlsOf(window);
  for (const auto& [w, rect] : controls) {
    if (const QString cut = cutText(w); !cut.isEmpty()) found << nameOf(w) + ": " + cut;
    for (QWidget* holder = w->parentWidget(); holder && holder != window->parentWidget();
         holder = holder->parentWidget())
      if (!QRect(holder->mapTo(window, QPoint(0, 0)), holder->size()).contains(rect)) {
        found << nameOf(w) + ": cut off by " + nameOf(holder);
        break;
      }
  }
  for (size_t i = 0; i < controls.size(); ++i)
    for (size_t j = i + 1; j < controls.size(); ++j) {
      const auto& [a, ra] = controls[i];
      const auto& [b, rb] = controls[j];
      if (ra.intersects(rb) && !a->isAncestorOf(b) && !b->isAncestorOf(a))
        found << nameOf(a) + " and " + nameOf(b) + " cover each other";
    }
  // A common title bar: the title bold at 1.2 times the size, an icon of 24 pixels, three buttons
  // of 34 and 20 on either side; one cut "Helligkeit und Kontrast" at 320 pixels.
  QFont title = window->font();
  title.setBold(true);
  title.setPointSizeF(title.pointSizeF() * 1.2);
  if (QFontMetrics(title).horizontalAdvance(window->windowTitle()) + 24 + 3 * 34 + 2 * 20 > window->width())
    found << "title \"" + window->windowTitle() + "\" cut";
  return found;
}

// Saves what it checks as pictures into the folder TESSARO_SHOTS names, if set, to be looked at.
struct Window : test::WindowFixture {
  QStringList checked, found;
  QString shotFolder = qEnvironmentVariable("TESSARO_SHOTS");
  void check(const QString& screen, QWidget* window) {
    QApplication::processEvents();
    checked << screen;
    for (const QString& p : problems(window)) found << screen + ": " + p;
    if (!shotFolder.isEmpty())
      window->grab().save(
          QDir(shotFolder).filePath(QStringLiteral("%1@%2.png").arg(screen).arg(window->devicePixelRatio())));
  }
};

// Checks the dialog the window shows next and closes it; the colour count goes on to reduce.
int checkDialog(Window& w, QDialog& d) {
  d.show();
  // The scanner dialogs wait for the device first.
  if (auto* scan = qobject_cast<ScanDialog*>(&d)) EXPECT_TRUE(QTest::qWaitFor([scan] { return !scan->busy(); }));
  if (auto* devices = qobject_cast<ScanDeviceDialog*>(&d))
    EXPECT_TRUE(QTest::qWaitFor([devices] { return devices->SearchBtn->isEnabled(); }));
  w.check(d.objectName(), &d);
  if (auto* colours = qobject_cast<TDepthChangeForm*>(&d)) {
    colours->ColorBox->setCurrentIndex(0);
    return QDialog::Accepted;
  }
  return QDialog::Rejected;
}

// Checks Qt's own dialog that `open` shows modally, under the name `name`, and closes it.
void checkQtDialog(Window& w, const char* name, const std::function<void()>& open) {
  QTimer::singleShot(0, [&w, name] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    dialog->setObjectName(name);
    checkDialog(w, *dialog);
    dialog->reject();
  });
  open();
}

}  // namespace

TEST(TextsFit, EveryTabAndDialogAtTheStartSize) {
  if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) {
    QProcess twice;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_SCALE_FACTOR", "2");
    twice.setProcessEnvironment(env);
    twice.setProcessChannelMode(QProcess::MergedChannels);
    twice.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=TextsFit.*"});
    ASSERT_TRUE(twice.waitForFinished(100000));
    EXPECT_EQ(twice.exitCode(), 0) << "at QT_SCALE_FACTOR=2:\n" << twice.readAll().toStdString();
  }
  const test::SaneTestBackend sane;
  QTemporaryDir pdfFolder;
  Window w;
  w.form.setScanner(std::make_shared<SaneScanner>());
  rememberScanner("test:0");
  w.form.runDialog = [&w](QDialog& d) { return checkDialog(w, d); };
  w.form.show();
  QTabWidget* tabs = w.form.pageControl();
  for (int i = 0; i < tabs->count(); ++i) {
    tabs->setCurrentIndex(i);
    w.check(tabs->tabText(i), &w.form);
  }
  // The print tab with the dot screen's panel open.
  tabs->setCurrentWidget(w.form.printTab());
  w.form.printTab()->KindBox->setCurrentIndex(1);
  w.check(QStringLiteral("Drucken, Punkteraster"), &w.form);
  w.form.printTab()->KindBox->setCurrentIndex(0);
  // Each opens its dialogs as the window does; the colour count opens two.
  const std::function<void()> dialogs[] = {
      [&] { w.form.HellpBtnClick(); },
      [&] { w.form.SizeBtnClick(); },
      [&] { w.form.FTiefeBtnClick(); },
      [&] { w.form.TSetupBtnClick(); },
      [&] { w.form.ScanBtnClick(); },
      [&] {
        TAboutBox about(&w.form);
        checkDialog(w, about);
      },
      [&] {
        QtPrintService printer;
        printer.usePdfFile(pdfFolder.path());
        checkQtDialog(w, "PrinterDialog", [&] { printer.setupDialog(&w.form); });
      },
      [&] { checkQtDialog(w, "SaveDialog", [&] { w.form.SaveBtnClick(); }); },
  };
  for (const auto& open : dialogs) open();
  w.form.setScanner(nullptr);
  rememberScanner({});
  EXPECT_EQ(w.checked.size(), tabs->count() + 10) << w.checked.join(", ").toStdString();
  EXPECT_TRUE(w.found.isEmpty()) << w.found.join('\n').toStdString();
}
