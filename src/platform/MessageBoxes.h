#pragma once
// Modal German message boxes behind a small interface, so that tests can answer the questions.
#include <QString>

class QWidget;

namespace tessaro {

class MessageBoxes {
 public:
  enum class Icon { Information, Warning, Error, Question, None };
  virtual ~MessageBoxes() = default;
  // OK/Cancel question; true for OK.
  virtual bool askOkCancel(QWidget* parent, const QString& caption, const QString& text, Icon icon) = 0;
  // Yes/No question; true for Yes. Enter answers Yes unless `noIsDefault`.
  virtual bool askYesNo(QWidget* parent, const QString& caption, const QString& text, Icon icon,
                        bool noIsDefault = false) = 0;
  // A message with only an OK button.
  virtual void tell(QWidget* parent, const QString& caption, const QString& text, Icon icon) = 0;
};

// The boxes the program uses; QMessageBox unless a test installed its own.
MessageBoxes& messageBoxes();
// Installs `boxes` (not owned); null restores the real message boxes.
void setMessageBoxes(MessageBoxes* boxes);

}  // namespace tessaro
