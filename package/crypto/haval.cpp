// HAVAL with 5 passes and a 256-bit digest (Zheng, Pieprzyk and Seberry,
// "HAVAL - a one-way hashing algorithm with variable length of output",
// AUSCRYPT '92).
#include "package/crypto/Crypt.h"
#include "package/crypto/iterated_hash.h"
#include "package/crypto/pi_digits.h"

namespace {

using namespace iterated_hash;
using Word = std::uint32_t;

constexpr int kPasses = 5;
constexpr int kDigestBits = 256;
constexpr int kVersion = 1;
constexpr std::size_t kBlockWords = 32;

struct HavalConstants {
  std::array<Word, 8> h0;                                // the first 8 words of pi's fraction
  std::array<std::array<Word, kBlockWords>, kPasses> k;  // then 32 for each pass after the first
  HavalConstants() {
    const auto pi = pi_digits::FractionWords(h0.size() + (kPasses - 1) * kBlockWords);
    std::copy_n(pi.begin(), h0.size(), h0.begin());
    k[0] = {};
    for (std::size_t pass = 1; pass < kPasses; ++pass) {
      std::copy_n(pi.begin() + h0.size() + (pass - 1) * kBlockWords, kBlockWords, k[pass].begin());
    }
  }
};

const HavalConstants& Constants() {
  static const HavalConstants constants;
  return constants;
}

// The Boolean functions of the passes, over x6 to x0 as the paper orders them.
Word F1(Word x6, Word x5, Word x4, Word x3, Word x2, Word x1, Word x0) {
  return (x1 & (x0 ^ x4)) ^ (x2 & x5) ^ (x3 & x6) ^ x0;
}

Word F2(Word x6, Word x5, Word x4, Word x3, Word x2, Word x1, Word x0) {
  return (x2 & ((x1 & ~x3) ^ (x4 & x5) ^ x6 ^ x0)) ^ (x4 & (x1 ^ x5)) ^ (x3 & x5) ^ x0;
}

Word F3(Word x6, Word x5, Word x4, Word x3, Word x2, Word x1, Word x0) {
  return (x3 & ((x1 & x2) ^ x6 ^ x0)) ^ (x1 & x4) ^ (x2 & x5) ^ x0;
}

Word F4(Word x6, Word x5, Word x4, Word x3, Word x2, Word x1, Word x0) {
  return (x4 & ((x5 & ~x2) ^ (x3 & ~x6) ^ x1 ^ x6 ^ x0)) ^ (x3 & ((x1 & x2) ^ x5 ^ x6)) ^
         (x2 & x6) ^ x0;
}

Word F5(Word x6, Word x5, Word x4, Word x3, Word x2, Word x1, Word x0) {
  return (x0 & ((x1 & x2 & x3) ^ ~x5)) ^ (x1 & x4) ^ (x2 & x5) ^ (x3 & x6);
}

using Function = Word (*)(Word, Word, Word, Word, Word, Word, Word);
constexpr Function kFunctions[kPasses] = {F1, F2, F3, F4, F5};

// The permutations phi of the 5-pass variant: which of x6 to x0 each pass
// puts in the places x6 to x0 of its function.
constexpr std::size_t kPermutations[kPasses][7] = {{3, 4, 1, 0, 5, 2, 6},
                                                   {6, 2, 1, 0, 3, 4, 5},
                                                   {2, 6, 0, 4, 3, 1, 5},
                                                   {1, 5, 3, 2, 0, 4, 6},
                                                   {2, 5, 0, 6, 4, 3, 1}};

// The order in which each pass takes the 32 message words.
constexpr std::uint8_t kWordOrder[kPasses][kBlockWords] = {
    {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
     16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31},
    {5,  14, 26, 18, 11, 28, 7,  16, 0,  23, 20, 22, 1, 10, 4,  8,
     30, 3,  21, 9,  17, 24, 29, 6,  19, 12, 15, 13, 2, 25, 31, 27},
    {19, 9,  4, 20, 28, 17, 8,  22, 29, 14, 25, 12, 24, 30, 16, 26,
     31, 15, 7, 3,  1,  0,  18, 27, 13, 6,  21, 10, 23, 11, 5,  2},
    {24, 4,  0,  14, 2, 7,  28, 23, 26, 6,  30, 20, 18, 25, 19, 3,
     22, 11, 31, 21, 8, 27, 12, 9,  1,  29, 5,  15, 17, 10, 16, 13},
    {27, 3, 21, 26, 17, 11, 20, 29, 19, 0,  12, 7,  13, 8, 31, 10,
     5,  9, 14, 30, 18, 6,  28, 24, 2,  23, 16, 22, 4,  1, 25, 15}};

}  // namespace

struct TCrypt_haval::State {
  std::array<Word, 8> h;
  Blocks<128> input;

  void Compress(const std::uint8_t* block) {
    Word w[kBlockWords];
    for (std::size_t i = 0; i < kBlockWords; ++i) w[i] = littleendian::Load<Word>(block + 4 * i);
    const HavalConstants& constants = Constants();
    std::array<Word, 8> t = h;
    for (std::size_t pass = 0; pass < kPasses; ++pass) {
      const std::size_t* phi = kPermutations[pass];
      for (std::size_t step = 0; step < kBlockWords; ++step) {
        // The registers turn by one each step: x_j is t[(j - step) mod 8].
        const std::size_t turn = 8 - step % 8;
        const auto x = [&t, turn](std::size_t j) { return t[(j + turn) % 8]; };
        const Word f = kFunctions[pass](x(phi[0]), x(phi[1]), x(phi[2]), x(phi[3]), x(phi[4]),
                                        x(phi[5]), x(phi[6]));
        Word& x7 = t[(7 + turn) % 8];
        x7 = std::rotr(f, 7) + std::rotr(x7, 11) + w[kWordOrder[pass][step]] +
             constants.k[pass][step];
      }
    }
    for (std::size_t i = 0; i < h.size(); ++i) h[i] += t[i];
  }
};

TCrypt_haval::TCrypt_haval() : fState(std::make_unique<State>()) {}
TCrypt_haval::~TCrypt_haval() { Burn(); }

int TCrypt_haval::GetId() const { return 0; }
std::u16string TCrypt_haval::GetAlgorithm() const { return u"HAVAL"; }
int TCrypt_haval::GetHashSize() const { return kDigestBits; }

void TCrypt_haval::Init() {
  fState->h = Constants().h0;
  fState->input.Reset();
  fInitialized = true;
}

void TCrypt_haval::Update(const void* buffer, std::size_t size) {
  CheckInitialized();
  fState->input.Feed(buffer, size, *fState);
}

// The pad is a 1 bit, zero bits, then the version, the passes and the digest
// length in 16 bits, then the message length in bits, little-endian.
void TCrypt_haval::Final(std::uint8_t* digest) {
  CheckInitialized();
  State& s = *fState;
  std::uint8_t tail[10];
  tail[0] = static_cast<std::uint8_t>(((kDigestBits & 3) << 6) | (kPasses << 3) | kVersion);
  tail[1] = static_cast<std::uint8_t>(kDigestBits >> 2);
  littleendian::Store<std::uint64_t>(s.input.length << 3, tail + 2);
  s.input.Pad(0x01, tail, sizeof tail, s);
  for (std::size_t i = 0; i < s.h.size(); ++i) littleendian::Store(s.h[i], digest + 4 * i);
  Burn();
}

void TCrypt_haval::Burn() {
  SecureZero(fState.get(), sizeof(State));
  fInitialized = false;
}
