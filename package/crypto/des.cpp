// DES (FIPS 46-3) and Triple DES in its encrypt-decrypt-encrypt form (NIST SP 800-67).
// The S-boxes and the P permutation are merged into eight 64-entry tables and the
// initial and final permutations run from byte-indexed tables, all built at compile time.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "package/crypto/Crypt.h"
#include "package/crypto/byteorder.h"

namespace {

// Bit positions as FIPS 46-3 counts them: 1 is the most significant bit.
constexpr std::array<std::uint8_t, 64> kInitialPermutation = {
    58, 50, 42, 34, 26, 18, 10, 2,  60, 52, 44, 36, 28, 20, 12, 4,  62, 54, 46, 38, 30, 22,
    14, 6,  64, 56, 48, 40, 32, 24, 16, 8,  57, 49, 41, 33, 25, 17, 9,  1,  59, 51, 43, 35,
    27, 19, 11, 3,  61, 53, 45, 37, 29, 21, 13, 5,  63, 55, 47, 39, 31, 23, 15, 7};

constexpr std::array<std::uint8_t, 32> kP = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23,
                                             26, 5, 18, 31, 10, 2,  8,  24, 14, 32, 27,
                                             3,  9, 19, 13, 30, 6,  22, 11, 4,  25};

constexpr std::array<std::uint8_t, 56> kPC1 = {
    57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18, 10, 2,  59, 51, 43,
    35, 27, 19, 11, 3,  60, 52, 44, 36, 63, 55, 47, 39, 31, 23, 15, 7,  62, 54,
    46, 38, 30, 22, 14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

constexpr std::array<std::uint8_t, 48> kPC2 = {
    14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
    41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

constexpr std::array<std::uint8_t, 16> kShifts = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

// S1 to S8, four rows of sixteen each.
constexpr std::uint8_t kS[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8, 3, 10, 6, 12, 5,  9,  0,  7,  0,  15, 7,  4,  14, 2,
     13, 1,  10, 6, 12, 11, 9,  5, 3, 8,  4, 1,  14, 8,  13, 6,  2,  11, 15, 12, 9,  7,
     3,  10, 5,  0, 15, 12, 8,  2, 4, 9,  1, 7,  5,  11, 3,  14, 10, 0,  6,  13},
    {15, 1,  8,  14, 6,  11, 3,  4, 9,  7,  2, 13, 12, 0,  5,  10, 3,  13, 4,  7, 15, 2,
     8,  14, 12, 0,  1,  10, 6,  9, 11, 5,  0, 14, 7,  11, 10, 4,  13, 1,  5,  8, 12, 6,
     9,  3,  2,  15, 13, 8,  10, 1, 3,  15, 4, 2,  11, 6,  7,  12, 0,  5,  14, 9},
    {10, 0,  9,  14, 6, 3,  15, 5,  1,  13, 12, 7, 11, 4,  2,  8,  13, 7, 0,  9, 3, 4,
     6,  10, 2,  8,  5, 14, 12, 11, 15, 1,  13, 6, 4,  9,  8,  15, 3,  0, 11, 1, 2, 12,
     5,  10, 14, 7,  1, 10, 13, 0,  6,  9,  8,  7, 4,  15, 14, 3,  11, 5, 2,  12},
    {7, 13, 14, 3, 0, 6,  9, 10, 1,  2, 8,  5, 11, 12, 4,  15, 13, 8,  11, 5, 6, 15,
     0, 3,  4,  7, 2, 12, 1, 10, 14, 9, 10, 6, 9,  0,  12, 11, 7,  13, 15, 1, 3, 14,
     5, 2,  8,  4, 3, 15, 0, 6,  10, 1, 13, 8, 9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4, 1,  7,  10, 11, 6, 8, 5,  3, 15, 13, 0,  14, 9,  14, 11, 2,  12, 4,  7,
     13, 1,  5, 0,  15, 10, 3,  9, 8, 6,  4, 2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,
     6,  3,  0, 14, 11, 8,  12, 7, 1, 14, 2, 13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6, 8,  0, 13, 3,  4,  14, 7,  5, 11, 10, 15, 4, 2, 7, 12,
     9,  5,  6,  1,  13, 14, 0, 11, 3, 8,  9,  14, 15, 5,  2, 8,  12, 3,  7, 0, 4, 10,
     1,  13, 11, 6,  4,  3,  2, 12, 9, 5,  15, 10, 11, 14, 1, 7,  6,  0,  8, 13},
    {4, 11, 2,  14, 15, 0,  8,  13, 3, 12, 9,  7, 5,  10, 6,  1,  13, 0,  11, 7,  4, 9,
     1, 10, 14, 3,  5,  12, 2,  15, 8, 6,  1,  4, 11, 13, 12, 3,  7,  14, 10, 15, 6, 8,
     0, 5,  9,  2,  6,  11, 13, 8,  1, 4,  10, 7, 9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2, 8,  4, 6, 15, 11, 1,  10, 9,  3, 14, 5,  0,  12, 7,  1,  15, 13, 8, 10, 3,
     7,  4, 12, 5, 6, 11, 0,  14, 9,  2,  7, 11, 4,  1,  9,  12, 14, 2,  0,  6, 10, 13,
     15, 3, 5,  8, 2, 1,  14, 7,  4,  10, 8, 13, 15, 12, 9,  0,  3,  5,  6,  11}};

// Output bit i (counted from 1 at the top of outBits) is input bit table[i - 1].
template <std::size_t N>
constexpr std::uint64_t Permute(std::uint64_t in, int inBits,
                                const std::array<std::uint8_t, N>& table) {
  std::uint64_t out = 0;
  for (const std::uint8_t position : table) out = out << 1 | ((in >> (inBits - position)) & 1);
  return out;
}

constexpr std::array<std::uint8_t, 64> Inverse(const std::array<std::uint8_t, 64>& table) {
  std::array<std::uint8_t, 64> inverse{};
  for (std::size_t i = 0; i < 64; ++i) inverse[table[i] - 1] = static_cast<std::uint8_t>(i + 1);
  return inverse;
}

// A 64-bit permutation split by input byte: the OR of eight lookups.
using ByteTables = std::array<std::array<std::uint64_t, 256>, 8>;

ByteTables MakeByteTables(const std::array<std::uint8_t, 64>& table) {
  ByteTables tables{};
  for (int byte = 0; byte < 8; ++byte)
    for (std::uint64_t value = 0; value < 256; ++value)
      tables[byte][value] = Permute(value << (56 - 8 * byte), 64, table);
  return tables;
}

// Made on first use, not at compile time: 32 KB less in every program.
const ByteTables& InitialTables() {
  static const ByteTables tables = MakeByteTables(kInitialPermutation);
  return tables;
}

const ByteTables& FinalTables() {
  static const ByteTables tables = MakeByteTables(Inverse(kInitialPermutation));
  return tables;
}

std::uint64_t ApplyByteTables(const ByteTables& tables, std::uint64_t in) {
  std::uint64_t out = 0;
  for (int byte = 0; byte < 8; ++byte) out |= tables[byte][(in >> (56 - 8 * byte)) & 0xFF];
  return out;
}

// S-box i followed by P, indexed by the 6-bit group as E delivers it.
using SPTables = std::array<std::array<std::uint32_t, 64>, 8>;

constexpr SPTables MakeSPTables() {
  SPTables tables{};
  for (int box = 0; box < 8; ++box)
    for (int group = 0; group < 64; ++group) {
      const int row = ((group >> 4) & 2) | (group & 1);
      const int column = (group >> 1) & 0xF;
      const std::uint64_t nibble = std::uint64_t{kS[box][row * 16 + column]} << (28 - 4 * box);
      tables[box][group] = static_cast<std::uint32_t>(Permute(nibble, 32, kP));
    }
  return tables;
}

constexpr SPTables kSP = MakeSPTables();

// Sixteen round keys, each as the eight 6-bit groups that meet the S-boxes.
using Subkeys = std::array<std::array<std::uint8_t, 8>, 16>;

std::uint32_t Rotate28(std::uint32_t half, int count) {
  return ((half << count) | (half >> (28 - count))) & 0x0FFFFFFF;
}

void ScheduleKey(const std::uint8_t* key, Subkeys& subkeys) {
  const std::uint64_t cd = Permute(bigendian::Load<std::uint64_t>(key), 64, kPC1);
  auto c = static_cast<std::uint32_t>(cd >> 28);
  auto d = static_cast<std::uint32_t>(cd & 0x0FFFFFFF);
  for (int round = 0; round < 16; ++round) {
    c = Rotate28(c, kShifts[round]);
    d = Rotate28(d, kShifts[round]);
    const std::uint64_t subkey = Permute(std::uint64_t{c} << 28 | d, 56, kPC2);
    for (int group = 0; group < 8; ++group)
      subkeys[round][group] = static_cast<std::uint8_t>((subkey >> (42 - 6 * group)) & 0x3F);
  }
}

// The cipher function f: group g of E(r) is r's bits 4g to 4g+5, counted from
// the top with wrap-around, so a rotation brings it to the bottom.
template <std::size_t... Group>
std::uint32_t F(std::uint32_t r, const std::array<std::uint8_t, 8>& subkey,
                std::index_sequence<Group...>) {
  return (kSP[Group][(std::rotr(r, 27 - 4 * static_cast<int>(Group)) & 0x3F) ^ subkey[Group]] ^
          ...);
}

// The sixteen rounds with the final swap, between the initial and final permutations.
std::uint64_t Rounds(std::uint64_t block, const Subkeys& subkeys, bool decrypt) {
  auto left = static_cast<std::uint32_t>(block >> 32);
  auto right = static_cast<std::uint32_t>(block);
  for (int round = 0; round < 16; ++round) {
    const std::uint32_t next =
        left ^ F(right, subkeys[decrypt ? 15 - round : round], std::make_index_sequence<8>());
    left = right;
    right = next;
  }
  return std::uint64_t{right} << 32 | left;
}

// Between passes the final permutation and the next initial one cancel out.
struct Pass {
  const Subkeys& subkeys;
  bool decrypt;
};

void RunPasses(const void* inData, void* outData, std::initializer_list<Pass> passes) {
  std::uint64_t block = ApplyByteTables(
      InitialTables(), bigendian::Load<std::uint64_t>(static_cast<const std::uint8_t*>(inData)));
  for (const Pass& pass : passes) block = Rounds(block, pass.subkeys, pass.decrypt);
  bigendian::Store<std::uint64_t>(ApplyByteTables(FinalTables(), block),
                                  static_cast<std::uint8_t*>(outData));
}

// The key bytes at the start of a zeroed buffer of `Bytes` bytes.
template <std::size_t Bytes>
struct PaddedKey {
  PaddedKey(const void* key, int sizeBits) {
    std::memcpy(bytes.data(), key, std::min(bytes.size(), static_cast<std::size_t>(sizeBits / 8)));
  }
  ~PaddedKey() { SecureZero(bytes.data(), bytes.size()); }
  std::array<std::uint8_t, Bytes> bytes{};
};

}  // namespace

// ---------------------------------------------------------------------------
// DES

struct TCrypt_des::Schedule {
  Subkeys subkeys;
};

TCrypt_des::TCrypt_des() : fKey(std::make_unique<Schedule>()) {}
TCrypt_des::~TCrypt_des() { BurnKey(); }

int TCrypt_des::GetId() const { return 3; }
std::u16string TCrypt_des::GetAlgorithm() const { return u"DES"; }
int TCrypt_des::GetMaxKeySize() const { return 64; }

void TCrypt_des::InitKey(const void* key, int size) {
  const PaddedKey<8> padded(key, size);
  ScheduleKey(padded.bytes.data(), fKey->subkeys);
}

void TCrypt_des::BurnKey() { SecureZero(fKey.get(), sizeof(Schedule)); }

void TCrypt_des::EncryptECB(const void* inData, void* outData) {
  CheckInitialized();
  RunPasses(inData, outData, {{fKey->subkeys, false}});
}

void TCrypt_des::DecryptECB(const void* inData, void* outData) {
  CheckInitialized();
  RunPasses(inData, outData, {{fKey->subkeys, true}});
}

// ---------------------------------------------------------------------------
// Triple DES

struct TCrypt_3des::Schedule {
  Subkeys k1, k2, k3;
};

TCrypt_3des::TCrypt_3des() : fKey(std::make_unique<Schedule>()) {}
TCrypt_3des::~TCrypt_3des() { BurnKey(); }

int TCrypt_3des::GetId() const { return 4; }
std::u16string TCrypt_3des::GetAlgorithm() const { return u"3DES"; }
int TCrypt_3des::GetMaxKeySize() const { return 192; }

// Up to 128 bits the third key is the first (keying option 2); beyond that the
// bytes from 16 on, zero padded, make it.
void TCrypt_3des::InitKey(const void* key, int size) {
  const PaddedKey<24> padded(key, size);
  ScheduleKey(padded.bytes.data(), fKey->k1);
  ScheduleKey(padded.bytes.data() + 8, fKey->k2);
  ScheduleKey(padded.bytes.data() + (size <= 128 ? 0 : 16), fKey->k3);
}

void TCrypt_3des::BurnKey() { SecureZero(fKey.get(), sizeof(Schedule)); }

void TCrypt_3des::EncryptECB(const void* inData, void* outData) {
  CheckInitialized();
  RunPasses(inData, outData, {{fKey->k1, false}, {fKey->k2, true}, {fKey->k3, false}});
}

void TCrypt_3des::DecryptECB(const void* inData, void* outData) {
  CheckInitialized();
  RunPasses(inData, outData, {{fKey->k3, true}, {fKey->k2, false}, {fKey->k1, true}});
}
