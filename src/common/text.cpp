// Portable text helpers: integer conversion, trimming, search and the Unicode transforms.
#include "common/text.h"

#include <limits>

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Digits of `text` in `base`, all of them; false on an empty text, a stray character or a
// magnitude beyond what a signed 32-bit value can hold with the given sign.
bool ParseMagnitude(std::string_view text, int base, bool negative, std::int64_t& value) {
  if (text.empty()) return false;
  const std::int64_t limit = negative ? std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1
                                      : std::numeric_limits<std::int32_t>::max();
  value = 0;
  for (char c : text) {
    const int digit = HexDigitValue(c);
    if (digit < 0 || digit >= base) return false;
    value = value * base + digit;
    if (value > limit) return false;
  }
  return true;
}

}  // namespace

std::int32_t TextToInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  std::string_view digits = text.substr(i);
  int base = 10;
  if (digits.starts_with("0x") || digits.starts_with("0X")) {
    base = 16;
    digits.remove_prefix(2);
  } else if (!digits.empty() && (digits[0] == '$' || digits[0] == 'x' || digits[0] == 'X')) {
    base = 16;
    digits.remove_prefix(1);
  }
  std::int64_t magnitude = 0;
  if (!ParseMagnitude(digits, base, negative, magnitude)) return 0;
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::string_view TrimmedView(std::string_view text) {
  auto is_blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

AnsiString Trim(std::string_view text) { return AnsiString(TrimmedView(text)); }

std::size_t Pos(std::string_view key, std::string_view text) {
  if (key.empty()) return 0;
  const std::size_t found = text.find(key);
  return found == std::string_view::npos ? 0 : found + 1;
}

AnsiString Copy(std::string_view text, std::int64_t start, std::int64_t count) {
  if (start < 1) start = 1;
  if (count <= 0 || start > static_cast<std::int64_t>(text.size())) return {};
  return AnsiString(text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count)));
}

bool Contains(std::string_view text, std::string_view key) {
  return text.find(key) != std::string_view::npos;
}

NativeString Utf8ToNative(std::string_view text) {
  NativeString out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::uint32_t code = 0xFFFD;
    std::size_t length = 1;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
      code = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
      length = 0;  // a stray continuation byte or an invalid lead byte
    }
    bool valid = length > 0 && i + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) valid = false;
      code = (code << 6) | (next & 0x3F);
    }
    if (length > 1 && valid && (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))) {
      valid = false;
    }
    if (length > 1 && !valid) code = 0xFFFD;
    if (length == 0 || !valid) length = 1;
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
    i += length;
  }
  return out;
}

std::string NativeToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t code = text[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;  // a lone surrogate
    }
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (code >> 6)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (code >> 12)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (code >> 18)));
      out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return out;
}
