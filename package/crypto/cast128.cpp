// CAST-128 (RFC 2144) with a 16-byte key and 16 rounds whatever the key size:
// shorter keys are zero padded, and the 12-round variant of the short keys is
// not used.
#include <cstring>

#include "package/crypto/Crypt.h"
#include "package/crypto/byteorder.h"
#include "package/crypto/cast_sboxes.h"

namespace {

constexpr int kRounds = 16;
constexpr std::size_t kKeyBytes = 16;

// The key schedule works on 32 bytes: x (the key) at 0 to 15, z at 16 to 31.
// One word step writes the word at 'out':
//   in ^ S5[a] ^ S6[b] ^ S7[c] ^ S8[d] ^ S(5 + (i + 2) % 4)[e]
// for the i-th step of a group of four.
struct Step {
  std::uint8_t out, in, a, b, c, d, e;
};
// One subkey: S5[a] ^ S6[b] ^ S7[c] ^ S8[d] ^ S(5 + i)[e] for the i-th of four.
struct Draw {
  std::uint8_t a, b, c, d, e;
};

// z0z1z2z3 = x0x1x2x3 ^ S5[xD] ^ S6[xF] ^ S7[xC] ^ S8[xE] ^ S7[x8] and so on.
constexpr Step kXToZ[4] = {{16, 0, 13, 15, 12, 14, 8},
                           {20, 8, 16, 18, 17, 19, 10},
                           {24, 12, 23, 22, 21, 20, 9},
                           {28, 4, 26, 25, 27, 24, 11}};
constexpr Step kZToX[4] = {{0, 24, 21, 23, 20, 22, 16},
                           {4, 16, 0, 2, 1, 3, 18},
                           {8, 20, 7, 6, 5, 4, 17},
                           {12, 28, 10, 9, 11, 8, 19}};

// Four word steps, then four subkeys drawn from the half just written.
struct Phase {
  const Step* steps;
  Draw draws[4];
};

constexpr Phase kPhases[4] = {
    {kXToZ,
     {{24, 25, 23, 22, 18}, {26, 27, 21, 20, 22}, {28, 29, 19, 18, 25}, {30, 31, 17, 16, 28}}},
    {kZToX, {{3, 2, 12, 13, 8}, {1, 0, 14, 15, 13}, {7, 6, 8, 9, 3}, {5, 4, 10, 11, 7}}},
    {kXToZ,
     {{19, 18, 28, 29, 25}, {17, 16, 30, 31, 28}, {23, 22, 24, 25, 18}, {21, 20, 26, 27, 22}}},
    {kZToX, {{8, 9, 7, 6, 3}, {10, 11, 5, 4, 7}, {12, 13, 3, 2, 8}, {14, 15, 1, 0, 13}}},
};

std::uint32_t Mix(const std::uint8_t* t, std::uint8_t a, std::uint8_t b, std::uint8_t c,
                  std::uint8_t d, int extraBox, std::uint8_t e) {
  const auto& s = cast::kSBox;
  return s[4][t[a]] ^ s[5][t[b]] ^ s[6][t[c]] ^ s[7][t[d]] ^ s[extraBox][t[e]];
}

struct Keys {
  std::uint32_t km[kRounds];
  std::uint8_t kr[kRounds];

  // K1 to K16 mask the rounds, the low five bits of K17 to K32 rotate.
  void Expand(const std::uint8_t* key) {
    std::uint8_t t[32] = {};
    std::memcpy(t, key, kKeyBytes);
    std::uint32_t k[2 * kRounds];
    std::size_t next = 0;
    for (int pass = 0; pass < 2; ++pass) {
      for (const Phase& phase : kPhases) {
        for (int i = 0; i < 4; ++i) {
          const Step& w = phase.steps[i];
          const std::uint32_t word = bigendian::Load<std::uint32_t>(t + w.in) ^
                                     Mix(t, w.a, w.b, w.c, w.d, 4 + (i + 2) % 4, w.e);
          bigendian::Store(word, t + w.out);
        }
        for (int i = 0; i < 4; ++i) {
          const Draw& d = phase.draws[i];
          k[next++] = Mix(t, d.a, d.b, d.c, d.d, 4 + i, d.e);
        }
      }
    }
    for (int i = 0; i < kRounds; ++i) {
      km[i] = k[i];
      kr[i] = static_cast<std::uint8_t>(k[kRounds + i] & 31);
    }
    SecureZero(t, sizeof t);
    SecureZero(k, sizeof k);
  }

  // The rounds in order to encrypt, in reverse order to decrypt.
  void CryptBlock(const void* inData, void* outData, bool inverse) const {
    const auto* in = static_cast<const std::uint8_t*>(inData);
    auto* out = static_cast<std::uint8_t*>(outData);
    std::uint32_t l = bigendian::Load<std::uint32_t>(in);
    std::uint32_t r = bigendian::Load<std::uint32_t>(in + 4);
    for (int n = 0; n < kRounds; ++n) {
      const int i = inverse ? kRounds - 1 - n : n;
      const std::uint32_t next = l ^ cast::F(i, r, km[i], kr[i]);  // f1, f2, f3 in turn
      l = r;
      r = next;
    }
    bigendian::Store(r, out);
    bigendian::Store(l, out + 4);
  }
};

}  // namespace

struct TCrypt_cast128::Schedule : Keys {};

TCrypt_cast128::TCrypt_cast128() : fKey(std::make_unique<Schedule>()) {}

TCrypt_cast128::~TCrypt_cast128() { BurnKey(); }

int TCrypt_cast128::GetId() const { return 1; }

std::u16string TCrypt_cast128::GetAlgorithm() const { return u"CAST-128"; }

int TCrypt_cast128::GetMaxKeySize() const { return static_cast<int>(kKeyBytes * 8); }

void TCrypt_cast128::InitKey(const void* key, int size) {
  std::uint8_t padded[kKeyBytes] = {};
  std::memcpy(padded, key, static_cast<std::size_t>(size) / 8);
  fKey->Expand(padded);
  SecureZero(padded, sizeof padded);
}

void TCrypt_cast128::BurnKey() { SecureZero(fKey.get(), sizeof(Schedule)); }

void TCrypt_cast128::EncryptECB(const void* inData, void* outData) {
  CheckInitialized();
  fKey->CryptBlock(inData, outData, false);
}

void TCrypt_cast128::DecryptECB(const void* inData, void* outData) {
  CheckInitialized();
  fKey->CryptBlock(inData, outData, true);
}
