// What every hash class shares: the string feeds and the initialised check.
#include "package/crypto/Crypt.h"

void SecureZero(void* data, std::size_t size) {
  volatile auto* p = static_cast<volatile std::uint8_t*>(data);
  while (size--) *p++ = 0;
}

void TCrypt_hash::CheckInitialized() const {
  if (!fInitialized) throw ECrypt_hash(u"Hash not initialized");
}

void TCrypt_hash::UpdateStr(std::string_view text) { Update(text.data(), text.size()); }

void TCrypt_hash::UpdateStr(std::u16string_view text) {
  std::uint8_t pair[2];
  for (const char16_t unit : text) {
    pair[0] = static_cast<std::uint8_t>(unit & 0xFF);
    pair[1] = static_cast<std::uint8_t>(unit >> 8);
    Update(pair, 2);
  }
}
