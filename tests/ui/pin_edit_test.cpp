// The PIN field: four positions, digits only, blanks in front of the typed digits.
#include "ui/pin_edit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>

namespace {

class PinEditTest : public testing::Test {
 protected:
  void SetUp() override {
    edit_.show();
    edit_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&edit_));
    edit_.setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(edit_.hasFocus());
  }
  PinEdit edit_;
};

struct TypingRow {
  const char* name;
  const char* keys;
  const char* text;     // PinText()
  const char* display;  // what the field shows while it has the focus
};

TEST_F(PinEditTest, TypedKeysGiveFourCharactersWithBlanksInFront) {
  const TypingRow rows[] = {
      {"untouched", "", "    ", "____"},
      {"one digit", "7", "   7", "7___"},
      {"two digits", "12", "  12", "12__"},
      {"four digits", "0815", "0815", "0815"},
      {"a fifth digit is refused", "12345", "1234", "1234"},
      {"letters are refused", "a1b2", "  12", "12__"},
      {"punctuation and spaces are refused", " -+.9", "   9", "9___"},
  };
  for (const TypingRow& row : rows) {
    SCOPED_TRACE(row.name);
    edit_.SetPinText(QString());
    QTest::keyClicks(&edit_, QString::fromLatin1(row.keys));
    EXPECT_EQ(edit_.PinText().toStdString(), row.text);
    EXPECT_EQ(edit_.text().toStdString(), row.display);
  }
}

TEST_F(PinEditTest, BackspaceAndDeleteRemoveTheLastDigit) {
  QTest::keyClicks(&edit_, QStringLiteral("123"));
  QTest::keyClick(&edit_, Qt::Key_Backspace);
  EXPECT_EQ(edit_.PinText(), QStringLiteral("  12"));
  QTest::keyClick(&edit_, Qt::Key_Delete);
  EXPECT_EQ(edit_.PinText(), QStringLiteral("   1"));
  QTest::keyClick(&edit_, Qt::Key_Backspace);
  QTest::keyClick(&edit_, Qt::Key_Backspace);  // nothing left to remove
  EXPECT_EQ(edit_.PinText(), QStringLiteral("    "));
}

TEST_F(PinEditTest, CaretKeysCannotPlaceTypingAmongTheDigits) {
  QTest::keyClicks(&edit_, QStringLiteral("12"));
  QTest::keyClick(&edit_, Qt::Key_Home);
  QTest::keyClick(&edit_, Qt::Key_Left);
  QTest::keyClicks(&edit_, QStringLiteral("3"));
  EXPECT_EQ(edit_.PinText(), QStringLiteral(" 123"));
}

TEST_F(PinEditTest, SelectingAllAndTypingReplacesTheDigits) {
  QTest::keyClicks(&edit_, QStringLiteral("1234"));
  edit_.selectAll();
  QTest::keyClicks(&edit_, QStringLiteral("9"));
  EXPECT_EQ(edit_.PinText(), QStringLiteral("   9"));
}

TEST_F(PinEditTest, PasteTakesOnlyWhatFits) {
  QApplication::clipboard()->setText(QStringLiteral("56"));
  QTest::keyClicks(&edit_, QStringLiteral("1"));
  QTest::keyClick(&edit_, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit_.PinText(), QStringLiteral(" 156"));
  // Too long, or not all digits: the field is left as it was.
  QApplication::clipboard()->setText(QStringLiteral("78"));
  QTest::keyClick(&edit_, Qt::Key_V, Qt::ControlModifier);
  QApplication::clipboard()->setText(QStringLiteral("x"));
  QTest::keyClick(&edit_, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit_.PinText(), QStringLiteral(" 156"));
}

TEST_F(PinEditTest, TextSetFromCodeKeepsDigitsOnly) {
  const std::pair<const char*, const char*> rows[] = {
      {"", "    "}, {"1234", "1234"}, {"  12", "  12"}, {"12", "  12"}, {"123456", "1234"}, {"1a2", "  12"},
  };
  for (const auto& [given, expected] : rows) {
    SCOPED_TRACE(given);
    edit_.SetPinText(QString::fromLatin1(given));
    EXPECT_EQ(edit_.PinText().toStdString(), expected);
  }
}

TEST_F(PinEditTest, UntypedPositionsShowAsUnderscoresOnlyWhileEditing) {
  QTest::keyClicks(&edit_, QStringLiteral("42"));
  EXPECT_EQ(edit_.text(), QStringLiteral("42__"));
  edit_.clearFocus();
  EXPECT_EQ(edit_.text(), QStringLiteral("42"));
  EXPECT_EQ(edit_.PinText(), QStringLiteral("  42"));
}

}  // namespace
