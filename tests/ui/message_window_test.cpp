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
  EXPECT_FALSE(form.dots_timer.isActive());
  EXPECT_EQ(form.dots_timer.interval(), 330);
}

TEST(MessageFormTest, EnterAndEscPressCloseOnlyWhileItIsShown) {
  MessageWindow form;
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    SCOPED_TRACE(key);
    form.ShowInfo(u"Wrong PIN code", true, false);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(form.close_button, key);
    EXPECT_TRUE(form.isHidden());

    form.ShowInfo(u"Testing GPRS settings", false, true);
    QTest::keyClick(&form, key);
    EXPECT_FALSE(form.isHidden());
    form.hide();
  }
}

TEST(MessageFormTest, CloseAndTheCloseBoxOnlyHide) {
  MessageWindow form;
  form.ShowInfo(u"Enter correct PIN code", true, false);
  form.close_button->click();
  EXPECT_TRUE(form.isHidden());
  form.ShowInfo(u"Testing GPRS settings", false, true);
  EXPECT_TRUE(form.close());
  EXPECT_TRUE(form.isHidden());
  // Hiding does not stop the dots.
  EXPECT_TRUE(form.dots_timer.isActive());
  form.ShowInfo(u"again", true, false);
  EXPECT_FALSE(form.isHidden());
  EXPECT_EQ(form.text->text(), QStringLiteral("again"));
}

TEST(MessageFormTest, DotsCountUpToThreeAndStartAgain) {
  MessageWindow form;
  form.ShowInfo(u"Testing GPRS settings", false, true);
  EXPECT_EQ(form.text->text(), QStringLiteral("Testing GPRS settings"));
  for (const char* dots : {".", "..", "...", "", "."}) {
    form.OnDotsTimer();
    EXPECT_EQ(form.text->text(), QStringLiteral("Testing GPRS settings") + QString::fromLatin1(dots));
  }
  // A second ShowInfo restarts from no dots; without animation the text stays exact.
  form.ShowInfo(u"Connection failed. Please check operator/APN settings and try again", true, false);
  EXPECT_FALSE(form.dots_timer.isActive());
  EXPECT_EQ(form.dot_count, 0);
  EXPECT_EQ(form.text->text(), QStringLiteral("Connection failed. Please check operator/APN settings and try again"));
  EXPECT_FALSE(form.close_button->isHidden());
}

TEST(MessageFormTest, EmptyTextShowsOnlyTheDotsAndTheTimerDrivesThem) {
  MessageWindow form;
  form.ShowInfo(u"", false, true);
  EXPECT_TRUE(form.text->text().isEmpty());
  EXPECT_TRUE(QTest::qWaitFor([&] { return form.text->text() == QStringLiteral("."); }, 3000));
}

TEST_F(WindowTest, MessageWindowIsCentredOverTheMainWindowWhenFirstShown) {
  MakeWindow();
  window().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
  window().ShowInfo(u"No SIM card", true, false);
  const MessageWindow& message = window().Messages();
  const QPoint offset = message.geometry().center() - window().frameGeometry().center();
  EXPECT_LE(offset.manhattanLength(), 2);
  // A second message while shown leaves it where it is.
  const QPoint place = message.pos();
  window().ShowInfo(u"Wrong PIN code", true, false);
  EXPECT_EQ(message.pos(), place);
  EXPECT_EQ(message.text->text(), QStringLiteral("Wrong PIN code"));
  window().HideInfo();
  EXPECT_TRUE(message.isHidden());
}

}  // namespace
