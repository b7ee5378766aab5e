#include "ui/AboutBox.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "ui/DialogFit.h"
#include "ui/Icons.h"

namespace tessaro {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutBox");
  setWindowTitle(QStringLiteral("Info"));
  setFixedSize(298, 213);
  auto* panel = new QFrame(this);
  panel->setFrameStyle(QFrame::Box | QFrame::Sunken);  // lowered outside, raised inside
  panel->setGeometry(8, 8, 281, 161);
  auto* icon = new QLabel(panel);
  icon->setObjectName("ProgramIcon");
  icon->setPixmap(programIcon().pixmap(32, 32));
  icon->setGeometry(8, 16, 33, 33);
  icon->setScaledContents(true);
  auto* name = new QLabel(QStringLiteral("Tessaro"), panel);
  name->setObjectName("ProductName");
  QFont f = name->font();
  f.setBold(true);
  name->setFont(f);
  name->move(56, 16);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName("BitBtn1");
  // Centred below the panel, as wide as its caption needs in the current style.
  ok->resize(ok->sizeHint().expandedTo(QSize(75, 25)));
  ok->move((width() - ok->width()) / 2, 180);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  keepTextsWhole(*this);
}

void TAboutBox::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
  if (screen) move(screen->availableGeometry().center() - rect().center());
}

}  // namespace tessaro
