// The sheet edits of the window against the core's model of them, over sequences of typing,
// arrow clicks and option changes: both must show the same texts and sheet counts after every
// step. The model is SheetEdits, which the command line uses too.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/LoadTab.h"
#include "app/PosterSizeTab.h"
#include "app/WindowFixture.h"
#include "layout/PosterSetup.h"
#include "picture/CodecRegistry.h"
#include "print/PaperSizes.h"
#include "ui/FloatEdit.h"

using namespace tessaro;

namespace {

struct Step {
  enum Kind { Type, Arrow, Option } kind;
  bool breit = true;          // which edit
  std::string text;           // Type: typed key by key over the selected text
  int clicks = 0;             // Arrow: up when positive
  const char* box = nullptr;  // Option: the check box, and its new state
  bool on = false;
};

Step type(bool breit, std::string text) { return {Step::Type, breit, std::move(text)}; }
Step arrow(bool breit, int clicks) { return {Step::Arrow, breit, {}, clicks}; }
Step option(const char* box, bool on) { return {Step::Option, true, {}, 0, box, on}; }

bool Options::*flagOf(const std::string& box) {
  if (box == "CheckBox5") return &Options::OptFullSheet;
  if (box == "CheckBox6") return &Options::OptKeepAspect;
  if (box == "CheckBox8") return &Options::OptGlueMargin;
  return &Options::OptNoEdgeGlue;  // CheckBox10
}

void apply(test::WindowFixture& w, const Step& s) {
  FloatEdit* edit = w.find<FloatEdit>(s.breit ? "BreitEd" : "HochEd");
  switch (s.kind) {
    case Step::Type:
      edit->setFocus();
      edit->selectAll();
      QTest::keyClicks(edit, QString::fromStdString(s.text));
      break;
    case Step::Arrow:
      for (int i = 0; i < std::abs(s.clicks); ++i) QTest::keyClick(edit, s.clicks > 0 ? Qt::Key_Up : Qt::Key_Down);
      break;
    case Step::Option:
      w.find<QCheckBox>(s.box)->setChecked(s.on);
      break;
  }
}

void apply(SheetEdits& e, const Step& s) {
  switch (s.kind) {
    case Step::Type:
      // Each key changes the text once: the first replaces the selection, the others go at the
      // end, also of a text the program rewrote meanwhile.
      for (size_t n = 0; n < s.text.size(); ++n) {
        const std::string now = n == 0 ? std::string() : (s.breit ? e.breitText() : e.hochText());
        s.breit ? e.typeBreit(now + s.text[n]) : e.typeHoch(now + s.text[n]);
      }
      break;
    case Step::Arrow:
      for (int i = 0; i < std::abs(s.clicks); ++i) {
        const int one = s.clicks > 0 ? 1 : -1;
        s.breit ? e.stepBreit(one) : e.stepHoch(one);
      }
      break;
    case Step::Option:
      e.inputs().options.*flagOf(s.box) = s.on;
      e.setStep(e.inputs().options.OptFullSheet ? 1 : 0.1L);
      by_anpassen(e.state(), e);
      break;
  }
}

}  // namespace

TEST(SheetEdits, WindowAndModelShowTheSameTextsAndSheetCounts) {
  const struct {
    const char* name;
    std::vector<Step> steps;
    const char* breit = nullptr;  // hand-computed texts at the end, where given
    int sheetsX = 0;
  } cases[] = {
      {"ten clicks up from 1", {type(true, "1"), arrow(true, 10)}, "2.00000000", 2},
      {"clicks on the height", {type(false, "4"), arrow(false, 1), arrow(false, -1), arrow(false, -1)}},
      {"whole sheets rewrite what is typed", {option("CheckBox5", true), type(true, "3"), type(false, "2.5")}},
      {"the same value typed again", {type(true, "2"), type(true, "2.0"), type(true, "2.00")}},
      {"clicks at the bounds",
       {type(true, "100"), arrow(true, 1), arrow(true, -1), type(true, "0.1"), arrow(true, -1)}},
      {"aspect off and on",
       {option("CheckBox6", false), type(true, "2.5"), type(false, "1.5"), option("CheckBox6", true)}},
      {"glue strips off", {option("CheckBox8", false), type(false, "3"), option("CheckBox10", false), arrow(true, -1)}},
      {"typed beyond the range", {type(true, "250"), type(false, "0")}},
  };
  QTemporaryDir dir;
  const TDib picture = newdib(600, 400, 8, nullptr, 0);
  ASSERT_TRUE(SaveDib(picture, dir.filePath("bild.bmp").toStdString(), kFormatBmp, {}));
  const PageMetrics page = paperMetrics(*findPaper("A4"), 300);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::WindowFixture w(page);
    LoadTab* tab = w.form.loadTab();
    ASSERT_TRUE(tab->showDirectory(dir.path()));
    tab->FileListBox1->setCurrentItem(tab->FileListBox1->findItems("bild.bmp", Qt::MatchExactly).value(0));
    w.form.FileListBox1DblClick();
    SheetEdits model = editsAfterLoading(picture, page, Options{}, GlueMargins{});
    for (size_t i = 0; i <= c.steps.size(); ++i) {
      SCOPED_TRACE("after step " + std::to_string(i));
      if (i > 0) {
        apply(w, c.steps[i - 1]);
        apply(model, c.steps[i - 1]);
      }
      const PosterState& s = w.form.state().poster;
      EXPECT_EQ(w.find<FloatEdit>("BreitEd")->text().toStdString(), model.breitText());
      EXPECT_EQ(w.find<FloatEdit>("HochEd")->text().toStdString(), model.hochText());
      EXPECT_EQ(s.SheetsX, model.state().SheetsX);
      EXPECT_EQ(s.SheetsY, model.state().SheetsY);
      EXPECT_EQ(s.PosterWidth, model.state().PosterWidth);
      EXPECT_EQ(s.PosterHeight, model.state().PosterHeight);
    }
    if (c.breit) {
      EXPECT_EQ(model.breitText(), c.breit);
      EXPECT_EQ(model.state().SheetsX, c.sheetsX);
    }
  }
}

// The zoom multiplies the base as its text says, in extended precision: 0.3 x 345 is a tie,
// which goes to the even 104 (a double's 0.3 is a little less and gave 103).
TEST(SheetEdits, ZoomTiesRoundToEven) {
  test::WindowFixture w;
  w.form.state().ZoomBaseWidth = 345;
  w.form.state().ZoomBaseHeight = 115;
  FloatEdit* zoom = w.find<FloatEdit>("ZoomEd");
  const struct {
    const char* typed;
    int width, height;
  } cases[] = {{"0.3", 104, 34}, {"1.5", 518, 172}, {"2", 690, 230}};
  for (const auto& c : cases) {
    zoom->setFocus();
    zoom->selectAll();
    QTest::keyClicks(zoom, c.typed);
    EXPECT_EQ(w.form.posterSizeTab()->VorschauBox()->size(), QSize(c.width, c.height)) << c.typed;
  }
}
