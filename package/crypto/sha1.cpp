// SHA-1 (FIPS 180-4).
#include "package/crypto/Crypt.h"
#include "package/crypto/iterated_hash.h"

namespace {

using namespace iterated_hash;

// One constant for each 20 rounds: 2^30 times the square roots of 2, 3, 5, 10.
const std::array<std::uint32_t, 4>& RoundConstants() {
  static const std::array<std::uint32_t, 4> k = [] {
    std::array<std::uint32_t, 4> values;
    const unsigned roots[] = {2, 3, 5, 10};
    for (std::size_t i = 0; i < values.size(); ++i) {
      values[i] = static_cast<std::uint32_t>(RootBits(roots[i], 2, 30));
    }
    return values;
  }();
  return k;
}

std::uint32_t RoundFunction(std::size_t t, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
  if (t < 20) return (b & c) | (~b & d);
  if (t >= 40 && t < 60) return (b & c) | (b & d) | (c & d);
  return b ^ c ^ d;
}

}  // namespace

struct TCrypt_sha1::State {
  std::array<std::uint32_t, 5> h;
  Blocks<64> input;

  void Compress(const std::uint8_t* block) {
    std::array<std::uint32_t, 80> w;
    for (std::size_t t = 0; t < 16; ++t) w[t] = bigendian::Load<std::uint32_t>(block + 4 * t);
    for (std::size_t t = 16; t < w.size(); ++t) {
      w[t] = std::rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
    }
    const auto& k = RoundConstants();
    std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (std::size_t t = 0; t < w.size(); ++t) {
      const std::uint32_t temp = std::rotl(a, 5) + RoundFunction(t, b, c, d) + e + k[t / 20] + w[t];
      e = d;
      d = c;
      c = std::rotl(b, 30);
      b = a;
      a = temp;
    }
    const std::uint32_t v[5] = {a, b, c, d, e};
    for (std::size_t i = 0; i < h.size(); ++i) h[i] += v[i];
  }
};

TCrypt_sha1::TCrypt_sha1() : fState(std::make_unique<State>()) {}
TCrypt_sha1::~TCrypt_sha1() { Burn(); }

int TCrypt_sha1::GetId() const { return 2; }
std::u16string TCrypt_sha1::GetAlgorithm() const { return u"SHA-1"; }
int TCrypt_sha1::GetHashSize() const { return 160; }

void TCrypt_sha1::Init() {
  fState->h = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  fState->input.Reset();
  fInitialized = true;
}

void TCrypt_sha1::Update(const void* buffer, std::size_t size) {
  CheckInitialized();
  fState->input.Feed(buffer, size, *fState);
}

void TCrypt_sha1::Final(std::uint8_t* digest) {
  CheckInitialized();
  ShaFinal(*fState, digest);
  Burn();
}

void TCrypt_sha1::Burn() {
  SecureZero(fState.get(), sizeof(State));
  fInitialized = false;
}
