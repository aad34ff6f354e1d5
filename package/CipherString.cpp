// Cipher strings: a plain header of salt and selectors, the vector for a block
// cipher, then the enciphered UTF-16LE text in Base64.
#include <algorithm>
#include <random>
#include <vector>

#include "package/Package.h"
#include "support/Errors.h"
#include "support/Text.h"

namespace {

constexpr std::size_t kSaltUnits = 8;
constexpr std::size_t kHeaderUnits = 10;
constexpr std::size_t kCipherCode = 3;  // code(4) - code(9)
constexpr std::size_t kHashCode = 4;    // code(5) - code(10)
constexpr int kLastCipher = 8;
constexpr int kLastHash = 4;
constexpr char16_t kFirstPrintable = 0x20;
constexpr char16_t kLastPrintable = 0x7E;

// Bytes that must not outlive the call.
class TSecret {
 public:
  explicit TSecret(std::size_t size) : fBytes(size) {}
  TSecret(const TSecret&) = delete;
  TSecret& operator=(const TSecret&) = delete;
  ~TSecret() { SecureZero(fBytes.data(), fBytes.size()); }
  std::uint8_t* data() { return fBytes.data(); }

 private:
  std::vector<std::uint8_t> fBytes;
};

// The selector that a salt character and the header character five units
// after it encode.
int SelectorAt(std::u16string_view text, std::size_t saltPosition) {
  return static_cast<int>(text[saltPosition]) - static_cast<int>(text[saltPosition + 5]);
}

// 0 for the stream cipher.
std::size_t BlockBytes(const TCrypt_cipher& cipher) {
  const auto* block = dynamic_cast<const TCrypt_blockcipher*>(&cipher);
  return block ? static_cast<std::size_t>(block->GetBlockSize() / 8) : 0;
}

// Keys the cipher with the digest of salt and pass phrase and, for a block
// cipher, the vector from the first block of vectorField; false when those
// characters do not convert to exactly one block of bytes.
bool KeyCipher(TCrypt_cipher& cipher, int hashSelector, std::u16string_view salt,
               std::u16string_view passPhrase, std::u16string_view vectorField) {
  const std::unique_ptr<TCrypt_hash> hash = CreateHash(hashSelector);
  TSecret digest(static_cast<std::size_t>(hash->GetHashSize() / 8));
  hash->Init();
  hash->UpdateStr(salt);
  hash->UpdateStr(passPhrase);
  hash->Final(digest.data());
  const int keyBits = std::min(cipher.GetMaxKeySize(), hash->GetHashSize());
  const std::size_t blockBytes = BlockBytes(cipher);
  if (blockBytes == 0) {
    cipher.Init(digest.data(), keyBits, nullptr);
    return true;
  }
  std::string vector = Utf16ToAnsi(vectorField.substr(0, blockBytes));
  const bool fits = vector.size() == blockBytes;
  if (fits) cipher.Init(digest.data(), keyBits, vector.data());
  SecureZero(vector.data(), vector.size());
  return fits;
}

bool Printable(char16_t unit) { return unit >= kFirstPrintable && unit <= kLastPrintable; }

void RequirePrintable(std::u16string_view text, std::size_t length, const std::u16string& what) {
  if (text.size() != length || !std::all_of(text.begin(), text.end(), Printable)) {
    throw EConvertError(what + u" must be " + IntToStr(static_cast<std::int64_t>(length)) +
                        u" characters from U+0020 to U+007E");
  }
}

// The header character that, subtracted from the salt's, gives the selector.
char16_t SelectorCode(char16_t saltUnit, int selector, int last, const std::u16string& what) {
  if (selector < 0 || selector > last) {
    throw EConvertError(u"The " + what + u" selector must be from 0 to " + IntToStr(last) +
                        u", not " + IntToStr(selector));
  }
  const char16_t code = static_cast<char16_t>(saltUnit - selector);
  if (!Printable(code)) {
    throw EConvertError(u"The salt's character \"" + std::u16string(1, saltUnit) +
                        u"\" is too low to carry " + what + u" selector " + IntToStr(selector));
  }
  return code;
}

std::u16string RandomText(std::size_t length, char16_t lowest) {
  std::random_device source;
  std::uniform_int_distribution<int> pick(lowest, kLastPrintable);
  std::u16string text(length, u' ');
  for (char16_t& unit : text) unit = static_cast<char16_t>(pick(source));
  return text;
}

}  // namespace

std::unique_ptr<TCrypt_hash> CreateHash(int selector) {
  switch (selector) {
    case 0:
      return std::make_unique<TCrypt_haval>();
    case 1:
      return std::make_unique<TCrypt_md5>();
    case 2:
      return std::make_unique<TCrypt_sha1>();
    case 3:
      return std::make_unique<TCrypt_sha256>();
    case 4:
      return std::make_unique<TCrypt_sha512>();
  }
  RaiseListError(selector);
}

std::unique_ptr<TCrypt_cipher> CreateCipher(int selector) {
  switch (selector) {
    case 0:
      return std::make_unique<TCrypt_blowfish>();
    case 1:
      return std::make_unique<TCrypt_cast128>();
    case 2:
      return std::make_unique<TCrypt_cast256>();
    case 3:
      return std::make_unique<TCrypt_des>();
    case 4:
      return std::make_unique<TCrypt_3des>();
    case 5:
      return std::make_unique<TCrypt_rijndael>();
    case 6:
      return std::make_unique<TCrypt_rc4>();
    case 7:
      return std::make_unique<TCrypt_twofish>();
    case 8:
      return std::make_unique<TCrypt_idea>();
  }
  RaiseListError(selector);
}

std::u16string DecryptCipherString(std::u16string_view text, std::u16string_view passPhrase) {
  if (text.size() < kHeaderUnits + 1) return {};
  const int hashSelector = SelectorAt(text, kHashCode);
  const int cipherSelector = SelectorAt(text, kCipherCode);
  if (hashSelector < 0 || hashSelector > kLastHash) return {};
  if (cipherSelector < 0 || cipherSelector > kLastCipher) return {};
  try {
    const std::unique_ptr<TCrypt_cipher> cipher = CreateCipher(cipherSelector);
    if (!KeyCipher(*cipher, hashSelector, text.substr(0, kSaltUnits), passPhrase,
                   text.substr(kHeaderUnits))) {
      return {};
    }
    const std::size_t bodyStart = std::min(text.size(), kHeaderUnits + BlockBytes(*cipher));
    std::u16string plain = cipher->DecryptString(text.substr(bodyStart));
    cipher->Burn();
    return plain;
  } catch (...) {
    return {};
  }
}

std::u16string EncryptCipherString(std::u16string_view plainText, std::u16string_view passPhrase,
                                   int cipherSelector, int hashSelector, std::u16string_view salt,
                                   std::u16string_view initVector) {
  RequirePrintable(salt, kSaltUnits, u"The salt");
  std::u16string text(salt);
  text += SelectorCode(salt[kCipherCode], cipherSelector, kLastCipher, u"cipher");
  text += SelectorCode(salt[kHashCode], hashSelector, kLastHash, u"hash");
  const std::unique_ptr<TCrypt_cipher> cipher = CreateCipher(cipherSelector);
  const std::size_t blockBytes = BlockBytes(*cipher);
  if (blockBytes != 0) {
    RequirePrintable(initVector, blockBytes, u"The vector");
    text += initVector;
  }
  KeyCipher(*cipher, hashSelector, salt, passPhrase, initVector);
  text += cipher->EncryptString(plainText);
  cipher->Burn();
  return text;
}

std::size_t InitVectorLength(int cipherSelector) {
  return BlockBytes(*CreateCipher(cipherSelector));
}

std::u16string RandomPrintable(std::size_t length) { return RandomText(length, kFirstPrintable); }

std::u16string RandomSalt() {
  std::u16string salt = RandomPrintable(kSaltUnits);
  const std::u16string selectorRoom = RandomText(2, kFirstPrintable + kLastCipher);
  salt[kCipherCode] = selectorRoom[0];
  salt[kHashCode] = selectorRoom[1];
  return salt;
}
