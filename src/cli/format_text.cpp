#include "cli/format_text.h"

std::string FormatText(const char* pattern, const std::vector<std::string>& values) {
  std::string text;
  std::size_t next = 0;
  for (const char* at = pattern; *at != '\0'; ++at) {
    const bool placeholder = at[0] == '%' && (at[1] == 's' || at[1] == 'd');
    if (placeholder && next < values.size()) {
      text += values[next++];
      ++at;
    } else {
      text += *at;
    }
  }
  return text;
}
