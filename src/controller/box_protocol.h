// The box protocol's vocabulary: command texts, recognised words, and the pure helpers the
// report parsers and the settings submission are built from.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/text.h"
#include "common/user_text.h"

// What the box reported of itself: its current GPRS settings, the network it sees and its
// identity. Nothing clears it while the program runs.
struct BoxReport {
  AnsiString apn;
  AnsiString user;
  AnsiString password;
  AnsiString pin;
  std::int32_t mcc = 0;
  std::int32_t mnc = 0;
  std::int32_t rssi = 0;
  std::int32_t cme = 0;
  std::int32_t ta = 0;
  AnsiString id;
  AnsiString hardware;
  AnsiString software;
  AnsiString mac;
};

namespace box_protocol {

// Commands handed to SendDut (the channel adds the line terminator).
inline constexpr std::string_view kUnlock = "[UNLOCK]";
inline constexpr std::string_view kPlmnGet = "[PLMNGET]";
inline constexpr std::string_view kGprsGet = "[GPRSGET]";
inline constexpr std::string_view kQrGet = "[QRGET]";
inline constexpr std::string_view kGprsTest = "[GPRSTEST]";

// Words looked for in messages (case-sensitive substrings).
inline constexpr std::string_view kCommReady = "COMM READY";
inline constexpr std::string_view kUnlocked = "UNLOCKED";
inline constexpr std::string_view kOk = "OK";
inline constexpr std::string_view kGprsTestOk = "GPRSTEST OK";
inline constexpr std::string_view kGprsTestFail = "GPRSTEST FAIL";
inline constexpr std::string_view kNetworkReportKey = "MCC:";
inline constexpr std::string_view kIdentityReportKey = "QR:";
inline constexpr std::string_view kSettingsReportKey = "APN:";

// The identity report "QR:... HW:... SW:... MAC:...".
void ParseIdentityReport(std::string_view report, BoxReport& box);
// The network report "MCC:... MNC:... RSSI:... TA:... CME:... SIM:..."; true when it says the
// box has no SIM card ("SIM:" with 0). A report without "SIM:" says nothing of the SIM.
bool ParseNetworkReport(std::string_view report, BoxReport& box);
// The settings report "APN:... USER:... PW:... PIN:... IMEI:...".
void ParseSettingsReport(std::string_view report, BoxReport& box);

struct SimWord {
  std::string_view word;
  std::int32_t status;
};

// In testing order: the longer "SIM PIN ..." words must be tried before "SIM PIN".
inline constexpr std::array<SimWord, 6> kSimWords = {{
    {"SIM READY", 0},
    {"SIM PUK", 5},
    {"SIM PIN NOT NEEDED", 2},
    {"SIM PIN WRONG", 4},
    {"SIM PIN", 1},
    {"NO SIM", 3},
}};

// The SimStatus of the first SIM word the message contains; nothing when it holds none.
std::optional<std::int32_t> ClassifySimWord(std::string_view message);

// The value between `key` and `next_key` with the report's arithmetic: it starts right after
// the first `key` and ends two characters before the first `next_key` (one separator
// between). Absent keys count as position 0. Nothing when the length comes out below 1.
std::optional<AnsiString> DelimitedValue(std::string_view report, std::string_view key,
                                         std::string_view next_key);

// `count` characters right after the first `key` (an absent key counts as position 0);
// fewer when the report ends sooner.
AnsiString FixedValue(std::string_view report, std::string_view key, std::size_t count);

// The GPRS settings command. The short form keeps the three keys but leaves the user name
// and password empty, whatever is passed for them.
AnsiString SettingsCommand(std::string_view apn, std::string_view user, std::string_view password,
                           std::string_view pin, bool full_form);

// The PUK prefix in native text: the limit counts native characters, and the prefix is
// converted to 8-bit text as a whole.
inline constexpr std::size_t kPukMaxCharacters = 12;
NativeString PukPrefix(std::u16string_view puk_entry);

// SIM codes. A PUK is always 8 digits. A PIN may have 4 to 8, but the PIN field holds four, so
// a PIN the SIM asks for must fill it.
inline constexpr std::size_t kPukDigits = 8;
inline constexpr std::size_t kPinFieldDigits = 4;
// Whether `text` is exactly `count` decimal digits.
bool IsDigits(std::string_view text, std::size_t count);

// The longest command the send path takes (its 100-byte buffer also holds "\n\r" and a zero).
inline constexpr std::size_t kMaxCommandLength = 97;

// The first piece of a field that would change the frame or the fields of a settings
// command, described for the user: a character below 32 or DEL (a CR or LF splits the command
// on the wire), "[" or "]" (they end or open a command), or one of the command's key words
// anywhere (the box would take what follows as the value of that key; matched in any case,
// since nothing says the box tells them apart). Nothing when the field can be sent as it is.
std::optional<UserText> UnsendablePart(std::string_view field);

}  // namespace box_protocol
