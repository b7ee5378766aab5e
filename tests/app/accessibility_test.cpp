#include <gtest/gtest.h>

#include <QAccessible>
#include <QSignalSpy>

#include "app/WindowFixture.h"
#include "ui/PictureButton.h"

using namespace tessaro;

// Screen readers announce the window as a frame named by its title, the picture buttons as push
// buttons by caption, and pressing one through the accessibility interface clicks it.
TEST(PictureButtonAccessibility, EveryButtonIsANamedPushButtonThatPresses) {
  test::WindowFixture w;
  QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(&w.form);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->role(), QAccessible::Window);
  EXPECT_EQ(frame->text(QAccessible::Name), w.form.windowTitle());
  EXPECT_TRUE(w.form.windowTitle().startsWith("Tessaro"));
  const QList<std::pair<const char*, QString>> buttons = {{"ueberbtn", "Info"},
                                                          {"HilfeBtn", "Hilfe"},
                                                          {"EndeBtn", "Ende"},
                                                          {"SetupBtn", "Drucker..."},
                                                          {"GoBtn1", "Drucken"},
                                                          {"GoBtn2", "Drucken"},
                                                          {"TSetupBtn", "Scanner wählen"},
                                                          {"ScanBtn", "Scannen"}};
  ASSERT_EQ(w.form.findChildren<PictureButton*>().size(), buttons.size());
  for (const auto& [name, caption] : buttons) {
    SCOPED_TRACE(name);
    auto* button = w.find<PictureButton>(name);
    ASSERT_NE(button, nullptr);
    // Only the press matters here, not the dialogs and the printing the window attaches to it.
    QObject::disconnect(button, &PictureButton::clicked, nullptr, nullptr);
    QSignalSpy clicks(button, &PictureButton::clicked);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::PushButton);
    EXPECT_EQ(a->text(QAccessible::Name), caption);
    EXPECT_EQ(a->text(QAccessible::Description), button->toolTip());
    QAccessibleActionInterface* actions = a->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(clicks.wait(1000));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(button->pressedShown());
  }
}
