#pragma once
// The two sheet edits without a window, for the command line and for tests: each edit holds
// text, a value written into it becomes text with 8 decimals, reading parses the text, an arrow
// click writes the stepped value's text, and the change handler runs whenever the text changes,
// whether typed or written by the program (see FloatText.h).
#include <string>

#include "layout/PosterGeometry.h"

namespace tessaro {

class SheetEdits : public PosterEditsHost {
 public:
  explicit SheetEdits(const GeometryInputs& inputs) : inputs_(inputs) {}

  // The user types into an edit, or clicks its arrows `steps` times (down when negative).
  void typeBreit(const std::string& text) { change(breit_, text, true); }
  void typeHoch(const std::string& text) { change(hoch_, text, false); }
  void stepBreit(int steps) { change(breit_, steppedText(breit_, steps, step_, kSheetFormat), true); }
  void stepHoch(int steps) { change(hoch_, steppedText(hoch_, steps, step_, kSheetFormat), false); }
  // The arrows' step: the step edit's value, or 1 while whole sheets are used.
  void setStep(Ext step) { step_ = step; }

  const PosterState& state() const { return state_; }
  PosterState& state() { return state_; }
  const std::string& breitText() const { return breit_; }
  const std::string& hochText() const { return hoch_; }
  GeometryInputs& inputs() { return inputs_; }
  // How often each edit's change handler ran.
  int breitRuns = 0, hochRuns = 0;

  GeometryInputs geometryInputs() override { return inputs_; }
  Ext breitValue() override { return floatValue(breit_, kSheetFormat); }
  void setBreitValue(Ext v) override { change(breit_, floatText(v, kSheetFormat), true); }
  Ext hochValue() override { return floatValue(hoch_, kSheetFormat); }
  void setHochValue(Ext v) override { change(hoch_, floatText(v, kSheetFormat), false); }
  void repaintPreview() override {}

 private:
  void change(std::string& edit, std::string text, bool breit);

  GeometryInputs inputs_;
  PosterState state_;
  std::string breit_ = "1.00000000";
  std::string hoch_ = "1.00000000";
  Ext step_ = 0.1L;
};

}  // namespace tessaro
