// Choosing the character encoding of a fetched body and decoding it.
#include "support/WebText.h"

#include "support/Text.h"

namespace {

// UTF-16 code units from pairs of bytes; an odd last byte is dropped.
std::u16string Utf16BytesToText(std::string_view bytes, bool bigEndian) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    text[i] = static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
  }
  return text;
}

}  // namespace

std::u16string DecodeUrlBody(std::string_view body) {
  if (body.starts_with("\xEF\xBB\xBF")) return PlatformUtf8ToUtf16(body.substr(3));
  if (body.starts_with("\xFF\xFE")) return Utf16BytesToText(body.substr(2), false);
  if (body.starts_with("\xFE\xFF")) return Utf16BytesToText(body.substr(2), true);
  // Only the bytes before the first zero take part in the test, but the
  // whole body is decoded.
  if (IsUtf8Text(body.substr(0, body.find('\0')))) return PlatformUtf8ToUtf16(body);
  return AnsiToUtf16(body);
}
