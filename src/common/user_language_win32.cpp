// The user's languages on Windows: the preferred UI languages of the user's settings.
#include "common/user_language.h"

#include <windows.h>

#include "common/text.h"

namespace {

// A double-NUL-terminated list of names ("de-DE\0en-US\0\0").
std::vector<std::string> SplitNulList(const std::vector<wchar_t>& list) {
  std::vector<std::string> names;
  const wchar_t* at = list.data();
  while (at < list.data() + list.size() && *at != L'\0') {
    const std::wstring_view name(at);
    names.push_back(NativeToUtf8(std::u16string(name.begin(), name.end())));
    at += name.size() + 1;
  }
  return names;
}

}  // namespace

std::vector<std::string> SystemPreferredLanguages() {
  ULONG count = 0;
  ULONG length = 0;
  if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &length) || length == 0) return {};
  std::vector<wchar_t> list(length, L'\0');
  if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, list.data(), &length)) return {};
  return SplitNulList(list);
}
