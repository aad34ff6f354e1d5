// The platform's text conversions and regional settings: the ANSI code page,
// its UTF-8 converter and the user's decimal separator.
#include <limits>

#include "support/Text.h"
#include "support/Win32.h"

namespace {

char16_t ReadDecimalSeparator() {
  wchar_t buffer[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) > 1) {
    return static_cast<char16_t>(buffer[0]);
  }
  return u'.';
}

// Read once, when the program starts.
const char16_t gDecimalSeparator = ReadDecimalSeparator();

// Bytes in a code page to UTF-16 by the platform, flags 0.
std::u16string ToUtf16(UINT codePage, std::string_view text) {
  const int size = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  std::u16string out(static_cast<std::size_t>(units), u'\0');
  MultiByteToWideChar(codePage, 0, text.data(), size, win::Wide(out.data()), units);
  return out;
}

}  // namespace

std::u16string AnsiToUtf16(std::string_view text) {
  if (text.empty()) return {};
  return ToUtf16(CP_ACP, text);
}

std::string Utf16ToAnsi(std::u16string_view text) {
  if (text.empty()) return {};
  const wchar_t* wide = win::Wide(text.data());
  const int units = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, units, out.data(), size, nullptr, nullptr);
  return out;
}

std::u16string PlatformUtf8ToUtf16(std::string_view text) {
  // The platform call takes an int count; a larger text goes to the library's
  // own converter.
  if (text.empty() || text.size() > std::numeric_limits<int>::max()) return Utf8ToUtf16(text);
  return ToUtf16(CP_UTF8, text);
}

char16_t DecimalSeparator() { return gDecimalSeparator; }
