// Tests of the operator catalogue: row rules, encodings, line breaks, merging, the real
// converted catalogue and the converter itself.
#include "controller/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "common/platform.h"
#include "support/wizard_fixture.h"
#include "support/test_files.h"

namespace {

using namespace std::string_literals;

struct Entry {
  std::string name;
  int mcc;
  int mnc;
  std::string apn;
  std::string user;
  std::string password;
  std::string list_prefix;

  bool operator==(const Entry&) const = default;
};

void PrintTo(const Entry& e, std::ostream* os) {
  *os << '{' << e.name << " | " << e.mcc << " | " << e.mnc << " | " << e.apn << " | " << e.user << " | "
      << e.password << " | " << e.list_prefix << '}';
}

std::vector<Entry> Entries(const Catalogue& list) {
  std::vector<Entry> out;
  for (const auto& e : list) out.push_back({e->Name, e->Mcc, e->Mnc, e->Apn, e->User, e->Password, e->ListPrefix});
  return out;
}

std::vector<Entry> Load(std::string_view content) {
  Catalogue list;
  LoadCatalogueFromContent(content, list);
  return Entries(list);
}

std::vector<Entry> LoadFixture(const std::string& name) {
  Catalogue list;
  LoadCatalogueFromFile(TestDataPath("apn/" + name), list);
  return Entries(list);
}

struct RowCase {
  const char* name;
  std::string content;
  std::vector<Entry> expected;
};

TEST(ApnListRows, FollowTheColumnRules) {
  const std::vector<RowCase> cases = {
      {"plain row", "TDC;238;1;internet;;;Denmark", {{"TDC", 238, 1, "internet", "", "", "Denmark"}}},
      {"user and password", "A;238;1;apn;u;p;DK", {{"A", 238, 1, "apn", "u", "p", "DK"}}},
      {"five separators are not enough", "TDC;238;1;internet;;", {}},
      {"seventh separator stays in column 7", "TDC;238;1;internet;;;Denmark;extra;",
       {{"TDC", 238, 1, "internet", "", "", "Denmark;extra;"}}},
      {"empty and separator-less lines", "\r\n\r\nno separators here\r\n;;;\r\n", {}},
      {"six bare separators give an empty entry", ";;;;;;", {{"", 0, 0, "", "", "", ""}}},
      {"no header: a first row is data", "Name;Mcc;Mnc;Apn;User;Password;Country",
       {{"Name", 0, 0, "Apn", "User", "Password", "Country"}}},
      {"blanks around text columns are trimmed", " \tTDC \t;238;1; internet\t; user ; pass ;\tDenmark \t",
       {{"TDC", 238, 1, "internet", "user", "pass", "Denmark"}}},
      {"bytes above 127 are not trimmed", "\xA0TDC\xA0;238;1;apn;;;DK", {{"\xA0TDC\xA0", 238, 1, "apn", "", "", "DK"}}},
      {"leading spaces before a number", "A;  238;  1;apn;;;DK", {{"A", 238, 1, "apn", "", "", "DK"}}},
      {"trailing space makes a number 0", "A;238 ;1 ;apn;;;DK", {{"A", 0, 0, "apn", "", "", "DK"}}},
      {"tab before a number makes it 0", "A;\t238;1;apn;;;DK", {{"A", 0, 1, "apn", "", "", "DK"}}},
      {"leading zeros and signs", "A;+238;01;apn;;;DK", {{"A", 238, 1, "apn", "", "", "DK"}}},
      {"hexadecimal forms", "A;$EE;0x10;apn1;;;DK\nB;x1f;0Xa;apn2;;;DK",
       {{"A", 238, 16, "apn1", "", "", "DK"}, {"B", 31, 10, "apn2", "", "", "DK"}}},
      {"non-numeric codes keep the entry", "A;abc;;apn;;;DK", {{"A", 0, 0, "apn", "", "", "DK"}}},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Load(row.content), row.expected);
  }
}

TEST(ApnListRows, DropOnlyTheSixMmsAndWapSpellings) {
  struct Case {
    const char* name;
    bool kept;
  };
  const std::vector<Case> cases = {
      {"TDC MMS", false},   {"tdc mms", false},    {"Telecomms", false}, {"My Wap", false},
      {"swapped", false},   {"WAP portal", false}, {"Mmsx", false},      {"TDC Internet", true},
      {"mMs", true},        {"MmS", true},         {"mmS", true},        {"MMs", true},
      {"wAp", true},        {"WaP", true},         {"waP", true},        {"M M S", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Load(std::string(c.name) + ";238;1;apn;;;DK").size(), c.kept ? 1u : 0u);
  }
  // Only column 1 is searched.
  EXPECT_EQ(Load("TDC;238;1;mms.tdc.dk;wap;MMS;WAP").size(), 1u);
}

TEST(ApnListMerge, JoinsRowsThatShareTheKey) {
  const std::vector<RowCase> cases = {
      {"two names", "A;238;1;apn;u;p;DK\nB;238;1;apn;u;p;DK", {{"A,B", 238, 1, "apn", "u", "p", "DK"}}},
      {"third name appends again", "A;238;1;apn;;;DK\nB;238;1;apn;;;DK\nC;238;1;apn;;;DK",
       {{"A,B,C", 238, 1, "apn", "", "", "DK"}}},
      {"different Mcc merges into the first, keeping its Mcc", "A;238;1;apn;;;DK\nB;240;1;apn;;;DK",
       {{"A,B", 238, 1, "apn", "", "", "DK"}}},
      {"merging compares trimmed columns", "A;238;1;apn ;;;DK\n B ;238;1; apn;;; DK",
       {{"A,B", 238, 1, "apn", "", "", "DK"}}},
      {"APN case is not merged", "A;238;1;apn;;;DK\nB;238;1;APN;;;DK",
       {{"A", 238, 1, "apn", "", "", "DK"}, {"B", 238, 1, "APN", "", "", "DK"}}},
      {"Mnc differs", "A;238;1;apn;;;DK\nB;238;2;apn;;;DK",
       {{"A", 238, 1, "apn", "", "", "DK"}, {"B", 238, 2, "apn", "", "", "DK"}}},
      {"user differs", "A;238;1;apn;u;;DK\nB;238;1;apn;v;;DK",
       {{"A", 238, 1, "apn", "u", "", "DK"}, {"B", 238, 1, "apn", "v", "", "DK"}}},
      {"password differs", "A;238;1;apn;;p;DK\nB;238;1;apn;;q;DK",
       {{"A", 238, 1, "apn", "", "p", "DK"}, {"B", 238, 1, "apn", "", "q", "DK"}}},
      {"list prefix differs", "A;238;1;apn;;;DK\nB;238;1;apn;;;SE",
       {{"A", 238, 1, "apn", "", "", "DK"}, {"B", 238, 1, "apn", "", "", "SE"}}},
      {"user and password are not interchangeable", "A;238;1;apn;x;;DK\nB;238;1;apn;;x;DK",
       {{"A", 238, 1, "apn", "x", "", "DK"}, {"B", 238, 1, "apn", "", "x", "DK"}}},
      {"a merge goes to the first of interleaved keys", "A;238;1;a1;;;DK\nB;238;1;a2;;;DK\nC;238;1;a1;;;DK",
       {{"A,C", 238, 1, "a1", "", "", "DK"}, {"B", 238, 1, "a2", "", "", "DK"}}},
      {"a dropped MMS row merges into nothing", "TDC MMS;238;1;apn;;;DK\nTDC;238;1;apn;;;DK",
       {{"TDC", 238, 1, "apn", "", "", "DK"}}},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Load(row.content), row.expected);
  }
}

TEST(ApnListMerge, EntriesAlreadyInTheListAbsorbLaterRows) {
  Catalogue list;
  LoadCatalogueFromContent("A;238;1;apn;;;DK\n", list);
  LoadCatalogueFromContent("B;240;1;apn;;;DK\nC;238;2;apn;;;DK\n", list);
  EXPECT_EQ(Entries(list), (std::vector<Entry>{{"A,B", 238, 1, "apn", "", "", "DK"}, {"C", 238, 2, "apn", "", "", "DK"}}));
}

TEST(ApnListMirror, ReceivesUntrimmedNamesOfRowsWithSixSeparatorsBeforeTheFilter) {
  Catalogue list;
  std::vector<std::string> mirrored;
  LoadCatalogueFromContent(" TDC ;238;1;apn;;;DK\nTDC MMS;238;1;mms;;;DK\nShort;238;1;apn;;\nB;238;1;apn;;;DK\n", list,
                         [&](const AnsiString& name) { mirrored.push_back(name); });
  EXPECT_EQ(mirrored, (std::vector<std::string>{" TDC ", "TDC MMS", "B"}));
  EXPECT_EQ(Entries(list), (std::vector<Entry>{{"TDC,B", 238, 1, "apn", "", "", "DK"}}));
}

TEST(ApnListFile, DecodesByByteOrderMark) {
  const std::vector<Entry> unicode = {
      {"Tel\xE9 Danmark", 238, 1, "internet", "", "", "Denmark"},
      {"Beeline ??????", 250, 99, "internet.beeline.ru", "beeline", "beeline", "Russia"},
      {"Smile ?", 238, 2, "smile", "", "", "Denmark"},  // one "?" for a character beyond 16 bits
  };
  struct Case {
    const char* file;
    std::vector<Entry> expected;
  };
  const std::vector<Case> cases = {
      {"utf8_bom.csv", unicode},
      {"utf16le_bom.csv", unicode},
      {"utf16be_bom.csv", unicode},
      {"ansi.csv", {{"Tel\xE9 Danmark", 238, 1, "internet", "", "", "Denmark"}}},
      // Without a mark the UTF-8 bytes are taken as 8-bit text, one character per byte.
      {"utf8_no_bom.csv",
       {{"Tel\xC3\xA9 Danmark", 238, 1, "internet", "", "", "Denmark"},
        {"Beeline \xD0\x91\xD0\xB8\xD0\xBB\xD0\xB0\xD0\xB9\xD0\xBD", 250, 99, "internet.beeline.ru", "beeline",
         "beeline", "Russia"},
        {"Smile \xF0\x9F\x98\x80", 238, 2, "smile", "", "", "Denmark"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(LoadFixture(c.file), c.expected);
  }
}

TEST(ApnListFile, SplitsLinesAtEveryKindOfBreakAndStopsAtNul) {
  const std::vector<Entry> four = {{"One", 238, 1, "apn1", "", "", "Denmark"},
                                   {"Two", 238, 2, "apn2", "", "", "Denmark"},
                                   {"Three", 238, 3, "apn3", "", "", "Denmark"},
                                   {"Four", 238, 4, "apn4", "", "", "Denmark"}};
  EXPECT_EQ(LoadFixture("mixed_breaks.csv"), four);
  EXPECT_EQ(LoadFixture("cr_only.csv"), std::vector<Entry>(four.begin(), four.begin() + 3));
  const std::vector<Entry> before = {{"Before", 238, 1, "apn1", "", "", "Denmark"}};
  EXPECT_EQ(LoadFixture("nul_in_line.csv"), before);
  EXPECT_EQ(LoadFixture("utf16le_nul.csv"), before);
}

TEST(ApnListFile, LooksAtOnly1000CharactersAfterTheFirstSeparator) {
  const std::vector<Entry> entries = LoadFixture("long_lines.csv");
  ASSERT_EQ(entries.size(), 2u);  // the row whose fourth ";" lies beyond the cut is dropped
  const std::string columns_2_to_6 = "238;1;apn;user;pass;";
  EXPECT_EQ(entries[0], (Entry{"Long", 238, 1, "apn", "user", "pass", std::string(1000 - columns_2_to_6.size(), 'L')}));
  EXPECT_EQ(entries[1].name, "Short");
}

TEST(ApnListContent, DamagedUnicodeIsReplacedNotFatal) {
  const std::string kOddUtf16 = "\xFF\xFE" "A\0;\0" "1\0;\0" "2\0;\0" "a\0;\0;\0;\0" "D\0K\0" "X"s;
  struct Case {
    const char* name;
    std::string bytes;
    std::string expected_name;
  };
  const std::vector<Case> cases = {
      {"UTF-16 LE odd trailing byte", kOddUtf16, "A"},
      {"UTF-16 LE lone high surrogate", "\xFF\xFE" "\x00\xD8" "B\0;\0" "1\0;\0" "2\0;\0" "a\0;\0;\0;\0" "D\0"s, "?B"},
      {"UTF-16 BE lone low surrogate", "\xFE\xFF" "\xDC\x00" "\0C\0;\0" "1\0;\0" "2\0;\0" "a\0;\0;\0;\0D"s, "?C"},
      {"UTF-16 LE high surrogate at the very end", "\xFF\xFE" "E\0;\0" "1\0;\0" "2\0;\0" "a\0;\0;\0;\0" "\x3D\xD8"s, "E"},
      {"UTF-8 invalid bytes", "\xEF\xBB\xBF" "D\xFF\xC3;1;2;a;;;DK", "D??"},
      {"BOM only", "\xEF\xBB\xBF", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<Entry> entries = Load(c.bytes);
    if (c.expected_name.empty()) {
      EXPECT_TRUE(entries.empty());
    } else {
      ASSERT_EQ(entries.size(), 1u);
      EXPECT_EQ(entries[0].name, c.expected_name);
      EXPECT_EQ(entries[0].mcc, 1);
      EXPECT_EQ(entries[0].mnc, 2);
    }
  }
  // The odd byte after the last full unit becomes part of column 7.
  EXPECT_EQ(Load(kOddUtf16)[0].list_prefix, "DK?");
}

// UTF-16 bytes of `text` behind the byte-order mark of the chosen order.
std::string Utf16File(std::u16string_view text, bool big_endian) {
  std::string bytes = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += big_endian ? high : low;
    bytes += big_endian ? low : high;
  }
  return bytes;
}

// The file as the controller's construction reads it from the working folder.
std::vector<Entry> LoadThroughController(const std::string& content) {
  WizardFixture fixture(content);
  return Entries(fixture.core().Operators().catalogue);
}

TEST(ApnListMalformed, KeepsTheGoodRowsOfDamagedFiles) {
  constexpr std::size_t kMegabyte = 1 << 20;
  const std::string row_a = "A;1;2;a;;;DK";
  const std::string row_b = "B;1;3;b;;;DK";
  const Entry a = {"A", 1, 2, "a", "", "", "DK"};
  const Entry b = {"B", 1, 3, "b", "", "", "DK"};
  const auto named = [](Entry entry, std::string name) {
    entry.name = std::move(name);
    return entry;
  };
  const auto with_prefix = [](Entry entry, std::string list_prefix) {
    entry.list_prefix = std::move(list_prefix);
    return entry;
  };
  // What the 1000 characters after the first ";" leave of column 7 behind "1;2;a;;;".
  const std::string cut_prefix(1000 - 8, 'L');

  const std::vector<RowCase> cases = {
      {"only bad lines",
       "\r\n \t\r\nno separators\r\nfive;;;;;\r\nTDC MMS;238;1;mms;;;DK\r\nmy wap;238;1;wap;;;DK\n\r\r\n", {}},
      // A mark that is not whole is no mark: the bytes are 8-bit text and stay in the name.
      {"UTF-8 mark cut to one byte", "\xEF" + row_a, {named(a, "\xEF" "A")}},
      {"UTF-8 mark cut to two bytes", "\xEF\xBB" + row_a, {named(a, "\xEF\xBB" "A")}},
      {"UTF-16 LE mark cut to one byte", "\xFF" + row_a, {named(a, "\xFF" "A")}},
      {"UTF-16 BE mark cut to one byte", "\xFE" + row_a, {named(a, "\xFE" "A")}},
      {"UTF-16 LE mark alone", "\xFF\xFE", {}},
      {"UTF-16 BE mark alone", "\xFE\xFF", {}},
      {"UTF-16 LE mark and one byte", "\xFF\xFE" "A", {}},
      {"UTF-16 BE mark and three bytes", "\xFE\xFF" "\0A;"s, {}},
      {"UTF-16 BE odd byte after the last line", Utf16File(u"A;1;2;a;;;DK\r\n", true) + "X", {a}},
      {"UTF-16 LE lone high surrogate before a line break",
       Utf16File(u"A;1;2;a;;;DK\xD800\r\nB;1;3;b;;;DK", false), {with_prefix(a, "DK?"), b}},
      {"UTF-16 BE lone high surrogate before a separator", Utf16File(u"A\xDBFF;1;2;a;;;DK", true),
       {named(a, "A?")}},
      {"UTF-16 LE low surrogate before a high one", Utf16File(u"\xDC00\xD800" "A;1;2;a;;;DK", false),
       {named(a, "??A")}},
      {"UTF-16 BE lone low surrogate in a number", Utf16File(u"A;1\xDC01;2;a;;;DK", true),
       {{"A", 0, 2, "a", "", "", "DK"}}},
      // A NUL ends the text even inside a line: a line it cuts still loads when it keeps six
      // separators.
      {"8-bit NUL inside column 7", row_a + "\r\nB;1;3;b;;;D\0K\r\n"s + row_a, {a, with_prefix(b, "D")}},
      {"UTF-8 NUL inside column 4", "\xEF\xBB\xBF" + row_a + "\nB;1;3;b\0;;;DK\n"s + row_b, {a}},
      {"UTF-16 BE NUL inside column 7", Utf16File(u"A;1;2;a;;;DK\rB;1;3;b;;;D\0K\rC;1;4;c;;;DK"s, true),
       {a, with_prefix(b, "D")}},
      {"NUL first", "\0"s + row_a, {}},
      {"1 MB line without separators between rows", row_a + "\n" + std::string(kMegabyte, 'x') + "\n" + row_b,
       {a, b}},
      {"1 MB name", std::string(kMegabyte, 'N') + ";1;2;a;;;DK", {named(a, std::string(kMegabyte, 'N'))}},
      {"1 MB of blanks around a name",
       std::string(kMegabyte / 2, ' ') + "A" + std::string(kMegabyte / 2, '\t') + ";1;2;a;;;DK", {a}},
      {"1 MB column 7 cut to 1000 characters", "A;1;2;a;;;" + std::string(kMegabyte, 'L'),
       {with_prefix(a, cut_prefix)}},
      {"1 MB of separators", std::string(kMegabyte, ';'), {{"", 0, 0, "", "", "", std::string(995, ';')}}},
      {"1 MB UTF-16 row", Utf16File(u"A;1;2;a;;;" + std::u16string(kMegabyte, u'L'), false),
       {with_prefix(a, cut_prefix)}},
      {"1 MB of line breaks", std::string(kMegabyte, '\r') + std::string(kMegabyte, '\n') + row_a, {a}},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(LoadThroughController(row.content), row.expected);
  }
}

TEST(ApnListMalformed, FiftyThousandRowsAllLoadAndMerge) {
  // 20000 keys: each appears twice, the first 10000 a third time, with other names and
  // country codes; the line breaks take turns.
  constexpr int kRows = 50000;
  constexpr int kKeys = 20000;
  const auto key_columns = [](int key) {
    return Entry{"", 0, key % 1000, "apn" + std::to_string(key / 1000), key % 3 == 0 ? "u" : "",
                 key % 5 == 0 ? "p" : "", "C" + std::to_string(key % 7)};
  };
  std::string content;
  const char* const breaks[] = {"\r\n", "\n", "\r"};
  for (int row = 0; row < kRows; ++row) {
    const Entry key = key_columns(row % kKeys);
    content += "N" + std::to_string(row) + ";" + std::to_string(200 + row % 9) + ";" + std::to_string(key.mnc) + ";" +
               key.apn + ";" + key.user + ";" + key.password + ";" + key.list_prefix + breaks[row % 3];
  }

  std::vector<Entry> expected;
  for (int key = 0; key < kKeys; ++key) {
    Entry entry = key_columns(key);
    entry.name = "N" + std::to_string(key) + ",N" + std::to_string(key + kKeys);
    if (key + 2 * kKeys < kRows) entry.name += ",N" + std::to_string(key + 2 * kKeys);
    entry.mcc = 200 + key % 9;  // the first row's
    expected.push_back(entry);
  }
  EXPECT_EQ(LoadThroughController(content), expected);
}

TEST(ApnListFile, AFileJustAtTheLimitIsRead) {
  ScratchFolder folder;
  const std::string path = folder.Write("apnlist.csv", "TDC;238;1;internet;;;Denmark\n");
  std::filesystem::resize_file(path, kMaxWholeFileSize);  // the rest reads as NUL, which ends the text
  Catalogue list;
  LoadCatalogueFromFile(path, list);
  EXPECT_EQ(list.size(), 1u);
}

TEST(ApnListController, ConstructionLoadsTheCatalogue) {
  WizardFixture fixture("TDC;238;1;internet;;;Denmark\r\nTDC MMS;238;1;mms;;;Denmark\r\nTelia;238;20;web;;;Denmark\r\n");
  EXPECT_EQ(Entries(fixture.core().Operators().catalogue), (std::vector<Entry>{{"TDC", 238, 1, "internet", "", "", "Denmark"},
                                                                 {"Telia", 238, 20, "web", "", "", "Denmark"}}));
}

// The converted catalogue is built by the default target; a core-only build has no converter.
const std::string kConverter = std::string(RODIDUZ_BINARY_DIR) + "/tools/apnconv/rodiduz-apnconv";

bool ConverterBuilt() { return std::filesystem::exists(kConverter); }

std::vector<std::string> CatalogueLines(const std::string& content) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = content.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(content.substr(start, end - start));
  }
  EXPECT_EQ(start, content.size()) << "text after the last CR LF";
  return lines;
}

TEST(RealCatalogue, LoadsWithKnownRowsAndSaneCounts) {
  const std::string path = std::string(RODIDUZ_BINARY_DIR) + "/apnlist.csv";
  if (!ConverterBuilt() && !std::filesystem::exists(path)) GTEST_SKIP() << "no catalogue converter in this build";
  const std::string content = ReadFileForTest(path);
  const std::vector<std::string> lines = CatalogueLines(content);
  EXPECT_GE(lines.size(), 1500u);
  EXPECT_LE(lines.size(), 2200u);
  for (const std::string& line : lines) {
    ASSERT_GE(std::count(line.begin(), line.end(), ';'), 6) << line;
    ASSERT_EQ(line.find_first_of(std::string("\0\r\n", 3)), std::string::npos);
  }

  Catalogue list;
  std::size_t mirrored = 0;
  LoadCatalogueFromFile(path, list, [&](const AnsiString&) { ++mirrored; });
  // The converter writes no row the loader would drop as MMS/WAP.
  EXPECT_EQ(mirrored, lines.size());
  std::size_t names = 0;
  std::set<int> mccs;
  for (const auto& entry : list) {
    names += 1 + std::count(entry->Name.begin(), entry->Name.end(), ',');
    mccs.insert(entry->Mcc);
    EXPECT_NE(entry->Mcc, 0) << entry->Name;
    EXPECT_FALSE(entry->Apn.empty()) << entry->Name;
  }
  EXPECT_GE(names, lines.size());  // every row is an entry or a merged name
  EXPECT_GE(list.size(), 1200u);
  EXPECT_GE(mccs.size(), 130u);
  EXPECT_LE(mccs.size(), 200u);

  const std::vector<Entry> entries = Entries(list);
  auto has = [&](const Entry& wanted) { return std::find(entries.begin(), entries.end(), wanted) != entries.end(); };
  EXPECT_TRUE(has({"Lycamobile", 238, 12, "data.lycamobile.dk", "lmdk", "plus", "Denmark"}));
  EXPECT_TRUE(has({"BiBoB", 238, 2, "internet.bibob.dk", "", "", "Denmark"}));
  EXPECT_TRUE(has({"Vid\xE9otron (IHVM)", 302, 500, "ihvm.videotron", "", "", "Canada"}));
  EXPECT_TRUE(has({"MTN", 612, 5, "internet", "", "", "C\xF4te d'Ivoire"}));
  EXPECT_TRUE(has({"Operator 440-11", 440, 11, "rakuten.jp", "", "", "Japan"}));
}

TEST(Converter, WritesTheRulesRowsSortedInWindows1252) {
  if (!ConverterBuilt()) GTEST_SKIP() << "no catalogue converter in this build";
  ScratchFolder folder;
  const std::string out = folder.File("apnlist.csv");
  const std::string command = kConverter + " '" + TestDataPath("apn/providers_sample.xml") + "' '" + out + "' 2>" +
                              folder.File("warnings.txt") + " >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  // Sorted by country, then name, then codes. Labels tell a provider's access points apart,
  // but never with a spelling that would drop the row; the TDC portal is a WAP point and its MMS
  // point is left out; the CDMA-only provider has no rows; the repeated provider gives one row.
  const std::vector<std::string> expected = {
      "TDC (Internet);238;01;internet;;;Denmark",
      "TDC (Internet);238;10;internet;;;Denmark",
      "TDC (data.tdc);238;01;data.tdc;;;Denmark",
      "TDC (data.tdc);238;10;data.tdc;;;Denmark",
      "TDC (fast.tdc);238;01;fast.tdc;tdc;secret;Denmark",
      "TDC (fast.tdc);238;10;fast.tdc;tdc;secret;Denmark",
      "Operator 440-11;440;11;rakuten.jp;;;Japan",
      "Pixie;999;7;pixie;;;Neverland",
      "StarcommS;621;40;starcomms.net;;;Nigeria",
      "L\xF3" "dz Mobile;260;99;mms.lodz;;;Poland",
      "L\xF3" "dz Mobile (internet);260;99;internet;;;Poland",
      // The country table's name wins over the database's own.
      "Network, One;234;15;web.one;;;United Kingdom",
  };
  EXPECT_EQ(CatalogueLines(ReadFileForTest(out)), expected);
  const std::string warnings = ReadFileForTest(folder.File("warnings.txt"));
  EXPECT_NE(warnings.find("pass.one"), std::string::npos) << warnings;  // a password it cannot write exactly
  EXPECT_NE(warnings.find("4x"), std::string::npos) << warnings;        // a network code that is not a number

  // A second run writes the same bytes.
  const std::string first = ReadFileForTest(out);
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(ReadFileForTest(out), first);
}

TEST(Converter, FailsOnMalformedInputWithoutWritingTheCatalogue) {
  if (!ConverterBuilt()) GTEST_SKIP() << "no catalogue converter in this build";
  ScratchFolder folder;
  const std::string xml = folder.Write("broken.xml", "<serviceproviders><country code=\"dk\"><provider>");
  const std::string out = folder.File("apnlist.csv");
  const std::string command = kConverter + " '" + xml + "' '" + out + "' 2>/dev/null";
  EXPECT_NE(std::system(command.c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
