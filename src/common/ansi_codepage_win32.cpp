// The system's ANSI code page (CP_ACP) on Windows.
#include "common/text.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace {

int CheckedLength(std::size_t size) {
  if (size > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long for the code page conversion");
  return static_cast<int>(size);
}

}  // namespace

AnsiString NativeToAnsi(std::u16string_view text) {
  if (text.empty()) return AnsiString();
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = CheckedLength(text.size());
  // Without best fit a character the code page lacks becomes the default "?" instead of a
  // look-alike: a fullwidth quote or slash must not turn into a real one.
  const int needed = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return AnsiString(text.size(), '?');
  AnsiString out(static_cast<std::size_t>(needed), '\0');
  const int done =
      ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, out.data(), needed, nullptr, nullptr);
  out.resize(done > 0 ? static_cast<std::size_t>(done) : 0);
  return out;
}

NativeString AnsiToNative(std::string_view text) {
  if (text.empty()) return NativeString();
  const int length = CheckedLength(text.size());
  const int needed = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return NativeString(text.size(), u'\uFFFD');
  std::wstring out(static_cast<std::size_t>(needed), L'\0');
  const int done = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, out.data(), needed);
  out.resize(done > 0 ? static_cast<std::size_t>(done) : 0);
  return NativeString(out.begin(), out.end());
}
