// Text helpers shared by every layer: integer conversion, trimming, 1-based search, code pages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Protocol, catalogue and log texts are 8-bit texts in the system's ANSI code page.
using AnsiString = std::string;
// Texts shown in the windows are the toolkit's native strings (UTF-16, as on Windows and in Qt).
using NativeString = std::u16string;

// Converts a whole text to a signed 32-bit integer: leading spaces, one optional sign, then
// decimal digits, or hexadecimal digits after "$", "x", "X", "0x" or "0X". Anything else
// (an empty text, a trailing space, a value out of range) gives 0.
std::int32_t TextToInt(std::string_view text);

// Removes every character with a code from 0 to 32 from both ends.
AnsiString Trim(std::string_view text);
// The same cut as Trim, as a view into `text` (no copy).
std::string_view TrimmedView(std::string_view text);

// Position of the first occurrence of `key` in `text`, counted from 1; 0 when absent.
std::size_t Pos(std::string_view key, std::string_view text);

// Characters from the 1-based position `start`, at most `count`; fewer when the text ends
// sooner, empty when `start` lies beyond the end. A start below 1 counts as 1.
AnsiString Copy(std::string_view text, std::int64_t start, std::int64_t count);

bool Contains(std::string_view text, std::string_view key);

// The system's ANSI code page (one backend per OS). A character the code page cannot hold
// becomes its replacement character "?".
AnsiString NativeToAnsi(std::u16string_view text);
NativeString AnsiToNative(std::string_view text);

// Decoding of Unicode files; invalid sequences become U+FFFD.
NativeString Utf8ToNative(std::string_view text);
std::string NativeToUtf8(std::u16string_view text);
