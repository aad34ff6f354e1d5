// SHA-512 (FIPS 180-4). The base class holds the compression, the padding and
// the digest cut to GetHashSize; SHA-512 gives its initial values and size.
#include "package/crypto/Crypt.h"
#include "package/crypto/iterated_hash.h"

namespace {

using namespace iterated_hash;

struct Sha512Rotations {
  static constexpr int S0a = 28, S0b = 34, S0c = 39;
  static constexpr int S1a = 14, S1b = 18, S1c = 41;
  static constexpr int s0a = 1, s0b = 8, s0shift = 7;
  static constexpr int s1a = 19, s1b = 61, s1shift = 6;
};

// The constants are the first 64 fraction bits of the cube roots of the first
// 80 primes; SHA-512's initial values those of the square roots of the first 8.
struct Sha512Constants {
  std::array<std::uint64_t, 80> k;
  std::array<std::uint64_t, 8> h0;

  Sha512Constants() {
    const std::vector<unsigned> primes = FirstPrimes(k.size());
    for (std::size_t i = 0; i < k.size(); ++i) k[i] = RootBits(primes[i], 3, 64);
    for (std::size_t i = 0; i < h0.size(); ++i) h0[i] = RootBits(primes[i], 2, 64);
  }
};

const Sha512Constants& Constants() {
  static const Sha512Constants constants;
  return constants;
}

}  // namespace

struct TCrypt_sha512base::State {
  std::array<std::uint64_t, 8> h;
  Blocks<128> input;

  void Compress(const std::uint8_t* block) {
    Sha2Compress<std::uint64_t, 80, Sha512Rotations>(h, block, Constants().k);
  }
};

TCrypt_sha512base::TCrypt_sha512base() : fState(std::make_unique<State>()) {}
TCrypt_sha512base::~TCrypt_sha512base() { Burn(); }

void TCrypt_sha512base::Update(const void* buffer, std::size_t size) {
  CheckInitialized();
  fState->input.Feed(buffer, size, *fState);
}

// The length field is 128 bits; the byte count held here gives its low 67.
void TCrypt_sha512base::Final(std::uint8_t* digest) {
  CheckInitialized();
  State& s = *fState;
  std::uint8_t bits[16];
  bigendian::Store<std::uint64_t>(s.input.length >> 61, bits);
  bigendian::Store<std::uint64_t>(s.input.length << 3, bits + 8);
  s.input.Pad(0x80, bits, sizeof bits, s);
  std::uint8_t full[64];
  for (std::size_t i = 0; i < s.h.size(); ++i) bigendian::Store(s.h[i], full + 8 * i);
  std::memcpy(digest, full, static_cast<std::size_t>(GetHashSize() / 8));
  SecureZero(full, sizeof full);
  Burn();
}

void TCrypt_sha512base::Burn() {
  SecureZero(fState.get(), sizeof(State));
  fInitialized = false;
}

TCrypt_sha512::TCrypt_sha512() = default;

int TCrypt_sha512::GetId() const { return 4; }
std::u16string TCrypt_sha512::GetAlgorithm() const { return u"SHA-512"; }
int TCrypt_sha512::GetHashSize() const { return 512; }

void TCrypt_sha512::Init() {
  fState->h = Constants().h0;
  fState->input.Reset();
  fInitialized = true;
}
