// Choosing the character encoding of a fetched body and decoding it.
#include "support/Support.h"

namespace {

bool InRange(unsigned char byte, unsigned char low, unsigned char high) {
  return byte >= low && byte <= high;
}

// Length of the UTF-8 unit that starts at bytes[i], or 0 when it is not one.
// Encoded surrogates (ED A0 to ED BF) are accepted.
std::size_t UnitLength(std::string_view bytes, std::size_t i) {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char lead = at(i);
  std::size_t trail;
  unsigned char low = 0x80, high = 0xBF;
  if (lead <= 0x7F) {
    return 1;
  } else if (InRange(lead, 0xC2, 0xDF)) {
    trail = 1;
  } else if (InRange(lead, 0xE0, 0xEF)) {
    trail = 2;
    if (lead == 0xE0) low = 0xA0;
  } else if (InRange(lead, 0xF0, 0xF4)) {
    trail = 3;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (bytes.size() - i <= trail) return 0;
  if (!InRange(at(i + 1), low, high)) return 0;
  for (std::size_t k = 2; k <= trail; ++k) {
    if (!InRange(at(i + k), 0x80, 0xBF)) return 0;
  }
  return trail + 1;
}

bool HasHighByte(std::string_view bytes) {
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

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

bool IsUtf8Text(std::string_view bytes) {
  if (!HasHighByte(bytes)) return false;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t length = UnitLength(bytes, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::u16string DecodeUrlBody(std::string_view body) {
  if (body.starts_with("\xEF\xBB\xBF")) return PlatformUtf8ToUtf16(body.substr(3));
  if (body.starts_with("\xFF\xFE")) return Utf16BytesToText(body.substr(2), false);
  if (body.starts_with("\xFE\xFF")) return Utf16BytesToText(body.substr(2), true);
  // Only the bytes before the first zero take part in the test, but the
  // whole body is decoded.
  if (IsUtf8Text(body.substr(0, body.find('\0')))) return PlatformUtf8ToUtf16(body);
  return AnsiToUtf16(body);
}

#ifndef _WIN32
std::u16string PlatformUtf8ToUtf16(std::string_view text) { return Utf8ToUtf16(text); }
#endif
