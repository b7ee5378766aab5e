#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "app/LoadTab.h"
#include "app/MainForm.h"
#include "app/PosterSizeTab.h"
#include "app/PrintTab.h"
#include "app/RetouchTab.h"
#include "app/SettingsTab.h"
#include "app/WindowFixture.h"
#include "support/PosterPictures.h"
#include "ui/AboutBox.h"
#include "ui/HelpWindow.h"

using namespace tessaro;

namespace {

struct Window : test::WindowFixture {
  SettingsTab& s() { return *form.settingsTab(); }
  PosterSizeTab& p() { return *form.posterSizeTab(); }
};

}  // namespace

TEST(MainForm, StartsWithTheTabsAndTheStartPicture) {
  Window w;
  EXPECT_EQ(w.form.windowTitle(), "Tessaro 2.1");
  EXPECT_EQ(w.form.size(), QSize(630, 440));
  const QStringList captions = {"Motiv laden", "Scannen",   "Retuschieren", "Einstellungen",
                                "Druckgröße",  "Drucken", "Paßbilder"};
  QTabWidget* tabs = w.form.pageControl();
  ASSERT_EQ(tabs->count(), captions.size());
  for (int i = 0; i < tabs->count(); ++i) {
    EXPECT_EQ(tabs->tabText(i), captions[i]);
    EXPECT_FALSE(tabs->tabIcon(i).isNull());
  }
  EXPECT_EQ(tabs->currentIndex(), 0);
  EXPECT_EQ(w.find<QLineEdit>("Breit")->text(), "320");
  EXPECT_EQ(w.find<QLineEdit>("Hoch")->text(), "200");
  EXPECT_EQ(w.find<QLineEdit>("Tief")->text(), "256");
  MainState& st = w.form.state();
  EXPECT_EQ(DibWidth(st.Picture), 320);
  EXPECT_EQ(DibBitCount(st.Picture), 8);
  EXPECT_EQ(st.CropRight, 319);
  EXPECT_EQ(st.CropBottom, 199);
  // Start-up applies the geometry twice: from the height (one sheet), then from the width. With
  // 5 % glue strips and none on the poster's edge, a printed picture pixel is as wide as high:
  // down, 200 * 0.95 pixels over 5700 device pixels give 30 per pixel; across, the width w on
  // 3 sheets holds 320 * (100 - 5 / 3) / 100 pixels over w * 3800, so w = 2.48421053 sheets.
  const long double width = 320 * (100 - 5.0L / 3) / 100 * (5700 / (0.95L * 200)) / 3800;
  EXPECT_NEAR(st.poster.PosterWidth, static_cast<double>(width), 1e-8);
  EXPECT_EQ(w.p().BreitEd->text(), "2.48421053");
  EXPECT_EQ(w.p().HochEd->text(), "1.00000000");
  EXPECT_EQ(st.poster.SheetsX, 3);
  EXPECT_EQ(st.poster.SheetsY, 1);
  EXPECT_TRUE(st.poster.WidthLeads);
  for (const char* name : {"ueberbtn", "HilfeBtn", "EndeBtn"}) EXPECT_NE(w.find<QWidget>(name), nullptr) << name;
}

TEST(MainForm, CloseAsksAndCancelKeepsEverything) {
  Window w;
  auto& boxes = w.boxes;
  w.form.show();
  w.p().BreitEd->setValue(2.0);
  boxes.answer = false;
  EXPECT_FALSE(w.form.close());
  EXPECT_TRUE(w.form.isVisible());
  ASSERT_EQ(boxes.shown.size(), 1);
  EXPECT_EQ(boxes.shown[0], "Programm beenden: Hiermit beenden Sie Tessaro 2.1");
  EXPECT_EQ(w.form.state().poster.SheetsX, 2);
  boxes.answer = true;
  w.form.QuitBtnClick();
  EXPECT_FALSE(w.form.isVisible());
  EXPECT_EQ(boxes.shown.size(), 2);
}

TEST(MainForm, OptionCouplings) {
  Window w;
  Options& o = w.form.state().options;
  // Start states of the eleven boxes reach the option fields.
  EXPECT_TRUE(o.OptCutLines);
  EXPECT_FALSE(o.OptGlueLines);
  EXPECT_TRUE(o.OptNoEdgeLines);
  EXPECT_TRUE(o.OptGlueMargin);
  EXPECT_FALSE(o.OptPrintGlue);
  EXPECT_TRUE(o.OptNoEdgeGlue);
  EXPECT_TRUE(o.OptEdgeHints);
  EXPECT_FALSE(o.OptCenter);
  EXPECT_FALSE(o.OptFullSheet);
  EXPECT_TRUE(o.OptKeepAspect);
  EXPECT_FALSE(o.OptShowGlue);

  // Printing the glue strip brings the glue lines.
  w.s().CheckBox9->click();
  EXPECT_TRUE(w.s().CheckBox2->isChecked());
  EXPECT_TRUE(o.OptGlueLines);
  EXPECT_TRUE(o.OptPrintGlue);

  // Without the glue margin its controls are disabled but keep their states.
  w.s().CheckBox8->click();
  EXPECT_FALSE(o.OptGlueMargin);
  for (QWidget* c : std::initializer_list<QWidget*>{w.s().CheckBox9, w.s().CheckBox10, w.s().CheckBox2, w.s().KrandxlEd,
                                                    w.s().KrandylEd, w.s().Edit1, w.s().Edit2, w.s().CutHintsCheck})
    EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
  EXPECT_TRUE(w.s().CheckBox9->isChecked());
  EXPECT_TRUE(w.s().CheckBox10->isChecked());
  EXPECT_TRUE(w.s().CutHintsCheck->isChecked());
  w.s().CheckBox8->click();
  EXPECT_TRUE(w.s().KrandxlEd->isEnabled());

  // Whole sheets: the step edit is off and the arrows step by one.
  w.s().CheckBox5->click();
  EXPECT_FALSE(w.p().IncEd->isEnabled());
  EXPECT_DOUBLE_EQ(w.p().BreitEd->singleStep(), 1.0);
  EXPECT_DOUBLE_EQ(w.p().HochEd->singleStep(), 1.0);
  w.s().CheckBox5->click();
  EXPECT_TRUE(w.p().IncEd->isEnabled());
  w.p().IncEd->setValue(0.25);
  EXPECT_DOUBLE_EQ(w.p().BreitEd->singleStep(), 0.25);

  // The label beside the glue view box toggles it.
  QTest::mouseClick(w.p().RxLabel25, Qt::LeftButton);
  EXPECT_TRUE(o.OptShowGlue);
}

TEST(MainForm, PaperTextsFollowThePrinterAndTheGlueEdits) {
  Window w;
  EXPECT_EQ(w.s().Edit6->text(), "209.85 x 296.83 mm");
  // The core's printer has no queue to calibrate.
  EXPECT_FALSE(w.s().CalibrateBtn->isEnabled());
  w.s().KrandxlEd->setValue(0);
  EXPECT_EQ(w.s().Edit1->text(), "0.00 mm");
  const int columns = w.form.state().poster.SheetsX;
  const double height = w.form.state().poster.PosterHeight;
  w.s().KrandylEd->setValue(10);
  // A glue percentage changes only the millimetres, not the geometry.
  EXPECT_EQ(w.form.state().poster.SheetsX, columns);
  EXPECT_DOUBLE_EQ(w.form.state().poster.PosterHeight, height);
  // The set-up button runs the printer dialog and re-reads the page.
  w.printer.setMetrics([] {
    PageMetrics m = test::testPageMetrics();
    m.physicalWidth = 5100;
    return m;
  }());
  w.form.BitBtn3Click();
  EXPECT_EQ(w.setupRuns, 1);
  EXPECT_TRUE(w.s().Edit6->text().startsWith("215.77 x"));
}

TEST(MainForm, SheetEditsFollowEachOtherForTheStartPicture) {
  Window w;
  // 320 x 200 on a 4000 x 6000 page with 5 % glue strips and no glue at the poster's edge.
  w.p().BreitEd->setValue(2.0);
  const PosterState& ps = w.form.state().poster;
  EXPECT_EQ(ps.SheetsX, 2);
  // Equal printed scales: 2 * 3800 / (320 * 0.975) across, h * 5700 / (200 * 0.95) down.
  const long double expected = 2 * 3800 / (320 * 0.975L) * 200 * 0.95L / 5700;
  EXPECT_NEAR(double(w.p().HochEd->value()), static_cast<double>(expected), 1e-8);
  EXPECT_EQ(ps.SheetsY, 1);
  w.p().HochEd->setValue(3.0);
  EXPECT_FALSE(ps.WidthLeads);
  EXPECT_EQ(ps.SheetsY, 3);
  EXPECT_GT(ps.SheetsX, 2);
}

TEST(MainForm, ResizingGrowsThePagesAndTheZoomBase) {
  Window w;
  w.form.show();
  w.form.pageControl()->setCurrentWidget(w.form.posterSizeTab());
  QApplication::processEvents();
  const QSize page = w.form.pageControl()->size();
  EXPECT_EQ(page, QSize(630 - 16, 440 - 41 - 16));
  auto* scroll = w.find<QScrollArea>("ScrollBox2");
  const QSize box = scroll->size();
  w.form.resize(730, 490);
  QApplication::processEvents();
  EXPECT_EQ(w.form.pageControl()->size(), page + QSize(100, 50));
  EXPECT_EQ(scroll->size(), box + QSize(100, 50));
  const MainState& st = w.form.state();
  EXPECT_EQ(st.ZoomBaseWidth, scroll->maximumViewportSize().width());
  EXPECT_EQ(st.ZoomBaseHeight, scroll->maximumViewportSize().height());
  EXPECT_EQ(w.p().VorschauBox()->size(), QSize(st.ZoomBaseWidth, st.ZoomBaseHeight));
  w.p().ZoomEd->setValue(2.0);
  EXPECT_EQ(w.p().VorschauBox()->size(), QSize(st.ZoomBaseWidth * 2, st.ZoomBaseHeight * 2));
}

TEST(MainForm, ProgressMessagesMoveBothBars) {
  Window w;
  w.form.WMUser(50);
  EXPECT_EQ(w.find<QProgressBar>("ShowProzent")->value(), 50);
  EXPECT_EQ(w.find<QProgressBar>("ProRetusche")->value(), 50);
  w.form.WMUser(250);
  EXPECT_EQ(w.find<QProgressBar>("ShowProzent")->value(), 100);
}

// The blank start picture prints as black sheets: printing it needs a yes. Afterwards the print
// tab says what was sent, so a short job is not missed.
TEST(MainForm, PrintingAsksForTheStartPictureAndConfirmsTheJob) {
  enum class Picture { Start, DrawnOn, Other };
  const QString question = "Drucken: Es ist noch kein Bild geladen. Trotzdem drucken?";
  const struct {
    const char* name;
    Picture picture;
    double sheetsWide;  // 0: as the window starts (3 sheets for the start picture)
    bool allClickedOut;
    bool answer;
    bool asked;
    size_t pages;
    QString status;
  } cases[] = {
      {"start picture, no", Picture::Start, 0, false, false, true, 0, ""},
      {"start picture, yes", Picture::Start, 0, false, true, true, 3, "3 Blätter an den Drucker gesendet"},
      {"start picture drawn on", Picture::DrawnOn, 0, false, false, false, 3, "3 Blätter an den Drucker gesendet"},
      {"another picture", Picture::Other, 0, false, false, false, 3, "3 Blätter an den Drucker gesendet"},
      {"one sheet", Picture::Other, 1.0, false, false, false, 1, "1 Blatt an den Drucker gesendet"},
      {"every sheet clicked out", Picture::Other, 1.0, true, false, false, 0, "Es wurde kein Blatt gedruckt."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Window w;
    TDib& pic = w.form.state().Picture;
    if (c.picture == Picture::DrawnOn) {
      setpixel(pic, 5, 5, 1);
      touchDib(pic);
    } else if (c.picture == Picture::Other) {
      pic = test::blockPicture(320, 200, 2, 2);
    }
    if (c.sheetsWide > 0) w.p().BreitEd->setValue(c.sheetsWide);
    if (c.allClickedOut) {
      w.form.state().SheetOff.toggle(0, 0);
      w.form.printTab()->RadioButton4->setChecked(true);
    }
    w.boxes.answer = c.answer;
    w.form.PrintBtnClick();
    EXPECT_EQ(w.boxes.shown, c.asked ? QStringList{question} : QStringList{});
    EXPECT_EQ(w.printer.pageCount(), c.pages);
    const QLabel* status = w.find<QLabel>("PrintStatus");
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text(), c.status);
    EXPECT_FALSE(status->accessibleName().isEmpty());
  }
}

TEST(MainForm, NumbersFieldsAndTitlesReadRightInAGermanSession) {
  const QLocale locale;
  const QString displayName = QGuiApplication::applicationDisplayName();
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  QGuiApplication::setApplicationDisplayName(kProgramTitle);  // as the program sets it at start
  {
    Window w;
    // Numbers: a point like the millimetre texts, whatever the locale.
    QDoubleSpinBox german;
    german.setValue(2.5);
    ASSERT_EQ(german.text(), "2,50");  // the session's locale is in force
    for (FloatEdit* e : w.form.findChildren<FloatEdit*>())
      EXPECT_EQ(e->text().toStdString(), QString::number(double(e->value()), 'f', e->decimals()).toStdString());
    for (QSpinBox* e : w.form.findChildren<QSpinBox*>())
      EXPECT_EQ(e->text().toStdString(), QString::number(e->value()).toStdString());
    // Typing: a point, or a comma taken for one.
    for (const char* typed : {"2.5", "2,75"}) {
      FloatEdit* e = w.p().BreitEd;
      e->selectAll();
      QTest::keyClicks(e, typed);
      QTest::keyClick(e, Qt::Key_Return);
      EXPECT_DOUBLE_EQ(double(e->value()), QString(typed).replace(',', '.').toDouble()) << typed;
      EXPECT_FALSE(e->text().contains(',')) << typed;
    }

    // Read-only fields: drawn on the window's background, out of the Tab order, still named
    // and marked read-only for screen readers.
    const std::pair<QLineEdit*, const char*> fields[] = {{w.s().Edit6, "Gewähltes Papierformat"},
                                                         {w.s().Edit7, "Rand oben"},
                                                         {w.s().Edit8, "Rand links"},
                                                         {w.s().Edit9, "Rand rechts"},
                                                         {w.s().Edit10, "Rand unten"},
                                                         {w.s().Edit1, "Kleberand rechts in mm"},
                                                         {w.s().Edit2, "Kleberand unten in mm"}};
    for (const auto& [e, name] : fields) {
      SCOPED_TRACE(e->objectName().toStdString());
      EXPECT_TRUE(e->isReadOnly());
      EXPECT_FALSE(e->hasFrame());
      EXPECT_EQ(e->palette().color(QPalette::Base).alpha(), 0);
      EXPECT_FALSE(e->focusPolicy() & Qt::TabFocus);
      EXPECT_TRUE(e->focusPolicy() & Qt::ClickFocus);  // text can still be selected
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(e);
      ASSERT_NE(a, nullptr);
      EXPECT_EQ(a->text(QAccessible::Name).toStdString(), name);
      EXPECT_EQ(a->text(QAccessible::Value), e->text());
      EXPECT_TRUE(a->state().readOnly);
    }

    // Titles as the window system shows them: Qt adds the display name unless the title
    // already ends with it.
    const auto shown = [](const QString& title) {
      const QString name = QGuiApplication::applicationDisplayName();
      return title.endsWith(name) ? title : title + " — " + name;
    };
    HelpWindow help;
    TAboutBox about(&w.form);
    w.boxes.answer = false;
    w.form.show();
    w.form.close();
    ASSERT_EQ(w.boxes.shown.size(), 1);
    const QString boxCaption = w.boxes.shown[0].section(':', 0, 0);
    for (const QString& title : {w.form.windowTitle(), help.windowTitle(), about.windowTitle(), boxCaption})
      EXPECT_EQ(shown(title).count("Tessaro"), 1) << shown(title).toStdString();
  }
  QLocale::setDefault(locale);
  QGuiApplication::setApplicationDisplayName(displayName);
}

// The window does not shrink below its start size, where the load tab has all the room it asks
// for; a larger window widens every preview; the file-type drop-down shows its entries whole.
TEST(MainForm, KeepsItsStartSizeGrowsThePreviewsAndShowsWholeFileTypes) {
  Window w;
  w.form.show();
  w.form.resize(400, 300);
  QApplication::processEvents();
  EXPECT_EQ(w.form.size(), QSize(630, 440));
  LoadTab* load = w.form.loadTab();
  EXPECT_LE(load->minimumSizeHint().width(), load->width());
  EXPECT_LE(load->minimumSizeHint().height(), load->height());

  QTabWidget* tabs = w.form.pageControl();
  const std::pair<int, QWidget*> previews[] = {{0, load->PaintBox1},
                                               {2, w.find<QScrollArea>("ScrollBox1")},
                                               {4, w.find<QScrollArea>("ScrollBox2")},
                                               {6, w.find<QScrollArea>("ScrollBox3")}};
  const auto sizes = [&] {
    std::vector<QSize> result;
    for (const auto& [tab, preview] : previews) {
      tabs->setCurrentIndex(tab);
      QApplication::processEvents();
      result.push_back(preview->size());
    }
    return result;
  };
  const std::vector<QSize> start = sizes();
  w.form.resize(630 + 600, 440 + 400);
  const std::vector<QSize> large = sizes();
  for (size_t i = 0; i < start.size(); ++i) {
    SCOPED_TRACE(previews[i].second->objectName().toStdString());
    EXPECT_GE(large[i].width() - start[i].width(), 400);
    EXPECT_GE(large[i].height() - start[i].height(), 300);
  }

  // At either size the drop-down shows every entry whole, or is as wide as the screen; each entry
  // is its own tool tip, and the box's tool tip names the chosen entry whole.
  tabs->setCurrentIndex(0);
  QComboBox* types = load->FilterComboBox1;
  QAbstractItemView* view = types->view();
  for (const QSize size : {QSize(630, 440), QSize(630 + 600, 440 + 400)}) {
    SCOPED_TRACE(size.width());
    w.form.resize(size);
    types->showPopup();
    QApplication::processEvents();
    const bool screenWide = view->window()->width() >= types->screen()->availableGeometry().width();
    for (int i = 0; i < types->count(); ++i) {
      const QString text = types->itemText(i);
      if (!screenWide) {
        EXPECT_GE(view->viewport()->width(), view->sizeHintForIndex(view->model()->index(i, 0)).width());
        EXPECT_GE(view->viewport()->width(), view->fontMetrics().horizontalAdvance(text)) << text.toStdString();
      }
      EXPECT_EQ(types->itemData(i, Qt::ToolTipRole).toString(), text);
    }
    types->hidePopup();
  }
  EXPECT_TRUE(types->toolTip().endsWith(types->currentText()));
  EXPECT_TRUE(types->currentText().startsWith("Alle Bilddateien (*.bmp;"));
}
