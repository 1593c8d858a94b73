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

// One run of text without surrogate pairs.
void AppendConverted(std::u16string_view text, AnsiString& out) {
  if (text.empty()) return;
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = CheckedLength(text.size());
  // Without best fit a character the code page lacks becomes the default "?" instead of a
  // look-alike: a fullwidth quote or slash must not turn into a real one.
  const int needed = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) {
    out.append(text.size(), '?');
    return;
  }
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(needed));
  const int done = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, out.data() + start, needed,
                                         nullptr, nullptr);
  out.resize(start + (done > 0 ? static_cast<std::size_t>(done) : 0));
}

bool IsPair(std::u16string_view text, std::size_t i) {
  return text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
         text[i + 1] <= 0xDFFF;
}

}  // namespace

AnsiString NativeToAnsi(std::u16string_view text) {
  AnsiString out;
  out.reserve(text.size());
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!IsPair(text, i)) continue;
    AppendConverted(text.substr(run, i - run), out);
    // One character outside the basic plane is one character: one "?", as on every system
    // (the converter may give one per half).
    out.push_back('?');
    run = ++i + 1;
  }
  AppendConverted(text.substr(run), out);
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
