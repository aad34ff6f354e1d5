// MD5 (RFC 1321).
#include "package/crypto/Crypt.h"
#include "package/crypto/iterated_hash.h"
#include "package/crypto/md5_sines.h"

namespace {

using namespace iterated_hash;

// Left rotations, four for each round.
constexpr int kShifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

// The function of b, c and d in the round of step i.
std::uint32_t RoundFunction(std::size_t i, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
  switch (i / 16) {
    case 0:
      return (b & c) | (~b & d);
    case 1:
      return (b & d) | (c & ~d);
    case 2:
      return b ^ c ^ d;
    default:
      return c ^ (b | ~d);
  }
}

// The message word that step i takes.
std::size_t MessageIndex(std::size_t i) {
  constexpr std::size_t kStep[4] = {1, 5, 3, 7}, kStart[4] = {0, 1, 5, 0};
  return (kStart[i / 16] + kStep[i / 16] * (i % 16)) % 16;
}

}  // namespace

struct TCrypt_md5::State {
  std::array<std::uint32_t, 4> h;
  Blocks<64> input;

  void Compress(const std::uint8_t* block) {
    std::uint32_t x[16];
    for (std::size_t i = 0; i < 16; ++i) x[i] = littleendian::Load<std::uint32_t>(block + 4 * i);
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
    for (std::size_t i = 0; i < md5::kSines.size(); ++i) {
      const std::uint32_t sum = a + RoundFunction(i, b, c, d) + x[MessageIndex(i)] + md5::kSines[i];
      a = d;
      d = c;
      c = b;
      b += std::rotl(sum, kShifts[i / 16][i % 4]);
    }
    h[0] += a;
    h[1] += b;
    h[2] += c;
    h[3] += d;
  }
};

TCrypt_md5::TCrypt_md5() : fState(std::make_unique<State>()) {}
TCrypt_md5::~TCrypt_md5() { Burn(); }

int TCrypt_md5::GetId() const { return 1; }
std::u16string TCrypt_md5::GetAlgorithm() const { return u"MD5"; }
int TCrypt_md5::GetHashSize() const { return 128; }

void TCrypt_md5::Init() {
  fState->h = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};
  fState->input.Reset();
  fInitialized = true;
}

void TCrypt_md5::Update(const void* buffer, std::size_t size) {
  CheckInitialized();
  fState->input.Feed(buffer, size, *fState);
}

void TCrypt_md5::Final(std::uint8_t* digest) {
  CheckInitialized();
  State& s = *fState;
  std::uint8_t bits[8];
  littleendian::Store<std::uint64_t>(s.input.length << 3, bits);
  s.input.Pad(0x80, bits, sizeof bits, s);
  for (std::size_t i = 0; i < s.h.size(); ++i) littleendian::Store(s.h[i], digest + 4 * i);
  Burn();
}

void TCrypt_md5::Burn() {
  SecureZero(fState.get(), sizeof(State));
  fInitialized = false;
}
