// Text conversions: decimal numbers, ASCII case, UTF-8, the ANSI code page
// and the user's decimal separator.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Decimal form of a signed integer.
std::u16string IntToStr(std::int64_t value);

// A letter a to z upper-cased, any other character unchanged: drive letters,
// path tokens and keywords are compared without the locale's rules.
inline char16_t AsciiUpperCase(char16_t c) { return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c; }
// Equal but for the case of the letters a to z.
bool SameTextAscii(std::u16string_view a, std::u16string_view b);
bool StartsWithAscii(std::u16string_view text, std::u16string_view prefix);

// UTF-8 to and from UTF-16; invalid input becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// True when some byte is 0x80 or above and the bytes split wholly into UTF-8
// units; encoded surrogates (ED A0 80 to ED BF BF) pass. Pure ASCII fails.
bool IsUtf8Text(std::string_view bytes);

// The system's ANSI code page: the platform's own conversion on Windows (flags
// 0), Windows-1252 in the native build, where a character that the code page
// lacks becomes "?".
std::u16string AnsiToUtf16(std::string_view text);
std::string Utf16ToAnsi(std::u16string_view text);

// UTF-8 to UTF-16 by the platform's own converter (MultiByteToWideChar with
// flags 0 on Windows), which substitutes invalid input in its own way;
// Utf8ToUtf16 in the native build.
std::u16string PlatformUtf8ToUtf16(std::string_view text);

// The decimal separator of the user's regional settings, read once at
// start-up; "." in the native build.
char16_t DecimalSeparator();
