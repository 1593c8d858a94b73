// The core's 8-bit texts when the process's ANSI code page is UTF-8: this program's manifest
// asks for it, as a system set to "UTF-8 for worldwide language support" gives it to all.
#include <windows.h>
// <windows.h> maps ReplaceFile to ReplaceFileA, which would rename the core's function.
#undef ReplaceFile

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/platform.h"
#include "common/text.h"
#include "controller/catalogue.h"
#include "support/test_files.h"

namespace {

const std::u16string kNative = u"Telenor \u00C6\u00D8\u00C5";
const std::string kUtf8 = "Telenor \xC3\x86\xC3\x98\xC3\x85";

TEST(Utf8AnsiCodePage, TheManifestMakesUtf8TheAnsiCodePage) {
  ASSERT_EQ(::GetACP(), static_cast<UINT>(CP_UTF8));
}

TEST(Utf8AnsiCodePage, TextRoundTripsInsteadOfTurningIntoQuestionMarks) {
  EXPECT_EQ(NativeToAnsi(kNative), kUtf8);
  EXPECT_EQ(AnsiToNative(kUtf8), kNative);
  // The one-"?" rule for surrogates holds here too: UTF-8 could spell them, the other pages cannot.
  EXPECT_EQ(NativeToAnsi(u"a\U0001F600b"), "a?b");
  EXPECT_EQ(NativeToAnsi(std::u16string(u"x\xD83Dy", 3)), "x?y");
}

TEST(Utf8AnsiCodePage, CatalogueNamesAndFileNamesKeepEveryCharacter) {
  Catalogue list;
  LoadCatalogueFromFile(TestDataPath("apn/utf8_bom.csv"), list);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(AnsiToNative(list[0]->Name), u"Tel\u00E9 Danmark");
  EXPECT_EQ(AnsiToNative(list[1]->Name), u"Beeline \u0411\u0438\u043B\u0430\u0439\u043D");

  // A save (as the log's) names the file on disk with the characters the text means.
  ScratchFolder folder;
  const std::string path = folder.File(kUtf8 + ".txt");
  ReplaceFile(path, kUtf8);
  const std::filesystem::path on_disk = std::filesystem::path(folder.Path()) / (kNative + u".txt");
  EXPECT_TRUE(std::filesystem::exists(on_disk));
  EXPECT_EQ(ReadWholeFile(path), kUtf8);
}

}  // namespace
