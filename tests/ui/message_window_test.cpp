// The message window: ShowInfo's effects, the Close button as default and cancel button only
// while it is visible, closing only hides, and the dots.
#include "ui/message_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QTest>

#include "window_fixture.h"

namespace {

// Above the wizard that owns it, not above every other program; a dialog named by its title
// for screen readers, not an unnamed pane.
TEST(MessageFormTest, IsASmallInformationDialogOwnedByTheWizard) {
  QWidget wizard;
  MessageWindow form(&wizard);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Information"));
  EXPECT_EQ(form.minimumSize(), QSize(400, 160));
  EXPECT_EQ(form.maximumSize(), QSize(400, 160));
  EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(form.isWindow());
  EXPECT_EQ(form.parentWidget(), &wizard);
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&form);
  ASSERT_NE(accessible, nullptr);
  EXPECT_EQ(accessible->role(), QAccessible::Dialog);
  EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Information"));
  EXPECT_EQ(form.windowModality(), Qt::NonModal);
  EXPECT_TRUE(form.isHidden());
  EXPECT_EQ(form.text->text(), QStringLiteral("Label1"));
  EXPECT_EQ(form.text->geometry(), QRect(23, 40, 314, 74));
  EXPECT_EQ(form.close_button->geometry(), QRect(160, 127, 75, 25));
  EXPECT_TRUE(form.text->wordWrap());
  EXPECT_EQ(form.text->textFormat(), Qt::PlainText);
}

TEST(MessageFormTest, EnterAndEscPressCloseOnlyWhileItIsShown) {
  MessageWindow form;
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    SCOPED_TRACE(key);
    form.ShowInfo(u"Wrong PIN code", true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(form.close_button, key);
    EXPECT_TRUE(form.isHidden());

    form.ShowInfo(u"Testing GPRS settings", false);
    QTest::keyClick(&form, key);
    EXPECT_FALSE(form.isHidden());
    form.hide();
  }
}

TEST(MessageFormTest, CloseAndTheCloseBoxOnlyHide) {
  MessageWindow form;
  form.ShowInfo(u"Enter correct PIN code", true);
  form.close_button->click();
  EXPECT_TRUE(form.isHidden());
  form.ShowInfo(u"Testing GPRS settings", false);
  EXPECT_TRUE(form.close());
  EXPECT_TRUE(form.isHidden());
  form.ShowInfo(u"again", true);
  EXPECT_FALSE(form.isHidden());
  EXPECT_EQ(form.text->text(), QStringLiteral("again"));
}

TEST(MessageFormTest, SetTextReplacesTheTextAsItStands) {
  MessageWindow form;
  form.ShowInfo(u"Testing GPRS settings", false);
  form.SetText(u"Testing GPRS settings..");
  EXPECT_EQ(form.text->text(), QStringLiteral("Testing GPRS settings.."));
  EXPECT_TRUE(form.close_button->isHidden());
}

TEST_F(WindowTest, MessageWindowIsCentredOverTheMainWindowWhenFirstShown) {
  MakeWindow();
  window().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
  window().ShowInfo(u"No SIM card", true);
  const MessageWindow& message = window().Messages();
  const QPoint offset = message.geometry().center() - window().frameGeometry().center();
  EXPECT_LE(offset.manhattanLength(), 2);
  // A second message while shown leaves it where it is.
  const QPoint place = message.pos();
  window().ShowInfo(u"Wrong PIN code", true);
  EXPECT_EQ(message.pos(), place);
  EXPECT_EQ(message.text->text(), QStringLiteral("Wrong PIN code"));
  window().HideInfo();
  EXPECT_TRUE(message.isHidden());
}

}  // namespace
