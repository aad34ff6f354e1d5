// Blowfish (Schneier, "Description of a New Variable-Length Key, 64-Bit Block
// Cipher", 1993): 16 rounds, P-array and S-boxes filled from the hexadecimal
// digits of pi and then keyed.
#include <cstring>
#include <utility>

#include "package/crypto/Crypt.h"
#include "package/crypto/byteorder.h"
#include "package/crypto/pi_digits.h"

namespace {

constexpr std::size_t kRounds = 16;
constexpr std::size_t kPWords = kRounds + 2;
constexpr std::size_t kMaxKeyBytes = 56;

// The keyed P-array and S-boxes.
struct Keys {
  std::uint32_t p[kPWords];
  std::uint32_t s[4][256];

  std::uint32_t F(std::uint32_t x) const {
    return ((s[0][x >> 24] + s[1][(x >> 16) & 0xFF]) ^ s[2][(x >> 8) & 0xFF]) + s[3][x & 0xFF];
  }

  // The 16 rounds, with the P-array read forwards to encrypt, backwards to
  // decrypt.
  void Crypt(std::uint32_t& l, std::uint32_t& r, bool inverse) const {
    const auto key = [&](std::size_t i) { return p[inverse ? kPWords - 1 - i : i]; };
    for (std::size_t i = 0; i < kRounds; i += 2) {
      l ^= key(i);
      r ^= F(l);
      r ^= key(i + 1);
      l ^= F(r);
    }
    l ^= key(kRounds);
    r ^= key(kRounds + 1);
    std::swap(l, r);
  }

  void CryptBlock(const void* inData, void* outData, bool inverse) const {
    const auto* in = static_cast<const std::uint8_t*>(inData);
    auto* out = static_cast<std::uint8_t*>(outData);
    std::uint32_t l = bigendian::Load<std::uint32_t>(in);
    std::uint32_t r = bigendian::Load<std::uint32_t>(in + 4);
    Crypt(l, r, inverse);
    bigendian::Store(l, out);
    bigendian::Store(r, out + 4);
  }

  // The variable-length key schedule; an empty key (a 4-bit size) leaves the
  // P-array unmixed, as a key of one zero byte would.
  void Expand(const std::uint8_t* key, std::size_t length) {
    // P-array, then the four S-boxes, in the order the digits fill them.
    const auto pi = pi_digits::FractionWords(kPWords + 4 * 256);
    std::memcpy(p, pi.data(), sizeof p);
    std::memcpy(s, pi.data() + kPWords, sizeof s);
    for (std::size_t i = 0, j = 0; length && i < kPWords; ++i) {
      std::uint32_t word = 0;
      for (int b = 0; b < 4; ++b, j = (j + 1) % length) word = word << 8 | key[j];
      p[i] ^= word;
    }
    std::uint32_t l = 0, r = 0;
    const auto refill = [&](std::uint32_t* words, std::size_t count) {
      for (std::size_t i = 0; i < count; i += 2) {
        Crypt(l, r, false);
        words[i] = l;
        words[i + 1] = r;
      }
    };
    refill(p, kPWords);
    for (auto& box : s) refill(box, 256);
  }
};

}  // namespace

struct TCrypt_blowfish::Schedule : Keys {};

TCrypt_blowfish::TCrypt_blowfish() : fKey(std::make_unique<Schedule>()) {}

TCrypt_blowfish::~TCrypt_blowfish() { BurnKey(); }

int TCrypt_blowfish::GetId() const { return 0; }

std::u16string TCrypt_blowfish::GetAlgorithm() const { return u"Blowfish"; }

int TCrypt_blowfish::GetMaxKeySize() const { return static_cast<int>(kMaxKeyBytes * 8); }

void TCrypt_blowfish::InitKey(const void* key, int size) {
  fKey->Expand(static_cast<const std::uint8_t*>(key), static_cast<std::size_t>(size) / 8);
}

void TCrypt_blowfish::BurnKey() { SecureZero(fKey.get(), sizeof(Schedule)); }

void TCrypt_blowfish::EncryptECB(const void* inData, void* outData) {
  CheckInitialized();
  fKey->CryptBlock(inData, outData, false);
}

void TCrypt_blowfish::DecryptECB(const void* inData, void* outData) {
  CheckInitialized();
  fKey->CryptBlock(inData, outData, true);
}
