// Rijndael with 128-bit blocks: AES (FIPS 197). The S-box comes from the
// GF(2^8) inverse and the affine map, and one round is four lookups per column
// in tables built from it at compile time.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

#include "package/crypto/Crypt.h"
#include "package/crypto/byteorder.h"

namespace {

// Multiplication in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1.
constexpr std::uint8_t Mul(std::uint8_t a, std::uint8_t b) {
  std::uint8_t product = 0;
  for (; b != 0; b >>= 1) {
    if (b & 1) product ^= a;
    a = static_cast<std::uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
  }
  return product;
}

constexpr std::uint8_t Rotl8(std::uint8_t value, int count) {
  return static_cast<std::uint8_t>((value << count) | (value >> (8 - count)));
}

struct Boxes {
  std::array<std::uint8_t, 256> forward{};
  std::array<std::uint8_t, 256> inverse{};
};

// a^254 is the multiplicative inverse (0 for 0), then the affine map of FIPS 197 5.1.1.
constexpr Boxes MakeBoxes() {
  Boxes boxes;
  for (int x = 0; x < 256; ++x) {
    const auto a = static_cast<std::uint8_t>(x);
    std::uint8_t inverse = 1;
    for (int bit = 7; bit >= 1; --bit) inverse = Mul(Mul(inverse, inverse), a);  // a^(2^8 - 2)
    inverse = Mul(inverse, inverse);
    const auto s = static_cast<std::uint8_t>(inverse ^ Rotl8(inverse, 1) ^ Rotl8(inverse, 2) ^
                                             Rotl8(inverse, 3) ^ Rotl8(inverse, 4) ^ 0x63);
    boxes.forward[a] = s;
    boxes.inverse[s] = a;
  }
  return boxes;
}

constexpr Boxes kBoxes = MakeBoxes();
constexpr const std::array<std::uint8_t, 256>& kSbox = kBoxes.forward;
constexpr const std::array<std::uint8_t, 256>& kInvSbox = kBoxes.inverse;

constexpr std::uint32_t Column(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
  return std::uint32_t{b0} << 24 | std::uint32_t{b1} << 16 | std::uint32_t{b2} << 8 | b3;
}

// SubBytes and MixColumns for one byte in row 0; rows 1 to 3 are byte rotations of it.
using Table = std::array<std::uint32_t, 256>;

constexpr Table MakeEncryptTable() {
  Table table{};
  for (int x = 0; x < 256; ++x) {
    const std::uint8_t s = kSbox[x];
    table[x] = Column(Mul(s, 2), s, s, Mul(s, 3));
  }
  return table;
}

constexpr Table MakeDecryptTable() {
  Table table{};
  for (int x = 0; x < 256; ++x) {
    const std::uint8_t s = kInvSbox[x];
    table[x] = Column(Mul(s, 14), Mul(s, 9), Mul(s, 13), Mul(s, 11));
  }
  return table;
}

constexpr Table kTe = MakeEncryptTable();
constexpr Table kTd = MakeDecryptTable();

constexpr std::uint8_t Byte(std::uint32_t word, int index) {
  return static_cast<std::uint8_t>(word >> (24 - 8 * index));
}

std::uint32_t SubWord(std::uint32_t word) {
  return Column(kSbox[Byte(word, 0)], kSbox[Byte(word, 1)], kSbox[Byte(word, 2)],
                kSbox[Byte(word, 3)]);
}

std::uint32_t InvMixColumn(std::uint32_t word) {
  std::uint32_t out = 0;
  for (int row = 0; row < 4; ++row) out ^= std::rotr(kTd[kSbox[Byte(word, row)]], 8 * row);
  return out;
}

constexpr int kMaxRounds = 14;
constexpr int kMaxWords = 4 * (kMaxRounds + 1);

// One column of a round: rows 0 to 3 come from the four given columns.
std::uint32_t MixColumn(const Table& table, std::uint32_t a, std::uint32_t b, std::uint32_t c,
                        std::uint32_t d) {
  return table[Byte(a, 0)] ^ std::rotr(table[Byte(b, 1)], 8) ^ std::rotr(table[Byte(c, 2)], 16) ^
         std::rotr(table[Byte(d, 3)], 24);
}

std::uint32_t SubColumn(const std::array<std::uint8_t, 256>& box, std::uint32_t a, std::uint32_t b,
                        std::uint32_t c, std::uint32_t d) {
  return Column(box[Byte(a, 0)], box[Byte(b, 1)], box[Byte(c, 2)], box[Byte(d, 3)]);
}

// Row r of column c comes from column c + r * Shift: Shift 1 is ShiftRows,
// Shift 3 (that is -1) InvShiftRows. The columns are spelt out at compile time.
template <int Shift, std::size_t... C>
void MixRound(const Table& table, const std::uint32_t (&s)[4], std::uint32_t (&t)[4],
              const std::uint32_t* keys, std::index_sequence<C...>) {
  ((t[C] =
        MixColumn(table, s[C], s[(C + Shift) & 3], s[(C + 2 * Shift) & 3], s[(C + 3 * Shift) & 3]) ^
        keys[C]),
   ...);
}

template <int Shift, std::size_t... C>
void SubRound(const std::array<std::uint8_t, 256>& box, const std::uint32_t (&s)[4],
              std::uint8_t* out, const std::uint32_t* keys, std::index_sequence<C...>) {
  (bigendian::Store<std::uint32_t>(
       SubColumn(box, s[C], s[(C + Shift) & 3], s[(C + 2 * Shift) & 3], s[(C + 3 * Shift) & 3]) ^
           keys[C],
       out + 4 * C),
   ...);
}

// Encryption runs the round keys as expanded, decryption the equivalent
// inverse cipher (FIPS 197 5.3.5) with its transformed keys.
template <int Shift>
void Cipher(const Table& table, const std::array<std::uint8_t, 256>& box, const std::uint32_t* keys,
            int rounds, const void* inData, void* outData) {
  constexpr auto kColumns = std::make_index_sequence<4>();
  const auto* in = static_cast<const std::uint8_t*>(inData);
  std::uint32_t s[4], t[4];
  for (int c = 0; c < 4; ++c) s[c] = bigendian::Load<std::uint32_t>(in + 4 * c) ^ keys[c];
  for (int round = 1; round < rounds; ++round) {
    keys += 4;
    MixRound<Shift>(table, s, t, keys, kColumns);
    std::memcpy(s, t, sizeof s);
  }
  SubRound<Shift>(box, s, static_cast<std::uint8_t*>(outData), keys + 4, kColumns);
}

}  // namespace

struct TCrypt_rijndael::Schedule {
  std::uint32_t encrypt[kMaxWords];
  std::uint32_t decrypt[kMaxWords];
  int rounds;
};

TCrypt_rijndael::TCrypt_rijndael() : fKey(std::make_unique<Schedule>()) {}
TCrypt_rijndael::~TCrypt_rijndael() { BurnKey(); }

int TCrypt_rijndael::GetId() const { return 5; }
std::u16string TCrypt_rijndael::GetAlgorithm() const { return u"Rijndael"; }
int TCrypt_rijndael::GetMaxKeySize() const { return 256; }

// The key bytes, zero padded to the next AES key length.
void TCrypt_rijndael::InitKey(const void* key, int size) {
  const int nk = size <= 128 ? 4 : size <= 192 ? 6 : 8;
  const int rounds = nk + 6;
  const int words = 4 * (rounds + 1);
  std::uint8_t padded[32] = {};
  std::memcpy(padded, key,
              std::min<std::size_t>(sizeof padded, static_cast<std::size_t>(size / 8)));
  std::uint32_t* w = fKey->encrypt;
  for (int i = 0; i < nk; ++i) w[i] = bigendian::Load<std::uint32_t>(padded + 4 * i);
  SecureZero(padded, sizeof padded);
  std::uint8_t rcon = 1;
  for (int i = nk; i < words; ++i) {
    std::uint32_t temp = w[i - 1];
    if (i % nk == 0) {
      temp = SubWord(std::rotl(temp, 8)) ^ std::uint32_t{rcon} << 24;
      rcon = Mul(rcon, 2);
    } else if (nk > 6 && i % nk == 4) {
      temp = SubWord(temp);
    }
    w[i] = w[i - nk] ^ temp;
  }
  // The inverse cipher runs the round keys backwards, the inner ones through InvMixColumns.
  std::uint32_t* d = fKey->decrypt;
  for (int round = 0; round <= rounds; ++round)
    for (int c = 0; c < 4; ++c) {
      const std::uint32_t word = w[4 * (rounds - round) + c];
      d[4 * round + c] = (round == 0 || round == rounds) ? word : InvMixColumn(word);
    }
  fKey->rounds = rounds;
}

void TCrypt_rijndael::BurnKey() { SecureZero(fKey.get(), sizeof(Schedule)); }

void TCrypt_rijndael::EncryptECB(const void* inData, void* outData) {
  CheckInitialized();
  Cipher<1>(kTe, kSbox, fKey->encrypt, fKey->rounds, inData, outData);
}

void TCrypt_rijndael::DecryptECB(const void* inData, void* outData) {
  CheckInitialized();
  Cipher<3>(kTd, kInvSbox, fKey->decrypt, fKey->rounds, inData, outData);
}
