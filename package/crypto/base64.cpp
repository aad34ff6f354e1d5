// Base64 with the RFC 4648 alphabet, in the lenient group-wise form that the
// cipher strings use: trailing characters short of a group are ignored and a
// pad mark does not end the text.
#include <algorithm>
#include <array>

#include "package/crypto/Crypt.h"
#include "support/Errors.h"

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint8_t kInvalid = 0xFF;
constexpr std::uint8_t kPad = 0xFE;

constexpr std::array<std::uint8_t, 256> MakeSextets() {
  std::array<std::uint8_t, 256> table{};
  table.fill(kInvalid);
  for (std::uint8_t i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = i;
  table['='] = kPad;
  return table;
}

constexpr std::array<std::uint8_t, 256> kSextets = MakeSextets();

[[noreturn]] void RaiseDamaged() { throw EConvertError(u"Invalid Base64 text"); }

// The value of one character; a pad mark only where padAllowed.
std::uint8_t Sextet(char c, bool padAllowed) {
  const std::uint8_t value = kSextets[static_cast<unsigned char>(c)];
  if (value == kInvalid || (value == kPad && !padAllowed)) RaiseDamaged();
  return value;
}

}  // namespace

std::string Base64Decode(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size() / 4 * 3);
  for (std::size_t i = 0; i + 4 <= text.size(); i += 4) {
    const unsigned p = Sextet(text[i], false);
    const unsigned q = Sextet(text[i + 1], false);
    const unsigned r = Sextet(text[i + 2], true);
    const unsigned s = Sextet(text[i + 3], true);
    bytes.push_back(static_cast<char>((p << 2 | q >> 4) & 0xFF));
    if (r == kPad) continue;
    bytes.push_back(static_cast<char>((q << 4 | r >> 2) & 0xFF));
    if (s == kPad) continue;
    bytes.push_back(static_cast<char>((r << 6 | s) & 0xFF));
  }
  return bytes;
}

std::string Base64Encode(std::string_view bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t group = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      group = group << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    }
    for (std::size_t k = 0; k < 4; ++k) {
      text.push_back(k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=');
    }
  }
  return text;
}
