// 8-bit text through the ANSI code page of the system.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/text.h"

namespace {

TEST(Win32AnsiCodePage, PlainTextEmbeddedZerosAndEmptyTextRoundTrip) {
  const struct {
    const char* name;
    std::string ansi;
    std::u16string native;
  } kRows[] = {
      {"empty", "", u""},
      {"ascii", "internet.provider", u"internet.provider"},
      {"zero inside", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
      {"controls", "\r\n\t", u"\r\n\t"},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(AnsiToNative(row.ansi), row.native);
    EXPECT_EQ(NativeToAnsi(row.native), row.ansi);
  }
}

TEST(Win32AnsiCodePage, CharactersOutsideTheCodePageBecomeTheReplacementNotALookAlike) {
  // Fullwidth quotation mark and solidus would map to '"' and '/' with best fit.
  EXPECT_EQ(NativeToAnsi(u"a\uFF02b\uFF0Fc"), "a?b?c");
  EXPECT_EQ(NativeToAnsi(u"\u4E2D"), GetACP() == 936 ? "\xD6\xD0" : "?");
}

TEST(Win32AnsiCodePage, OneCharacterBeyondTheBasicPlaneIsOneReplacement) {
  EXPECT_EQ(NativeToAnsi(u"a\U0001F600b"), "a?b");
  EXPECT_EQ(NativeToAnsi(u"\U0001F600\U0001F601"), "??");
  EXPECT_EQ(NativeToAnsi(u"\U0001F600"), "?");
  // Halves without their partner are single unrepresentable characters.
  EXPECT_EQ(NativeToAnsi(std::u16string(u"x\xD83Dy", 3)), "x?y");
  EXPECT_EQ(NativeToAnsi(std::u16string(u"\xDE00z", 2)), "?z");
}

TEST(Win32AnsiCodePage, WesternCodePageBytes) {
  if (::GetACP() != 1252) GTEST_SKIP() << "the system's ANSI code page is " << ::GetACP();
  EXPECT_EQ(AnsiToNative("\xE9\x80\x9F"), u"\u00E9\u20AC\u0178");
  EXPECT_EQ(NativeToAnsi(u"\u00E9\u20AC\u0178"), "\xE9\x80\x9F");
  EXPECT_EQ(NativeToAnsi(u"\u0100"), "?");  // best fit would give "A"
}

}  // namespace
