#include "layout/SheetEdits.h"

namespace tessaro {

void SheetEdits::change(std::string& edit, std::string text, bool breit) {
  if (text == edit) return;
  edit = std::move(text);
  if (breit) {
    ++breitRuns;
    BreitEdChange(state_, *this);
  } else {
    ++hochRuns;
    HochEdChange(state_, *this);
  }
}

}  // namespace tessaro
