// IDEA (Lai and Massey, 1991): 64-bit block, 128-bit key, 8 rounds and an
// output transformation; shorter keys are zero padded to 16 bytes.
#include <cstring>

#include "package/crypto/Crypt.h"
#include "package/crypto/byteorder.h"

namespace {

constexpr std::size_t kKeyBytes = 16;
constexpr std::size_t kRounds = 8;
constexpr std::size_t kSubkeys = 6 * kRounds + 4;

// Multiplication modulo 2^16 + 1, where the word 0 stands for 2^16.
std::uint16_t Mul(std::uint16_t a, std::uint16_t b) {
  if (a == 0) return static_cast<std::uint16_t>(1 - b);
  if (b == 0) return static_cast<std::uint16_t>(1 - a);
  const std::uint32_t product = std::uint32_t{a} * b;
  const std::uint16_t low = static_cast<std::uint16_t>(product);
  const std::uint16_t high = static_cast<std::uint16_t>(product >> 16);
  return static_cast<std::uint16_t>(low - high + (low < high ? 1 : 0));
}

// The multiplicative inverse by Fermat: x^(2^16 - 1), since 2^16 + 1 is prime.
// 0 (2^16, that is -1) and 1 are their own inverses.
std::uint16_t MulInverse(std::uint16_t x) {
  std::uint16_t result = 1;
  for (int bit = 15; bit >= 0; --bit) {
    result = Mul(result, result);
    result = Mul(result, x);  // every bit of 2^16 - 1 is set
  }
  return result;
}

std::uint16_t AddInverse(std::uint16_t x) { return static_cast<std::uint16_t>(0 - x); }

using Subkeys = std::uint16_t[kSubkeys];

// The 52 subkeys: eight 16-bit words of the key, rotated left by 25 bits
// after every eight.
void EncryptionKeys(const std::uint8_t* key, Subkeys& z) {
  std::uint8_t k[kKeyBytes];
  std::memcpy(k, key, kKeyBytes);
  for (std::size_t i = 0; i < kSubkeys; ++i) {
    if (i && i % 8 == 0) {
      std::uint8_t rotated[kKeyBytes];
      // 25 bits: three whole bytes and one more bit.
      for (std::size_t b = 0; b < kKeyBytes; ++b) {
        rotated[b] =
            static_cast<std::uint8_t>(k[(b + 3) % kKeyBytes] << 1 | k[(b + 4) % kKeyBytes] >> 7);
      }
      std::memcpy(k, rotated, kKeyBytes);
      SecureZero(rotated, sizeof rotated);
    }
    z[i] = bigendian::Load<std::uint16_t>(k + 2 * (i % 8));
  }
  SecureZero(k, sizeof k);
}

// Decryption runs the same rounds with the inverse subkeys in reverse order;
// the two additive keys trade places in the rounds between the first and the
// last, where the encryption swaps the middle words.
void DecryptionKeys(const Subkeys& z, Subkeys& d) {
  for (std::size_t r = 0; r <= kRounds; ++r) {
    const std::size_t from = 6 * (kRounds - r);  // the transform round r undoes
    const bool swapped = r > 0 && r < kRounds;
    d[6 * r] = MulInverse(z[from]);
    d[6 * r + 1] = AddInverse(z[from + (swapped ? 2 : 1)]);
    d[6 * r + 2] = AddInverse(z[from + (swapped ? 1 : 2)]);
    d[6 * r + 3] = MulInverse(z[from + 3]);
    if (r < kRounds) {
      d[6 * r + 4] = z[from - 2];
      d[6 * r + 5] = z[from - 1];
    }
  }
}

void CryptBlock(const Subkeys& z, const void* inData, void* outData) {
  const auto* in = static_cast<const std::uint8_t*>(inData);
  auto* out = static_cast<std::uint8_t*>(outData);
  std::uint16_t x1 = bigendian::Load<std::uint16_t>(in);
  std::uint16_t x2 = bigendian::Load<std::uint16_t>(in + 2);
  std::uint16_t x3 = bigendian::Load<std::uint16_t>(in + 4);
  std::uint16_t x4 = bigendian::Load<std::uint16_t>(in + 6);
  const std::uint16_t* k = z;
  for (std::size_t r = 0; r < kRounds; ++r, k += 6) {
    const std::uint16_t a = Mul(x1, k[0]);
    const std::uint16_t b = static_cast<std::uint16_t>(x2 + k[1]);
    const std::uint16_t c = static_cast<std::uint16_t>(x3 + k[2]);
    const std::uint16_t d = Mul(x4, k[3]);
    const std::uint16_t e = Mul(a ^ c, k[4]);
    const std::uint16_t f = Mul(static_cast<std::uint16_t>((b ^ d) + e), k[5]);
    const std::uint16_t g = static_cast<std::uint16_t>(e + f);
    x1 = a ^ f;
    x2 = c ^ f;  // the middle words change places
    x3 = b ^ g;
    x4 = d ^ g;
  }
  // The output transformation undoes the last round's swap.
  bigendian::Store(Mul(x1, k[0]), out);
  bigendian::Store(static_cast<std::uint16_t>(x3 + k[1]), out + 2);
  bigendian::Store(static_cast<std::uint16_t>(x2 + k[2]), out + 4);
  bigendian::Store(Mul(x4, k[3]), out + 6);
}

}  // namespace

struct TCrypt_idea::Schedule {
  Subkeys encrypt;
  Subkeys decrypt;
};

TCrypt_idea::TCrypt_idea() : fKey(std::make_unique<Schedule>()) {}

TCrypt_idea::~TCrypt_idea() { BurnKey(); }

int TCrypt_idea::GetId() const { return 8; }

std::u16string TCrypt_idea::GetAlgorithm() const { return u"IDEA"; }

int TCrypt_idea::GetMaxKeySize() const { return static_cast<int>(kKeyBytes * 8); }

void TCrypt_idea::InitKey(const void* key, int size) {
  std::uint8_t padded[kKeyBytes] = {};
  std::memcpy(padded, key, static_cast<std::size_t>(size) / 8);
  EncryptionKeys(padded, fKey->encrypt);
  DecryptionKeys(fKey->encrypt, fKey->decrypt);
  SecureZero(padded, sizeof padded);
}

void TCrypt_idea::BurnKey() { SecureZero(fKey.get(), sizeof(Schedule)); }

void TCrypt_idea::EncryptECB(const void* inData, void* outData) {
  CheckInitialized();
  CryptBlock(fKey->encrypt, inData, outData);
}

void TCrypt_idea::DecryptECB(const void* inData, void* outData) {
  CheckInitialized();
  CryptBlock(fKey->decrypt, inData, outData);
}
