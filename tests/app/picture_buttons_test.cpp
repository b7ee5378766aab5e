#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include "app/WindowFixture.h"
#include "ui/PictureButton.h"

using namespace tessaro;

namespace {

void send(PictureButton& b, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent e(type, QPointF(at), b.mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
  QApplication::sendEvent(&b, &e);
}

}  // namespace

// Every picture button of the window, with the size and hint it is drawn with.
TEST(PictureButtons, HaveTheirSizesAndHints) {
  test::WindowFixture w;
  const QString print = QStringLiteral("Startet den Druckvorgang!");
  const std::tuple<const char*, QSize, QString> table[] = {
      {"EndeBtn", {101, 30}, QStringLiteral("Hiermit verlassen Sie das Programm")},
      {"HilfeBtn", {101, 30}, QStringLiteral("Klicken Sie hier, falls Sie Hilfe benötigen")},
      {"ueberbtn", {101, 30}, QStringLiteral("Informationen über das Programm")},
      {"GoBtn1", {101, 30}, print},
      {"GoBtn2", {101, 30}, print},
      {"SetupBtn",
       {82, 35},
       QStringLiteral("Klicken Sie hier, um einen anderen Drucker oder ein anderes Papierformat zu wählen")},
      {"TSetupBtn",
       {115, 35},
       QStringLiteral("Klicken Sie hier, um das Gerät zu wählen, von dem das Bild geholt werden soll")},
      {"ScanBtn", {115, 35}, QStringLiteral("Klicken Sie hier, um das Benutzerinterface des Gerätes zu starten")},
  };
  EXPECT_EQ(w.form.findChildren<PictureButton*>().size(), std::size(table));
  for (const auto& [name, size, hint] : table) {
    SCOPED_TRACE(name);
    auto* b = w.find<PictureButton>(name);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->size(), size);
    EXPECT_EQ(b->toolTip(), hint);
    EXPECT_EQ(b->cursor().shape(), Qt::PointingHandCursor);
  }
}

// The pressed picture shows only while the button is held over it; only a release over it, or
// Space or Enter, clicks.
TEST(PictureButtons, ShowPressedWhileHeldAndClickOnlyOnReleaseInside) {
  enum Step { Press, PressRight, MoveIn, MoveOut, ReleaseIn, ReleaseRight, ReleaseOut, HoverIn, Space, Enter, Letter };
  struct Case {
    const char* what;
    std::vector<Step> steps;
    std::vector<bool> pressedShown;  // after each step
    int clicks;
  };
  const Case cases[] = {
      {"press and release over it", {Press, ReleaseIn}, {true, false}, 1},
      {"drag off, back, off, release outside",
       {Press, MoveOut, MoveIn, MoveOut, ReleaseOut},
       {true, false, true, false, false},
       0},
      {"drag off and back, release over it", {Press, MoveOut, MoveIn, ReleaseIn}, {true, false, true, false}, 1},
      {"hovering changes nothing", {HoverIn, MoveOut, HoverIn}, {false, false, false}, 0},
      {"another mouse button presses but does not click", {PressRight, ReleaseRight}, {true, false}, 0},
      {"keyboard", {Space, Enter, Letter}, {false, false, false}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PictureButton b("b", "Test", "Hinweis", QSize(101, 30));
    QSignalSpy clicks(&b, &PictureButton::clicked);
    const QPoint in(50, 15), out(120, 15);
    for (size_t i = 0; i < c.steps.size(); ++i) {
      switch (c.steps[i]) {
        case Press:
          send(b, QEvent::MouseButtonPress, in, Qt::LeftButton, Qt::LeftButton);
          break;
        case PressRight:
          send(b, QEvent::MouseButtonPress, in, Qt::RightButton, Qt::RightButton);
          break;
        case MoveIn:
          send(b, QEvent::MouseMove, in, Qt::NoButton, Qt::LeftButton);
          break;
        case MoveOut:
          send(b, QEvent::MouseMove, out, Qt::NoButton, Qt::LeftButton);
          break;
        case HoverIn:
          send(b, QEvent::MouseMove, in, Qt::NoButton, Qt::NoButton);
          break;
        case ReleaseIn:
          send(b, QEvent::MouseButtonRelease, in, Qt::LeftButton, Qt::NoButton);
          break;
        case ReleaseRight:
          send(b, QEvent::MouseButtonRelease, in, Qt::RightButton, Qt::NoButton);
          break;
        case ReleaseOut:
          send(b, QEvent::MouseButtonRelease, out, Qt::LeftButton, Qt::NoButton);
          break;
        case Space:
          QTest::keyClick(&b, Qt::Key_Space);
          break;
        case Enter:
          QTest::keyClick(&b, Qt::Key_Return);
          break;
        case Letter:
          QTest::keyClick(&b, Qt::Key_A);
          break;
      }
      EXPECT_EQ(b.pressedShown(), c.pressedShown[i]) << "step " << i;
    }
    EXPECT_EQ(clicks.count(), c.clicks);
    EXPECT_FALSE(b.pressedFlag());
  }
}
