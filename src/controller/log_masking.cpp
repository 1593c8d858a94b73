// Secrets out of the log lines of the box traffic.
#include "controller/log_masking.h"

#include <array>

namespace {

constexpr std::array<std::string_view, 2> kTrafficPrefixes = {"[Tx]  ", "[Rx]  "};
constexpr std::array<std::string_view, 3> kSecretKeys = {"PIN:", "PUK:", "PW:"};
// Every key of the settings and PUK commands and of the box's settings report.
constexpr std::array<std::string_view, 6> kKeys = {"APN:", "USER:", "PW:", "PIN:", "PUK:", "IMEI:"};

bool IsTrafficLine(std::string_view line) {
  for (std::string_view prefix : kTrafficPrefixes) {
    if (line.starts_with(prefix)) return true;
  }
  return false;
}

// A key starts a field only at the start of a frame or after a space; "APN:x.PW:y" is one value.
bool KeyAt(std::string_view line, std::size_t at, std::string_view key) {
  return line.substr(at).starts_with(key) && at > 0 && (line[at - 1] == ' ' || line[at - 1] == '[');
}

bool AnyKeyAt(std::string_view line, std::size_t at) {
  for (std::string_view key : kKeys) {
    if (KeyAt(line, at, key)) return true;
  }
  return false;
}

// Where the value starting at `from` ends: at a space before the next key, or at "]".
std::size_t ValueEnd(std::string_view line, std::size_t from) {
  std::size_t end = from;
  while (end < line.size() && line[end] != ']' && !AnyKeyAt(line, end)) ++end;
  return end;
}

}  // namespace

AnsiString MaskSecretsInLogLine(std::string_view line) {
  AnsiString masked(line);
  if (!IsTrafficLine(line)) return masked;
  for (std::size_t at = 0; at < masked.size(); ++at) {
    for (std::string_view key : kSecretKeys) {
      if (!KeyAt(line, at, key)) continue;
      const std::size_t from = at + key.size();
      const std::size_t end = ValueEnd(line, from);
      for (std::size_t i = from; i < end; ++i) {
        if (masked[i] != ' ') masked[i] = '*';
      }
      at = end - 1;
      break;
    }
  }
  return masked;
}
