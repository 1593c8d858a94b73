// Integer conversion, trimming, search and code-page conversion: every parser depends on them.
#include "common/text.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

struct IntRow {
  const char* name;
  const char* text;
  std::int32_t expected;
};

TEST(TextToInt, FollowsTheWholeTextRule) {
  const IntRow rows[] = {
      {"plain", "238", 238},
      {"leading spaces", "   238", 238},
      {"trailing space", "238 ", 0},
      {"plus sign", "+5", 5},
      {"minus sign", "-75", -75},
      {"two signs", "--5", 0},
      {"space after sign", "- 5", 0},
      {"empty", "", 0},
      {"only spaces", "   ", 0},
      {"sign only", "-", 0},
      {"dollar hex", "$1F", 31},
      {"x hex", "x10", 16},
      {"X hex", "X10", 16},
      {"0x hex", "0x10", 16},
      {"0X hex lower digits", "0Xff", 255},
      {"negative hex", "-$10", -16},
      {"prefix only", "0x", 0},
      {"hex digit in decimal", "1a", 0},
      {"comma", "5,", 0},
      {"tab is not a space", "\t5", 0},
      {"leading zeros", "007", 7},
      {"int max", "2147483647", 2147483647},
      {"above int max", "2147483648", 0},
      {"int min", "-2147483648", INT32_MIN},
      {"below int min", "-2147483649", 0},
      {"hex above int max", "$80000000", 0},
      {"very long", "99999999999999999999999", 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(TextToInt(row.text), row.expected);
  }
}

TEST(Trim, RemovesCodesUpToSpaceFromBothEndsOnly) {
  EXPECT_EQ(Trim(" \t internet \r\n"), "internet");
  EXPECT_EQ(Trim(std::string("\0\x1f" "a b\x20", 6)), "a b");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(""), "");
  // Bytes of 128 and above are characters of the code page, not blanks.
  EXPECT_EQ(Trim("\xA0x\xE9"), "\xA0x\xE9");
}

TEST(Pos, CountsFromOneAndGivesZeroWhenAbsent) {
  EXPECT_EQ(Pos("MCC:", "MCC:238"), 1u);
  EXPECT_EQ(Pos("MNC:", "MCC:238 MNC:1"), 9u);
  EXPECT_EQ(Pos("SIM:", "MCC:238"), 0u);
  EXPECT_EQ(Pos("OK", "GPRSTEST OK OK"), 10u);
  EXPECT_EQ(Pos("ok", "OK"), 0u);
}

TEST(Copy, ClipsToTheText) {
  EXPECT_EQ(Copy("QR:12345678HW:", 4, 8), "12345678");
  EXPECT_EQ(Copy("QR:123", 4, 8), "123");
  EXPECT_EQ(Copy("QR:", 4, 8), "");
  EXPECT_EQ(Copy("abc", 0, 2), "ab");
  EXPECT_EQ(Copy("abc", 2, 0), "");
  EXPECT_EQ(Copy("abc", 2, -3), "");
}

TEST(AnsiCodePage, RoundTripsWindows1252) {
  // e acute, the euro sign (0x80 in the code page) and a curly quote (0x93).
  const NativeString native = u"caf\u00e9 \u20ac \u201c";
  const AnsiString ansi = NativeToAnsi(native);
  EXPECT_EQ(ansi, "caf\xE9 \x80 \x93");
  EXPECT_EQ(AnsiToNative(ansi), native);
}

TEST(AnsiCodePage, UnrepresentableCharactersBecomeQuestionMarks) {
  EXPECT_EQ(NativeToAnsi(u"\u0141\u00f3d\u017a \u4e2d"), "?\xF3" "d? ?");  // L stroke, z acute, a CJK character
  EXPECT_EQ(NativeToAnsi(u"\u0161"), "\x9A");                 // s caron is 0x9A
  EXPECT_EQ(NativeToAnsi(u"a\U0001F600b"), "a?b");            // one character, one "?"
  EXPECT_EQ(NativeToAnsi(std::u16string(1, char16_t(0xD800))), "?");  // lone surrogate
}

TEST(AnsiCodePage, EveryByteDecodesToSomething) {
  for (int byte = 1; byte < 256; ++byte) {
    SCOPED_TRACE(byte);
    const std::string one(1, static_cast<char>(byte));
    const NativeString native = AnsiToNative(one);
    ASSERT_EQ(native.size(), 1u);
    EXPECT_EQ(NativeToAnsi(native), one);
  }
}

TEST(Utf8, DecodesAndEncodesIncludingInvalidInput) {
  EXPECT_EQ(Utf8ToNative("Telia \xC3\xA5"), u"Telia \u00e5");
  EXPECT_EQ(Utf8ToNative("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(Utf8ToNative("a\xFFz"), u"a\uFFFDz");          // invalid lead byte
  EXPECT_EQ(Utf8ToNative("a\xC3"), u"a\uFFFD");             // truncated sequence
  EXPECT_EQ(Utf8ToNative("\xC0\x80"), u"\uFFFD\uFFFD");     // overlong form
  EXPECT_EQ(Utf8ToNative("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
  EXPECT_EQ(NativeToUtf8(u"\u00e5\U0001F600"), "\xC3\xA5\xF0\x9F\x98\x80");
  EXPECT_EQ(NativeToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

}  // namespace
