// The system's ANSI code page (CP_ACP) on Windows.
#include "common/ansi_codepage_win32.h"

#include <climits>
#include <stdexcept>

namespace {

int CheckedLength(std::size_t size) {
  if (size > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long for the code page conversion");
  return static_cast<int>(size);
}

// One run of text without surrogates.
void AppendConverted(std::u16string_view text, UINT codepage, AnsiString& out) {
  if (text.empty()) return;
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = CheckedLength(text.size());
  const DWORD flags = ConversionFlagsFor(codepage);
  const int needed = ::WideCharToMultiByte(codepage, flags, wide, length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) {
    out.append(text.size(), '?');
    return;
  }
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(needed));
  const int done =
      ::WideCharToMultiByte(codepage, flags, wide, length, out.data() + start, needed, nullptr, nullptr);
  out.resize(start + (done > 0 ? static_cast<std::size_t>(done) : 0));
}

bool IsSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

bool IsPair(std::u16string_view text, std::size_t i) {
  return text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
         text[i + 1] <= 0xDFFF;
}

}  // namespace

DWORD ConversionFlagsFor(UINT codepage) {
  switch (codepage) {
    case 42:
    case 50220:
    case 50221:
    case 50222:
    case 50225:
    case 50227:
    case 50229:
    case 52936:
    case 54936:
    case 65000:
    case CP_UTF8:
      return 0;
    default:
      if (codepage >= 57002 && codepage <= 57011) return 0;
      // Without best fit a character the code page lacks becomes the default "?" instead of a
      // look-alike: a fullwidth quote or slash must not turn into a real one.
      return WC_NO_BEST_FIT_CHARS;
  }
}

AnsiString NativeToCodePage(std::u16string_view text, UINT codepage) {
  AnsiString out;
  out.reserve(text.size());
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!IsSurrogate(text[i])) continue;
    AppendConverted(text.substr(run, i - run), codepage, out);
    // One character outside the basic plane is one character: one "?", as on every system
    // (a converter may give one per half, UTF-8 would spell it out). A lone half is one too,
    // where UTF-8 would give U+FFFD's three bytes.
    out.push_back('?');
    if (IsPair(text, i)) ++i;
    run = i + 1;
  }
  AppendConverted(text.substr(run), codepage, out);
  return out;
}

// MultiByteToWideChar takes no flags here: 0 is what every code page accepts (UTF-8 and GB18030
// refuse MB_PRECOMPOSED), and without MB_ERR_INVALID_CHARS a byte that is no character becomes
// U+FFFD rather than failing the whole text.
NativeString CodePageToNative(std::string_view text, UINT codepage) {
  if (text.empty()) return NativeString();
  const int length = CheckedLength(text.size());
  const int needed = ::MultiByteToWideChar(codepage, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return NativeString(text.size(), u'\uFFFD');
  std::wstring out(static_cast<std::size_t>(needed), L'\0');
  const int done = ::MultiByteToWideChar(codepage, 0, text.data(), length, out.data(), needed);
  out.resize(done > 0 ? static_cast<std::size_t>(done) : 0);
  return NativeString(out.begin(), out.end());
}

AnsiString NativeToAnsi(std::u16string_view text) { return NativeToCodePage(text, ::GetACP()); }

NativeString AnsiToNative(std::string_view text) { return CodePageToNative(text, ::GetACP()); }
