#pragma once
// Message boxes that answer from a script and remember what they were shown.
#include <QString>
#include <QStringList>

#include "platform/MessageBoxes.h"

namespace tessaro::test {

class ScriptedMessageBoxes : public MessageBoxes {
 public:
  ScriptedMessageBoxes() { setMessageBoxes(this); }
  ~ScriptedMessageBoxes() override { setMessageBoxes(nullptr); }
  bool answer = true;  // the answer to every question
  QStringList shown;   // "caption: text" of every box, in order

  bool askOkCancel(QWidget*, const QString& caption, const QString& text, Icon) override {
    shown << caption + ": " + text;
    return answer;
  }
  bool askYesNo(QWidget*, const QString& caption, const QString& text, Icon, bool noIsDefault) override {
    shown << caption + ": " + text + (noIsDefault ? " [Nein]" : "");
    return answer;
  }
  void tell(QWidget*, const QString& caption, const QString& text, Icon) override { shown << caption + ": " + text; }
};

}  // namespace tessaro::test
