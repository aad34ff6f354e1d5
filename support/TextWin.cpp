// The platform's regional settings: the ANSI code page and the user's decimal
// separator.
#include <windows.h>

#include "support/Support.h"

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

}  // namespace

std::u16string AnsiToUtf16(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  std::u16string out(static_cast<std::size_t>(units), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, reinterpret_cast<wchar_t*>(out.data()), units);
  return out;
}

std::string Utf16ToAnsi(std::u16string_view text) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int units = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, units, out.data(), size, nullptr, nullptr);
  return out;
}

char16_t DecimalSeparator() { return gDecimalSeparator; }
