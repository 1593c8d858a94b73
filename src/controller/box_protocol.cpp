// The box protocol's report parsers and the pure pieces of its vocabulary.
#include "controller/box_protocol.h"

#include "common/translations.h"

namespace box_protocol {

std::optional<std::int32_t> ClassifySimWord(std::string_view message) {
  for (const SimWord& entry : kSimWords) {
    if (Contains(message, entry.word)) return entry.status;
  }
  return std::nullopt;
}

std::optional<AnsiString> DelimitedValue(std::string_view report, std::string_view key,
                                         std::string_view next_key) {
  // Signed arithmetic on purpose: an absent or earlier next key gives a negative length.
  const auto p = static_cast<std::int64_t>(Pos(key, report));
  const auto q = static_cast<std::int64_t>(Pos(next_key, report));
  const auto key_length = static_cast<std::int64_t>(key.size());
  const std::int64_t length = q - p - key_length - 1;
  if (length < 1) return std::nullopt;
  return Copy(report, p + key_length, length);
}

AnsiString FixedValue(std::string_view report, std::string_view key, std::size_t count) {
  const auto start = static_cast<std::int64_t>(Pos(key, report) + key.size());
  return Copy(report, start, static_cast<std::int64_t>(count));
}

AnsiString SettingsCommand(std::string_view apn, std::string_view user, std::string_view password,
                           std::string_view pin, bool full_form) {
  AnsiString command = "[GPRSSET APN:";
  command += apn;
  if (full_form) {
    command += " USER:";
    command += user;
    command += " PW:";
    command += password;
    command += " PIN:";
  } else {
    command += " USER: PW: PIN:";
  }
  command += pin;
  command += "]";
  return command;
}

NativeString PukPrefix(std::u16string_view puk_entry) {
  NativeString prefix = u"[SIMPUK PUK:";
  prefix += puk_entry.substr(0, kPukMaxCharacters);
  prefix += u"]\r\n\r\n";
  return prefix;
}

bool IsDigits(std::string_view text, std::size_t count) {
  return text.size() == count && text.find_first_not_of("0123456789") == std::string_view::npos;
}

namespace {

// The keys of the settings and PUK commands. A box that reads the first key word it finds
// would take whatever follows one inside a value as that key's value, space before or not.
constexpr std::array<std::string_view, 5> kKeyWords = {"APN:", "USER:", "PW:", "PIN:", "PUK:"};

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool ContainsIgnoringCase(std::string_view text, std::string_view word) {
  for (std::size_t start = 0; start + word.size() <= text.size(); ++start) {
    std::size_t i = 0;
    while (i < word.size() && AsciiUpper(text[start + i]) == word[i]) ++i;
    if (i == word.size()) return true;
  }
  return false;
}


}  // namespace

std::optional<UserText> UnsendablePart(std::string_view field) {
  // Translators: {text} is a character or key word the box reserves, such as [ or APN:; put
  // it in your language's quotation marks.
  const UserText quoted(N_("\"{text}\""));
  for (const char c : field) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32) return UserText(N_("a control character"));
    if (byte == 0x7F) return UserText(N_("the character DEL"));
    if (c == '[' || c == ']') return quoted.With("text", std::string(1, c));
  }
  for (std::string_view key : kKeyWords) {
    if (ContainsIgnoringCase(field, key)) return quoted.With("text", key);
  }
  return std::nullopt;
}

}  // namespace box_protocol

namespace {

using box_protocol::DelimitedValue;

void StoreNumber(std::string_view report, std::string_view key, std::string_view next_key,
                 std::int32_t& field) {
  if (auto value = DelimitedValue(report, key, next_key)) field = TextToInt(*value);
}

void StoreText(std::string_view report, std::string_view key, std::string_view next_key, AnsiString& field) {
  if (auto value = DelimitedValue(report, key, next_key)) field = std::move(*value);
}

}  // namespace

namespace box_protocol {

void ParseIdentityReport(std::string_view report, BoxReport& box) {
  box.id = FixedValue(report, "QR:", 8);
  box.hardware = FixedValue(report, "HW:", 4);
  box.software = FixedValue(report, "SW:", 4);
  box.mac = FixedValue(report, "MAC:", 12);
}

bool ParseNetworkReport(std::string_view report, BoxReport& box) {
  StoreNumber(report, "MCC:", "MNC:", box.mcc);
  StoreNumber(report, "MNC:", "RSSI:", box.mnc);
  StoreNumber(report, "RSSI:", "TA:", box.rssi);
  StoreNumber(report, "TA:", "CME:", box.ta);
  StoreNumber(report, "CME:", "SIM:", box.cme);
  const std::size_t sim = Pos("SIM:", report);
  if (sim == 0) return false;
  return TextToInt(Copy(report, static_cast<std::int64_t>(sim + 4), 5)) == 0;
}

void ParseSettingsReport(std::string_view report, BoxReport& box) {
  StoreText(report, "APN:", "USER:", box.apn);
  StoreText(report, "USER:", "PW:", box.user);
  StoreText(report, "PW:", "PIN:", box.password);
  StoreText(report, "PIN:", "IMEI:", box.pin);
}

}  // namespace box_protocol
