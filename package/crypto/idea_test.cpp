// IDEA against the example of its designers (Lai and Massey) and against
// OpenSSL 3 (through Python's cryptography package) for keys and blocks whose
// zero words make the multiplications meet 2^16.
#include <random>

#include "package/crypto/BlockCipherTesting.h"

namespace {

using block_testing::TBytes;

TEST(Idea, KnownAnswers) {
  block_testing::ExpectKnownAnswers<TCrypt_idea>({
      // Lai and Massey's example.
      {"00010002000300040005000600070008", "0000000100020003", "11fbed2b01986de5"},
      // OpenSSL 3, computed once.
      {"00000000000000000000000000000000", "0000000000000000", "0001000100000000"},
      {"ffffffffffffffffffffffffffffffff", "ffffffffffffffff", "cd1ab2c1211041fb"},
      {"000102030405060708090a0b0c0d0e0f", "0000ffff0000ffff", "1382e5ac9a827908"},
  });
}

// OpenSSL's answer for the 16-byte key that ends in eight zero bytes.
TEST(Idea, ShortKeyIsZeroPadded) {
  block_testing::ExpectKnownAnswers<TCrypt_idea>({
      {"0001000200030004", "0000000100020003", "1dc420874381a17a"},
  });
}

// The decryption subkeys are inverses computed from the encryption ones;
// random keys and blocks meet inverses that the fixed answers do not.
TEST(Idea, DecryptUndoesEncryptForRandomKeys) {
  std::mt19937 random(2024);
  TCrypt_idea cipher;
  for (int round = 0; round < 2000; ++round) {
    TBytes key(16), plain(8), sealed(8), opened(8);
    for (auto* bytes : {&key, &plain}) {
      for (auto& b : *bytes) b = static_cast<std::uint8_t>(random() % 4 ? random() : 0);
    }
    cipher.Init(key.data(), 128, nullptr);
    cipher.EncryptECB(plain.data(), sealed.data());
    cipher.DecryptECB(sealed.data(), opened.data());
    ASSERT_EQ(opened, plain) << "key " << block_testing::Hex(key);
  }
}

TEST(Idea, EcbNeedsKey) { block_testing::ExpectKeyRequired<TCrypt_idea>(); }

}  // namespace
