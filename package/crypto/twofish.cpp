// Twofish (Schneier, Kelsey, Whiting, Wagner, Hall, Ferguson, 1998) with full
// keying: the key-dependent S-boxes and the MDS matrix are merged into four
// 256-entry tables per key, so g is four lookups.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "package/crypto/Crypt.h"
#include "package/crypto/byteorder.h"

namespace {

// The 4-bit permutations t0 to t3 from which q0 and q1 are built (paper, 4.3.5).
constexpr std::uint8_t kQ0Nibbles[4][16] = {
    {0x8, 0x1, 0x7, 0xD, 0x6, 0xF, 0x3, 0x2, 0x0, 0xB, 0x5, 0x9, 0xE, 0xC, 0xA, 0x4},
    {0xE, 0xC, 0xB, 0x8, 0x1, 0x2, 0x3, 0x5, 0xF, 0x4, 0xA, 0x6, 0x7, 0x0, 0x9, 0xD},
    {0xB, 0xA, 0x5, 0xE, 0x6, 0xD, 0x9, 0x0, 0xC, 0x8, 0xF, 0x3, 0x2, 0x4, 0x7, 0x1},
    {0xD, 0x7, 0xF, 0x4, 0x1, 0x2, 0x6, 0xE, 0x9, 0xB, 0x3, 0x0, 0x8, 0x5, 0xC, 0xA}};
constexpr std::uint8_t kQ1Nibbles[4][16] = {
    {0x2, 0x8, 0xB, 0xD, 0xF, 0x7, 0x6, 0xE, 0x3, 0x1, 0x9, 0x4, 0x0, 0xA, 0xC, 0x5},
    {0x1, 0xE, 0x2, 0xB, 0x4, 0xC, 0x3, 0x7, 0x6, 0xD, 0xA, 0x5, 0xF, 0x9, 0x0, 0x8},
    {0x4, 0xC, 0x7, 0x5, 0x1, 0x6, 0x9, 0xA, 0x0, 0xE, 0xD, 0x8, 0x2, 0xB, 0x3, 0xF},
    {0xB, 0x9, 0x5, 0x1, 0xC, 0x3, 0xD, 0xE, 0x6, 0x4, 0x7, 0xF, 0x2, 0x0, 0x8, 0xA}};

constexpr std::uint8_t Ror4(std::uint8_t nibble) {
  return static_cast<std::uint8_t>(((nibble >> 1) | (nibble << 3)) & 0xF);
}

using ByteMap = std::array<std::uint8_t, 256>;

constexpr ByteMap MakeQ(const std::uint8_t (&t)[4][16]) {
  ByteMap q{};
  for (int x = 0; x < 256; ++x) {
    std::uint8_t a = static_cast<std::uint8_t>(x >> 4), b = static_cast<std::uint8_t>(x & 0xF);
    for (int half = 0; half < 2; ++half) {
      const auto a1 = static_cast<std::uint8_t>(a ^ b);
      const auto b1 = static_cast<std::uint8_t>((a ^ Ror4(b) ^ (a << 3)) & 0xF);
      a = t[2 * half][a1];
      b = t[2 * half + 1][b1];
    }
    q[x] = static_cast<std::uint8_t>(b << 4 | a);
  }
  return q;
}

constexpr std::array<ByteMap, 2> kQ = {MakeQ(kQ0Nibbles), MakeQ(kQ1Nibbles)};

// Which q each byte lane of h passes through, from the stage that takes the
// fourth key word down to the last one, which takes none.
constexpr int kQOrder[4][5] = {{1, 1, 0, 0, 1}, {0, 1, 1, 0, 0}, {0, 0, 0, 1, 1}, {1, 0, 1, 1, 0}};

// Multiplication in GF(2^8) modulo the given polynomial.
constexpr std::uint8_t Mul(std::uint8_t a, std::uint8_t b, unsigned polynomial) {
  unsigned product = 0, x = a;
  for (; b != 0; b >>= 1, x = (x << 1) ^ ((x & 0x80) ? polynomial : 0))
    if (b & 1) product ^= x;
  return static_cast<std::uint8_t>(product);
}

constexpr unsigned kMdsPolynomial = 0x169;  // x^8 + x^6 + x^5 + x^3 + 1
constexpr unsigned kRsPolynomial = 0x14D;   // x^8 + x^6 + x^3 + x^2 + 1

constexpr std::uint8_t kMds[4][4] = {{0x01, 0xEF, 0x5B, 0x5B},
                                     {0x5B, 0xEF, 0xEF, 0x01},
                                     {0xEF, 0x5B, 0x01, 0xEF},
                                     {0xEF, 0x01, 0xEF, 0x5B}};

constexpr std::uint8_t kRs[4][8] = {{0x01, 0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E},
                                    {0xA4, 0x56, 0x82, 0xF3, 0x1E, 0xC6, 0x68, 0xE5},
                                    {0x02, 0xA1, 0xFC, 0xC1, 0x47, 0xAE, 0x3D, 0x19},
                                    {0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E, 0x03}};

// Column `lane` of the MDS matrix times a byte, as a little-endian word.
constexpr std::uint32_t MdsColumn(int lane, std::uint8_t y) {
  std::uint32_t word = 0;
  for (int row = 0; row < 4; ++row)
    word |= std::uint32_t{Mul(kMds[row][lane], y, kMdsPolynomial)} << (8 * row);
  return word;
}

constexpr std::uint8_t Byte(std::uint32_t word, int lane) {
  return static_cast<std::uint8_t>(word >> (8 * lane));
}

// One lane of h before the MDS matrix, for a list of k key words.
std::uint8_t HLane(int lane, std::uint8_t x, const std::uint32_t* list, int k) {
  for (int stage = 4 - k; stage < 4; ++stage)
    x = kQ[kQOrder[lane][stage]][x] ^ Byte(list[3 - stage], lane);
  return kQ[kQOrder[lane][4]][x];
}

std::uint32_t H(std::uint32_t x, const std::uint32_t* list, int k) {
  std::uint32_t out = 0;
  for (int lane = 0; lane < 4; ++lane) out ^= MdsColumn(lane, HLane(lane, Byte(x, lane), list, k));
  return out;
}

// The Reed-Solomon code of eight key bytes: one S-box key word.
std::uint32_t RsWord(const std::uint8_t* bytes) {
  std::uint32_t word = 0;
  for (int row = 0; row < 4; ++row) {
    std::uint8_t sum = 0;
    for (int column = 0; column < 8; ++column)
      sum ^= Mul(kRs[row][column], bytes[column], kRsPolynomial);
    word |= std::uint32_t{sum} << (8 * row);
  }
  return word;
}

constexpr std::uint32_t kRho = 0x01010101;

}  // namespace

struct TCrypt_twofish::Schedule {
  std::uint32_t subkeys[40];
  std::uint32_t sbox[4][256];  // MDS column times the keyed S-box of each lane

  std::uint32_t G(std::uint32_t x) const {
    return sbox[0][Byte(x, 0)] ^ sbox[1][Byte(x, 1)] ^ sbox[2][Byte(x, 2)] ^ sbox[3][Byte(x, 3)];
  }
};

TCrypt_twofish::TCrypt_twofish() : fKey(std::make_unique<Schedule>()) {}
TCrypt_twofish::~TCrypt_twofish() { BurnKey(); }

int TCrypt_twofish::GetId() const { return 7; }
std::u16string TCrypt_twofish::GetAlgorithm() const { return u"Twofish"; }
int TCrypt_twofish::GetMaxKeySize() const { return 256; }

// The key bytes, zero padded to 128, 192 or 256 bits.
void TCrypt_twofish::InitKey(const void* key, int size) {
  const int k = size <= 128 ? 2 : size <= 192 ? 3 : 4;
  std::uint8_t padded[32] = {};
  std::memcpy(padded, key,
              std::min<std::size_t>(sizeof padded, static_cast<std::size_t>(size / 8)));
  std::uint32_t even[4], odd[4], sboxKey[4];
  for (int i = 0; i < k; ++i) {
    even[i] = littleendian::Load<std::uint32_t>(padded + 8 * i);
    odd[i] = littleendian::Load<std::uint32_t>(padded + 8 * i + 4);
    sboxKey[k - 1 - i] = RsWord(padded + 8 * i);
  }
  for (int i = 0; i < 20; ++i) {
    const std::uint32_t a = H(2 * i * kRho, even, k);
    const std::uint32_t b = std::rotl(H((2 * i + 1) * kRho, odd, k), 8);
    fKey->subkeys[2 * i] = a + b;
    fKey->subkeys[2 * i + 1] = std::rotl(a + 2 * b, 9);
  }
  for (int lane = 0; lane < 4; ++lane)
    for (int x = 0; x < 256; ++x)
      fKey->sbox[lane][x] = MdsColumn(lane, HLane(lane, static_cast<std::uint8_t>(x), sboxKey, k));
  SecureZero(padded, sizeof padded);
  SecureZero(even, sizeof even);
  SecureZero(odd, sizeof odd);
  SecureZero(sboxKey, sizeof sboxKey);
}

void TCrypt_twofish::BurnKey() { SecureZero(fKey.get(), sizeof(Schedule)); }

// Rounds in pairs, so that the halves trade places by naming instead of by copying.
void TCrypt_twofish::EncryptECB(const void* inData, void* outData) {
  CheckInitialized();
  const Schedule& s = *fKey;
  const std::uint32_t* k = s.subkeys;
  const auto* in = static_cast<const std::uint8_t*>(inData);
  std::uint32_t r[4];
  for (int i = 0; i < 4; ++i) r[i] = littleendian::Load<std::uint32_t>(in + 4 * i) ^ k[i];
  for (int round = 0; round < 16; round += 2) {
    std::uint32_t t0 = s.G(r[0]), t1 = s.G(std::rotl(r[1], 8));
    r[2] = std::rotr(r[2] ^ (t0 + t1 + k[2 * round + 8]), 1);
    r[3] = std::rotl(r[3], 1) ^ (t0 + 2 * t1 + k[2 * round + 9]);
    t0 = s.G(r[2]);
    t1 = s.G(std::rotl(r[3], 8));
    r[0] = std::rotr(r[0] ^ (t0 + t1 + k[2 * round + 10]), 1);
    r[1] = std::rotl(r[1], 1) ^ (t0 + 2 * t1 + k[2 * round + 11]);
  }
  auto* out = static_cast<std::uint8_t*>(outData);
  for (int i = 0; i < 4; ++i) littleendian::Store(r[(i + 2) % 4] ^ k[i + 4], out + 4 * i);
}

void TCrypt_twofish::DecryptECB(const void* inData, void* outData) {
  CheckInitialized();
  const Schedule& s = *fKey;
  const std::uint32_t* k = s.subkeys;
  const auto* in = static_cast<const std::uint8_t*>(inData);
  std::uint32_t r[4];
  for (int i = 0; i < 4; ++i)
    r[(i + 2) % 4] = littleendian::Load<std::uint32_t>(in + 4 * i) ^ k[i + 4];
  for (int round = 14; round >= 0; round -= 2) {
    std::uint32_t t0 = s.G(r[2]), t1 = s.G(std::rotl(r[3], 8));
    r[0] = std::rotl(r[0], 1) ^ (t0 + t1 + k[2 * round + 10]);
    r[1] = std::rotr(r[1] ^ (t0 + 2 * t1 + k[2 * round + 11]), 1);
    t0 = s.G(r[0]);
    t1 = s.G(std::rotl(r[1], 8));
    r[2] = std::rotl(r[2], 1) ^ (t0 + t1 + k[2 * round + 8]);
    r[3] = std::rotr(r[3] ^ (t0 + 2 * t1 + k[2 * round + 9]), 1);
  }
  auto* out = static_cast<std::uint8_t*>(outData);
  for (int i = 0; i < 4; ++i) littleendian::Store(r[i] ^ k[i], out + 4 * i);
}
