// The report parsers and the protocol's pure helpers, table-driven from box traffic.
#include <gtest/gtest.h>

#include <optional>

#include "controller/box_protocol.h"
#include "support/wizard_fixture.h"

namespace {

namespace bp = box_protocol;

TEST(SimWords, FirstContainedWordDecidesInTestingOrder) {
  struct Row {
    const char* name;
    const char* message;
    std::optional<std::int32_t> status;
  };
  const Row rows[] = {
      {"ready", "SIM READY", 0},
      {"puk", "SIM PUK", 5},
      {"pin not needed beats pin", "SIM PIN NOT NEEDED", 2},
      {"pin wrong beats pin", "SIM PIN WRONG", 4},
      {"pin", "SIM PIN", 1},
      {"no sim", "NO SIM", 3},
      {"ready beats a later no sim", "NO SIM SIM READY", 0},
      {"puk beats pin", "SIM PIN SIM PUK", 5},
      {"inside a longer message", "STATUS:SIM PIN,RETRY", 1},
      {"case-sensitive", "sim ready", std::nullopt},
      {"network report's SIM key is no word", "MCC:262 MNC:1 SIM:1", std::nullopt},
      {"empty", "", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(bp::ClassifySimWord(row.message), row.status);
  }
}

TEST(DelimitedValue, FollowsThePositionArithmetic) {
  struct Row {
    const char* name;
    const char* report;
    const char* key;
    const char* next;
    std::optional<AnsiString> value;
  };
  const Row rows[] = {
      {"one separator", "A:12 B:3", "A:", "B:", "12"},
      {"separator of any kind", "A:12,B:3", "A:", "B:", "12"},
      {"two separators keep the first", "A:12, B:3", "A:", "B:", "12,"},
      {"empty value", "A: B:3", "A:", "B:", std::nullopt},
      {"key directly before next", "A:B:3", "A:", "B:", std::nullopt},
      {"next absent", "A:12", "A:", "B:", std::nullopt},
      {"next before key", "B:3 A:12", "A:", "B:", std::nullopt},
      // p = 0: the value runs from position len(K) up to two before N.
      {"key absent", "xyz123 B:3", "A:", "B:", "yz123"},
      {"first occurrence of the next key", "A:xyB:z B:3", "A:", "B:", "x"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(bp::DelimitedValue(row.report, row.key, row.next), row.value);
  }
}

TEST(FixedValue, TakesCountCharactersAfterTheKey) {
  EXPECT_EQ(bp::FixedValue("QR:12345678 HW:0142", "QR:", 8), "12345678");
  EXPECT_EQ(bp::FixedValue("QR:123", "QR:", 8), "123");
  EXPECT_EQ(bp::FixedValue("QR:", "QR:", 8), "");
  // Absent key: position 0 plus the key's length.
  EXPECT_EQ(bp::FixedValue("abcdefghij", "HW:", 4), "cdef");
  EXPECT_EQ(bp::FixedValue("abcdefghij", "MAC:", 12), "defghij");
}

TEST(NetworkReport, FillsNumbersAndSimStatus) {
  struct Row {
    const char* name;
    const char* report;
    std::int32_t mcc, mnc, rssi, ta, cme;
    std::int32_t sim_status;  // starting from 1
  };
  const Row rows[] = {
      {"space separated, SIM 1 at the end", "MCC:262 MNC:1 RSSI:-71 TA:5 CME:0 SIM:1", 262, 1, -71, 5, 0, 1},
      {"comma and space: every value ends in a comma", "MCC:262, MNC:1, RSSI:-71, TA:5, CME:0, SIM:1", 0, 0,
       0, 0, 0, 1},
      {"negative signal", "MCC:234 MNC:15 RSSI:-101 TA:0 CME:3 SIM:1", 234, 15, -101, 0, 3, 1},
      {"SIM 0 at the end", "MCC:262 MNC:1 RSSI:-71 TA:5 CME:0 SIM:0", 262, 1, -71, 5, 0, 3},
      {"SIM 1 followed by text within five characters", "MCC:262 MNC:1 RSSI:-71 TA:5 CME:0 SIM:1 OK", 262, 1,
       -71, 5, 0, 3},
      {"SIM value of five digits", "MCC:262 MNC:1 RSSI:-71 TA:5 CME:0 SIM:12345", 262, 1, -71, 5, 0, 1},
      {"SIM key with nothing after it", "MCC:262 MNC:1 RSSI:-71 TA:5 CME:0 SIM:", 262, 1, -71, 5, 0, 3},
      {"hexadecimal value", "MCC:$106 MNC:1 RSSI:-71 TA:5 CME:0 SIM:1", 262, 1, -71, 5, 0, 1},
      // No "SIM:" at all: nothing is known about the SIM, and CME has no end either.
      {"no SIM key", "MCC:262 MNC:1 RSSI:-71 TA:5 CME:0", 262, 1, -71, 5, -7, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    BoxReport box;
    box.cme = -7;
    // The SIM's status before the report is 1; only "SIM:" with 0 makes it 3 (no SIM).
    const std::int32_t sim_status = bp::ParseNetworkReport(row.report, box) ? 3 : 1;
    EXPECT_EQ(box.mcc, row.mcc);
    EXPECT_EQ(box.mnc, row.mnc);
    EXPECT_EQ(box.rssi, row.rssi);
    EXPECT_EQ(box.ta, row.ta);
    EXPECT_EQ(box.cme, row.cme);
    EXPECT_EQ(sim_status, row.sim_status);
  }
}

TEST(NetworkReport, EmptyValuesKeepTheOldNumbers) {
  BoxReport box;
  box.mcc = 262;
  box.mnc = 2;
  bp::ParseNetworkReport("MCC: MNC: RSSI:-80 TA:1 CME:0 SIM:1", box);
  EXPECT_EQ(box.mcc, 262);
  EXPECT_EQ(box.mnc, 2);
  EXPECT_EQ(box.rssi, -80);
}

TEST(SettingsReport, StoresTextsAsReceived) {
  struct Row {
    const char* name;
    const char* report;
    const char* apn;
    const char* user;
    const char* password;
    const char* pin;
  };
  const Row rows[] = {
      {"all values", "APN:internet USER:me PW:secret PIN:1234 IMEI:356938035643809", "internet", "me",
       "secret", "1234"},
      {"empty user name keeps the old one", "APN:internet USER: PW:secret PIN:1234 IMEI:1", "internet",
       "old-user", "secret", "1234"},
      {"spaces are kept", "APN: web  USER:a b PW:x PIN:  12 IMEI:1", " web ", "a b", "x", "  12"},
      {"value holding a later key is cut there", "APN:myUSER:x USER:u PW:p PIN:1 IMEI:1", "m", "x USER:u",
       "p", "1"},
      {"no IMEI: the PIN keeps its value", "APN:a USER:b PW:c PIN:9999", "a", "b", "c", "old-pin"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    BoxReport box;
    box.user = "old-user";
    box.pin = "old-pin";
    bp::ParseSettingsReport(row.report, box);
    EXPECT_EQ(box.apn, row.apn);
    EXPECT_EQ(box.user, row.user);
    EXPECT_EQ(box.password, row.password);
    EXPECT_EQ(box.pin, row.pin);
  }
}

TEST(IdentityReport, WritesEveryFieldOnEveryCall) {
  struct Row {
    const char* name;
    const char* report;
    const char* id;
    const char* hw;
    const char* sw;
    const char* mac;
  };
  const Row rows[] = {
      {"all keys", "QR:AB12CD34 HW:0142 SW:0107 MAC:0011223344AA", "AB12CD34", "0142", "0107",
       "0011223344AA"},
      {"any order", "MAC:0011223344AA SW:0107 HW:0142 QR:AB12CD34", "AB12CD34", "0142", "0107",
       "0011223344AA"},
      {"ends three characters after QR", "HW:0142 QR:ABC", "ABC", "0142", ":014", "0142 QR:ABC"},
      {"no HW: the 3rd to 6th characters", "QR:AB12CD34 SW:0107 MAC:0011223344AA", "AB12CD34", ":AB1", "0107",
       "0011223344AA"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    BoxReport box;
    box.software = "keep";
    bp::ParseIdentityReport(row.report, box);
    EXPECT_EQ(box.id, row.id);
    EXPECT_EQ(box.hardware, row.hw);
    EXPECT_EQ(box.software, row.sw);
    EXPECT_EQ(box.mac, row.mac);
  }
}

TEST(SettingsCommand, FullAndShortForms) {
  EXPECT_EQ(bp::SettingsCommand("web", "me", "pw", "1234", true), "[GPRSSET APN:web USER:me PW:pw PIN:1234]");
  EXPECT_EQ(bp::SettingsCommand("web", "me", "pw", "1234", false), "[GPRSSET APN:web USER: PW: PIN:1234]");
  EXPECT_EQ(bp::SettingsCommand("", "", "", "    ", true), "[GPRSSET APN: USER: PW: PIN:    ]");
}

TEST(PukPrefix, CountsNativeCharacters) {
  EXPECT_EQ(bp::PukPrefix(u""), u"[SIMPUK PUK:]\r\n\r\n");
  EXPECT_EQ(bp::PukPrefix(u"12345678901234"), u"[SIMPUK PUK:123456789012]\r\n\r\n");
  EXPECT_EQ(bp::PukPrefix(u"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"),
            u"[SIMPUK PUK:\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9]\r\n\r\n");
}

TEST(UnsendablePart, NamesWhatWouldChangeTheCommand) {
  struct Row {
    const char* field;
    std::optional<std::string> part;
  };
  const Row rows[] = {
      {"web\r\n", "a control character"},
      {"a\tb", "a control character"},
      {"web\x7F", "the character DEL"},
      {"web]", "\"]\""},
      {"[GPRSTEST", "\"[\""},
      {"web USER:evil", "\"USER:\""},
      {"p pw:x", "\"PW:\""},
      {"p PIN:0000", "\"PIN:\""},
      {"web Apn:other", "\"APN:\""},
      {"1PUK:2", "\"PUK:\""},
      // A key word needs no space before it to be read as one.
      {"USER:at the start", "\"USER:\""},
      {"web.user:", "\"USER:\""},
      {"PW:evil", "\"PW:\""},
      {"USER PW PIN APN PUK", std::nullopt},
      {" web ~\xE9\x80", std::nullopt},
      {"", std::nullopt},
  };
  const auto english = [](std::string_view field) -> std::optional<std::string> {
    const std::optional<UserText> part = bp::UnsendablePart(field);
    if (!part) return std::nullopt;
    return part->English();
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.field);
    EXPECT_EQ(english(row.field), row.part);
  }
  // A NUL inside a field counts too.
  EXPECT_EQ(english(std::string_view("a\0b", 3)), "a control character");
}

}  // namespace
