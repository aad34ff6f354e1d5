// CAST-128 against RFC 2144 appendix B, and against OpenSSL for more keys and
// for the zero padding of short keys.
#include "package/crypto/BlockCipherTesting.h"

namespace {

using block_testing::FromHex;
using block_testing::Hex;

TEST(Cast128, KnownAnswers) {
  block_testing::ExpectKnownAnswers<TCrypt_cast128>({
      // RFC 2144 appendix B.1, 128-bit key.
      {"0123456712345678234567893456789A", "0123456789ABCDEF", "238B4FE5847E44B2"},
      // OpenSSL 3 (openssl enc -cast5-ecb -nopad), computed once.
      {"00000000000000000000000000000000", "0000000000000000", "13c502b354d53871"},
      {"ffffffffffffffffffffffffffffffff", "ffffffffffffffff", "1d0c41eb2b24a69b"},
      {"000102030405060708090a0b0c0d0e0f", "0011223344556677", "df7f1dd20217842a"},
      {"000102030405060708090a0b0c0d0e0f", "8899aabbccddeeff", "408499677faac03e"},
  });
}

// A short key is zero padded to 16 bytes and still runs 16 rounds, so the
// 80-bit answer of RFC 2144 B.1 (EB6A711A2C02271B, from 12 rounds) does not
// apply. The answer is OpenSSL's for the padded key (openssl enc pads a short
// -K with zero bytes).
TEST(Cast128, ShortKeyIsZeroPaddedWithSixteenRounds) {
  block_testing::ExpectKnownAnswers<TCrypt_cast128>({
      {"01234567123456782345", "0123456789ABCDEF", "753de29f5d167d03"},
      {"01234567123456782345000000000000", "0123456789ABCDEF", "753de29f5d167d03"},
  });
}

// RFC 2144 appendix B.2: a and b encrypt each other's halves a million times.
TEST(Cast128, MaintenanceTest) {
  auto a = FromHex("0123456712345678234567893456789A");
  auto b = a;
  const std::uint8_t vector[8] = {};  // spares Init the encryption of a zero block
  TCrypt_cast128 cipher;
  const auto encryptHalves = [&](block_testing::TBytes& data, const block_testing::TBytes& key) {
    cipher.Init(key.data(), 128, vector);
    cipher.EncryptECB(data.data(), data.data());
    cipher.EncryptECB(data.data() + 8, data.data() + 8);
  };
  for (int i = 0; i < 1000000; ++i) {
    encryptHalves(a, b);
    encryptHalves(b, a);
  }
  EXPECT_EQ(Hex(a), "eea9d0a249fd3ba6b3436fb89d6dca92");
  EXPECT_EQ(Hex(b), "b2c95eb00c31ad7180ac05b8e83d696e");
}

TEST(Cast128, EcbNeedsKey) { block_testing::ExpectKeyRequired<TCrypt_cast128>(); }

}  // namespace
