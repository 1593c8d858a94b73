// The message window: ShowInfo's effects, the Close button as default and cancel button only
// while it is visible, closing only hides, and the dots.
#include "ui/message_form_unit.h"

#include <gtest/gtest.h>

#include <QTest>

#include "window_fixture.h"

namespace {

TEST(MessageFormTest, IsASmallStayOnTopInformationWindow) {
  TMessageForm form;
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Information"));
  EXPECT_EQ(form.minimumSize(), QSize(400, 160));
  EXPECT_EQ(form.maximumSize(), QSize(400, 160));
  EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(form.windowModality(), Qt::NonModal);
  EXPECT_TRUE(form.isHidden());
  EXPECT_EQ(form.Label1->text(), QStringLiteral("Label1"));
  EXPECT_EQ(form.Label1->geometry(), QRect(23, 40, 314, 74));
  EXPECT_EQ(form.Button1->geometry(), QRect(160, 127, 75, 25));
  EXPECT_TRUE(form.Label1->wordWrap());
  EXPECT_EQ(form.Label1->textFormat(), Qt::PlainText);
  EXPECT_FALSE(form.Timer1.isActive());
  EXPECT_EQ(form.Timer1.interval(), 330);
}

TEST(MessageFormTest, EnterAndEscPressCloseOnlyWhileItIsShown) {
  TMessageForm form;
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    SCOPED_TRACE(key);
    form.ShowInfo(u"Wrong PIN code", true, false);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(form.Button1, key);
    EXPECT_TRUE(form.isHidden());

    form.ShowInfo(u"Testing GPRS settings", false, true);
    QTest::keyClick(&form, key);
    EXPECT_FALSE(form.isHidden());
    form.hide();
  }
}

TEST(MessageFormTest, CloseAndTheCloseBoxOnlyHide) {
  TMessageForm form;
  form.ShowInfo(u"Enter correct PIN code", true, false);
  form.Button1->click();
  EXPECT_TRUE(form.isHidden());
  form.ShowInfo(u"Testing GPRS settings", false, true);
  EXPECT_TRUE(form.close());
  EXPECT_TRUE(form.isHidden());
  // Hiding does not stop the dots.
  EXPECT_TRUE(form.Timer1.isActive());
  form.ShowInfo(u"again", true, false);
  EXPECT_FALSE(form.isHidden());
  EXPECT_EQ(form.Label1->text(), QStringLiteral("again"));
}

TEST(MessageFormTest, DotsCountUpToThreeAndStartAgain) {
  TMessageForm form;
  form.ShowInfo(u"Testing GPRS settings", false, true);
  EXPECT_EQ(form.Label1->text(), QStringLiteral("Testing GPRS settings"));
  for (const char* dots : {".", "..", "...", "", "."}) {
    form.Timer1Timer();
    EXPECT_EQ(form.Label1->text(), QStringLiteral("Testing GPRS settings") + QString::fromLatin1(dots));
  }
  // A second ShowInfo restarts from no dots; without animation the text stays exact.
  form.ShowInfo(u"Connection failed. Please check operator/APN settings and try again", true, false);
  EXPECT_FALSE(form.Timer1.isActive());
  EXPECT_EQ(form.DotCount, 0);
  EXPECT_EQ(form.Label1->text(), QStringLiteral("Connection failed. Please check operator/APN settings and try again"));
  EXPECT_FALSE(form.Button1->isHidden());
}

TEST(MessageFormTest, EmptyTextShowsOnlyTheDotsAndTheTimerDrivesThem) {
  TMessageForm form;
  form.ShowInfo(u"", false, true);
  EXPECT_TRUE(form.Label1->text().isEmpty());
  EXPECT_TRUE(QTest::qWaitFor([&] { return form.Label1->text() == QStringLiteral("."); }, 3000));
}

TEST_F(WindowTest, MessageWindowIsCentredOverTheMainWindowWhenFirstShown) {
  MakeWindow();
  window().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
  window().ShowInfo(u"No SIM card", true, false);
  const TMessageForm& message = window().MessageForm();
  const QPoint offset = message.geometry().center() - window().frameGeometry().center();
  EXPECT_LE(offset.manhattanLength(), 2);
  // A second message while shown leaves it where it is.
  const QPoint place = message.pos();
  window().ShowInfo(u"Wrong PIN code", true, false);
  EXPECT_EQ(message.pos(), place);
  EXPECT_EQ(message.Label1->text(), QStringLiteral("Wrong PIN code"));
  window().HideInfo();
  EXPECT_TRUE(message.isHidden());
}

}  // namespace
