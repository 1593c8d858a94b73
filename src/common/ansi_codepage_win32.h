// The Windows conversions between UTF-16 and an 8-bit code page, with the code page as a
// parameter so each code page's rules can be checked whatever the system's own is.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string_view>

#include "common/text.h"

// The flags WideCharToMultiByte accepts for `codepage`: no best fit wherever the code page
// allows flags. UTF-8, UTF-7, GB18030, HZ, ISO-2022, ISCII and Symbol refuse every flag but
// WC_ERR_INVALID_CHARS with ERROR_INVALID_FLAGS; UTF-8 and GB18030 hold every character, so
// nothing is lost there without the flag.
DWORD ConversionFlagsFor(UINT codepage);

// NativeToAnsi and AnsiToNative for a given code page. A character the code page cannot hold
// becomes "?"; every surrogate (a pair or a lone half) is one "?" whatever the code page.
AnsiString NativeToCodePage(std::u16string_view text, UINT codepage);
NativeString CodePageToNative(std::string_view text, UINT codepage);
