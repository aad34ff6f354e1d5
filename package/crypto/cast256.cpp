// CAST-256 (RFC 2612): 128-bit block, 48 rounds in 12 quad-rounds; the key is
// zero padded to 32 bytes, as the standard pads its shorter keys.
#include <cstring>

#include "package/crypto/Crypt.h"
#include "package/crypto/byteorder.h"
#include "package/crypto/cast_sboxes.h"

namespace {

constexpr std::size_t kKeyBytes = 32;
constexpr std::size_t kQuadRounds = 12;

constexpr std::uint64_t IntegerSqrt(std::uint64_t n) {
  std::uint64_t root = 0;
  for (std::uint64_t bit = std::uint64_t{1} << 62; bit; bit >>= 2) {
    if (n >= root + bit) {
      n -= root + bit;
      root = (root >> 1) + bit;
    } else {
      root >>= 1;
    }
  }
  return root;
}

// The key schedule's masking and rotation constants start at 2^30 sqrt(2)
// and 19 and step by 2^30 sqrt(3) and 17.
constexpr auto kMaskStart = static_cast<std::uint32_t>(IntegerSqrt(std::uint64_t{2} << 60));
constexpr auto kMaskStep = static_cast<std::uint32_t>(IntegerSqrt(std::uint64_t{3} << 60));
constexpr unsigned kRotateStart = 19;
constexpr unsigned kRotateStep = 17;
static_assert(kMaskStart == 0x5A827999 && kMaskStep == 0x6ED9EBA1);

// Step j of a forward octave (8 words A to H) or quad-round (4 words A to D):
// G ^= f1(H), F ^= f2(G), ... for the octave, C ^= f1(D), B ^= f2(C), ... for
// the quad-round.
template <std::size_t N>
void Step(std::uint32_t (&w)[N], std::size_t j, std::uint32_t km, unsigned kr) {
  const std::size_t target = (2 * N - 2 - j) % N;
  w[target] ^= cast::F(j, w[(target + 1) % N], km, kr);
}

struct Keys {
  std::uint32_t km[kQuadRounds][4];
  std::uint8_t kr[kQuadRounds][4];

  void Expand(const std::uint8_t* key) {
    std::uint32_t kappa[8];
    for (std::size_t i = 0; i < 8; ++i) kappa[i] = bigendian::Load<std::uint32_t>(key + 4 * i);
    std::uint32_t tm = kMaskStart;
    unsigned tr = kRotateStart;
    for (std::size_t i = 0; i < kQuadRounds; ++i) {
      for (int octave = 0; octave < 2; ++octave) {
        for (std::size_t j = 0; j < 8; ++j) {
          Step(kappa, j, tm, tr);
          tm += kMaskStep;
          tr = (tr + kRotateStep) % 32;
        }
      }
      for (std::size_t j = 0; j < 4; ++j) {
        kr[i][j] = static_cast<std::uint8_t>(kappa[2 * j] & 31);  // A, C, E, G
        km[i][j] = kappa[7 - 2 * j];                              // H, F, D, B
      }
    }
    SecureZero(kappa, sizeof kappa);
  }

  // Six forward quad-rounds, then six reversed ones; decryption runs the same
  // with the quad-round keys in reverse order.
  void CryptBlock(const void* inData, void* outData, bool inverse) const {
    const auto* in = static_cast<const std::uint8_t*>(inData);
    auto* out = static_cast<std::uint8_t*>(outData);
    std::uint32_t beta[4];
    for (std::size_t i = 0; i < 4; ++i) beta[i] = bigendian::Load<std::uint32_t>(in + 4 * i);
    for (std::size_t n = 0; n < kQuadRounds; ++n) {
      const std::size_t i = inverse ? kQuadRounds - 1 - n : n;
      for (std::size_t s = 0; s < 4; ++s) {
        const std::size_t j = n < kQuadRounds / 2 ? s : 3 - s;
        Step(beta, j, km[i][j], kr[i][j]);
      }
    }
    for (std::size_t i = 0; i < 4; ++i) bigendian::Store(beta[i], out + 4 * i);
  }
};

}  // namespace

struct TCrypt_cast256::Schedule : Keys {};

TCrypt_cast256::TCrypt_cast256() : fKey(std::make_unique<Schedule>()) {}

TCrypt_cast256::~TCrypt_cast256() { BurnKey(); }

int TCrypt_cast256::GetId() const { return 2; }

std::u16string TCrypt_cast256::GetAlgorithm() const { return u"CAST-256"; }

int TCrypt_cast256::GetMaxKeySize() const { return static_cast<int>(kKeyBytes * 8); }

void TCrypt_cast256::InitKey(const void* key, int size) {
  std::uint8_t padded[kKeyBytes] = {};
  std::memcpy(padded, key, static_cast<std::size_t>(size) / 8);
  fKey->Expand(padded);
  SecureZero(padded, sizeof padded);
}

void TCrypt_cast256::BurnKey() { SecureZero(fKey.get(), sizeof(Schedule)); }

void TCrypt_cast256::EncryptECB(const void* inData, void* outData) {
  CheckInitialized();
  fKey->CryptBlock(inData, outData, false);
}

void TCrypt_cast256::DecryptECB(const void* inData, void* outData) {
  CheckInitialized();
  fKey->CryptBlock(inData, outData, true);
}
