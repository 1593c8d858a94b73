// 8-bit text through the ANSI code page of the system.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/ansi_codepage_win32.h"
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

// Every code page the system has must accept the flags given for it, or every text would turn
// into "?" (UTF-8 refuses WC_NO_BEST_FIT_CHARS on Windows).
TEST(Win32AnsiCodePage, EachCodePageGetsFlagsItAccepts) {
  const struct {
    UINT codepage;
    DWORD flags;
  } kRows[] = {
      {1252, WC_NO_BEST_FIT_CHARS}, {1250, WC_NO_BEST_FIT_CHARS}, {932, WC_NO_BEST_FIT_CHARS},
      {936, WC_NO_BEST_FIT_CHARS},  {874, WC_NO_BEST_FIT_CHARS},  {CP_UTF8, 0},
      {65000, 0},                   {42, 0},                      {50220, 0},
      {50221, 0},                   {50222, 0},                   {50225, 0},
      {50227, 0},                   {50229, 0},                   {52936, 0},
      {54936, 0},                   {57002, 0},                   {57006, 0},
      {57011, 0},                   {57012, WC_NO_BEST_FIT_CHARS}, {50000, WC_NO_BEST_FIT_CHARS},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.codepage);
    EXPECT_EQ(ConversionFlagsFor(row.codepage), row.flags);
    if (!::IsValidCodePage(row.codepage)) continue;
    char out[16] = {};
    EXPECT_GT(::WideCharToMultiByte(row.codepage, row.flags, L"abc", 3, out, 16, nullptr, nullptr), 0)
        << "error " << ::GetLastError();
  }
}

TEST(Win32AnsiCodePage, NordicLettersThroughEachAnsiCodePage) {
  const std::u16string native = u"Telenor \u00C6\u00D8\u00C5";
  const struct {
    UINT codepage;
    std::string ansi;
    std::u16string back;
  } kRows[] = {
      {1252, "Telenor \xC6\xD8\xC5", native},
      {CP_UTF8, "Telenor \xC3\x86\xC3\x98\xC3\x85", native},
      {54936, "Telenor \x81\x30\x87\x34\x81\x30\x89\x31\x81\x30\x87\x33", native},
      // Central European has none of the three: "?" each, not "AE", "O" and "A".
      {1250, "Telenor ???", u"Telenor ???"},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.codepage);
    if (!::IsValidCodePage(row.codepage)) continue;
    EXPECT_EQ(NativeToCodePage(native, row.codepage), row.ansi);
    EXPECT_EQ(CodePageToNative(row.ansi, row.codepage), row.back);
    EXPECT_EQ(NativeToCodePage(u"a\U0001F600b\xDE00", row.codepage), "a?b?");
  }
}

}  // namespace
