#pragma once
// The two sheet edits without a window, for the command line and for tests: each edit holds
// text, a value written into it becomes text with 8 decimals, reading parses the text, and the
// change handler runs whenever the text changes, whether typed or written by the program.
#include <string>

#include "layout/PosterGeometry.h"

namespace tessaro {

class SheetEdits : public PosterEditsHost {
 public:
  explicit SheetEdits(const GeometryInputs& inputs) : inputs_(inputs) {}

  // The user types into an edit; the geometry follows as it does in the window.
  void typeBreit(const std::string& text);
  void typeHoch(const std::string& text);

  const PosterState& state() const { return state_; }
  PosterState& state() { return state_; }
  const std::string& breitText() const { return breit_; }
  const std::string& hochText() const { return hoch_; }
  GeometryInputs& inputs() { return inputs_; }

  GeometryInputs geometryInputs() override { return inputs_; }
  double breitValue() override;
  void setBreitValue(double v) override;
  double hochValue() override;
  void setHochValue(double v) override;
  void repaintPreview() override {}

 private:
  void change(std::string& edit, std::string text, bool breit);

  GeometryInputs inputs_;
  PosterState state_;
  std::string breit_ = "1.00000000";
  std::string hoch_ = "1.00000000";
};

// An edit's value as text: clamped to the sheet range and fixed to 8 decimals with a point.
std::string sheetText(double v);
// The number an edit's text holds; 0 for text that is no number (the geometry clamps it).
double sheetValue(const std::string& text);

}  // namespace tessaro
