// The native build's stand-ins for the platform's text conversions and
// regional settings: Windows-1252 as the ANSI code page, the library's own
// UTF-8 converter and "." as the decimal separator.
#include "support/Text.h"

namespace {

// 0x80 to 0x9F of Windows-1252. The five bytes that the code page leaves
// undefined map to the C1 control of the same value, as Windows maps them.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t FromCp1252(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : char16_t(byte);
}

char ToCp1252(char16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] == unit) return static_cast<char>(0x80 + i);
  }
  return '?';
}

}  // namespace

std::u16string AnsiToUtf16(std::string_view text) {
  std::u16string out(text.size(), u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    out[i] = FromCp1252(static_cast<unsigned char>(text[i]));
  }
  return out;
}

std::string Utf16ToAnsi(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    // A surrogate pair is one character that the code page lacks.
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      ++i;
    }
    out.push_back(ToCp1252(unit));
  }
  return out;
}

std::u16string PlatformUtf8ToUtf16(std::string_view text) { return Utf8ToUtf16(text); }

char16_t DecimalSeparator() { return u'.'; }
