// SHA-256 (FIPS 180-4).
#include "package/crypto/Crypt.h"
#include "package/crypto/iterated_hash.h"

namespace {

using namespace iterated_hash;

struct Sha256Rotations {
  static constexpr int S0a = 2, S0b = 13, S0c = 22;
  static constexpr int S1a = 6, S1b = 11, S1c = 25;
  static constexpr int s0a = 7, s0b = 18, s0shift = 3;
  static constexpr int s1a = 17, s1b = 19, s1shift = 10;
};

// The constants are the first 32 fraction bits of the cube roots of the first
// 64 primes; the initial values those of the square roots of the first 8.
struct Sha256Constants {
  std::array<std::uint32_t, 64> k;
  std::array<std::uint32_t, 8> h0;

  Sha256Constants() {
    const std::vector<unsigned> primes = FirstPrimes(k.size());
    for (std::size_t i = 0; i < k.size(); ++i) {
      k[i] = static_cast<std::uint32_t>(RootBits(primes[i], 3, 32));
    }
    for (std::size_t i = 0; i < h0.size(); ++i) {
      h0[i] = static_cast<std::uint32_t>(RootBits(primes[i], 2, 32));
    }
  }
};

const Sha256Constants& Constants() {
  static const Sha256Constants constants;
  return constants;
}

}  // namespace

struct TCrypt_sha256::State {
  std::array<std::uint32_t, 8> h;
  Blocks<64> input;

  void Compress(const std::uint8_t* block) {
    Sha2Compress<std::uint32_t, 64, Sha256Rotations>(h, block, Constants().k);
  }
};

TCrypt_sha256::TCrypt_sha256() : fState(std::make_unique<State>()) {}
TCrypt_sha256::~TCrypt_sha256() { Burn(); }

int TCrypt_sha256::GetId() const { return 3; }
std::u16string TCrypt_sha256::GetAlgorithm() const { return u"SHA-256"; }
int TCrypt_sha256::GetHashSize() const { return 256; }

void TCrypt_sha256::Init() {
  fState->h = Constants().h0;
  fState->input.Reset();
  fInitialized = true;
}

void TCrypt_sha256::Update(const void* buffer, std::size_t size) {
  CheckInitialized();
  fState->input.Feed(buffer, size, *fState);
}

void TCrypt_sha256::Final(std::uint8_t* digest) {
  CheckInitialized();
  ShaFinal(*fState, digest);
  Burn();
}

void TCrypt_sha256::Burn() {
  SecureZero(fState.get(), sizeof(State));
  fInitialized = false;
}
