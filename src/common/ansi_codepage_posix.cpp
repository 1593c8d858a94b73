// The "ANSI code page" on POSIX systems: Windows-1252, the code page of the product's users,
// with its tables taken once from glibc's iconv.
#include "common/text.h"

#include <iconv.h>

#include <array>
#include <cerrno>

namespace {

struct CodePageTables {
  std::array<char16_t, 256> to_native{};
  std::array<unsigned char, 0x10000> to_ansi{};  // 0 means "no form in the code page"
};

// Windows maps the five bytes that Windows-1252 leaves undefined to the C1 controls of the
// same value; iconv refuses them, so they keep their value here as they do there.
char16_t DecodeByte(iconv_t cd, unsigned char byte) {
  char in = static_cast<char>(byte);
  char16_t out = 0;
  char* in_ptr = &in;
  std::size_t in_left = 1;
  char* out_ptr = reinterpret_cast<char*>(&out);
  std::size_t out_left = sizeof out;
  if (cd == reinterpret_cast<iconv_t>(-1) ||
      iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1) ||
      out_left != 0) {
    return static_cast<char16_t>(byte);
  }
  return out;
}

CodePageTables BuildTables() {
  CodePageTables tables;
  iconv_t cd = iconv_open("UTF-16LE", "WINDOWS-1252");
  for (unsigned byte = 0; byte < 256; ++byte) {
    const char16_t code = DecodeByte(cd, static_cast<unsigned char>(byte));
    tables.to_native[byte] = code;
    if (byte != 0) tables.to_ansi[code] = static_cast<unsigned char>(byte);
  }
  if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  return tables;
}

const CodePageTables& Tables() {
  static const CodePageTables tables = BuildTables();
  return tables;
}

}  // namespace

AnsiString NativeToAnsi(std::u16string_view text) {
  const auto& tables = Tables();
  AnsiString out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t code = text[i];
    if (code == 0) {
      out.push_back('\0');
      continue;
    }
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      ++i;  // one character outside the basic plane gives one replacement character
      out.push_back('?');
      continue;
    }
    const unsigned char byte = tables.to_ansi[code];
    out.push_back(byte == 0 ? '?' : static_cast<char>(byte));
  }
  return out;
}

NativeString AnsiToNative(std::string_view text) {
  const auto& tables = Tables();
  NativeString out;
  out.reserve(text.size());
  for (char c : text) out.push_back(tables.to_native[static_cast<unsigned char>(c)]);
  return out;
}
