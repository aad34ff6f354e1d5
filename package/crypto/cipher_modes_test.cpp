// The modes and the vector rule against published and independently computed
// answers, with AES, DES and Triple DES as the block functions.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "package/crypto/Crypt.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes Hex(std::string_view hex) {
  TBytes bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(
        static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return bytes;
}

std::string AsString(const TBytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// NIST SP 800-38A appendix F, AES-128. The decryption examples (F.2.2,
// F.3.8, F.3.14, F.4.2, F.5.2) are the same data read the other way.
constexpr char kNistKey[] = "2b7e151628aed2a6abf7158809cf4f3c";
constexpr char kNistVector[] = "000102030405060708090a0b0c0d0e0f";
constexpr char kNistPlain[] =
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710";

struct TNistCase {
  const char* example;
  TCrypt_ciphermode mode;
  const char* vector;
  std::size_t plainBytes;
  const char* cipher;
};

const TNistCase kNist[] = {
    {"F.2.1 CBC", cmCBC, kNistVector, 64,
     "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
     "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7"},
    {"F.3.7 CFB8", cmCFB8bit, kNistVector, 18, "3b79424c9c0dd436bace9e0ed4586a4f32b9"},
    {"F.3.13 CFB128", cmCFBblock, kNistVector, 64,
     "3b3fd92eb72dad20333449f8e83cfb4ac8a64537a0b3a93fcde3cdad9f1ce58b"
     "26751f67a3cbb140b1808cf187a4f4dfc04b05357c5d1c0eeac4c66f9ff7f2e6"},
    {"F.4.1 OFB", cmOFB, kNistVector, 64,
     "3b3fd92eb72dad20333449f8e83cfb4a7789508d16918f03f53c52dac54ed825"
     "9740051e9c5fecf64344f7a82260edcc304c6528f659c77866a510d9c1d6ae5e"},
    {"F.5.1 CTR", cmCTR, "f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff", 64,
     "874d6191b620e3261bef6864990db6ce9806f66b7970fdff8617187bb9fffdff"
     "5ae4df3edbd5d35e5b4f09020db03eab1e031dda2fbe03d1792170a0f3009cee"},
};

TEST(BlockModesKnownAnswers, NistSp800_38aAes128BothWays) {
  const TBytes key = Hex(kNistKey);
  for (const auto& c : kNist) {
    const TBytes vector = Hex(c.vector);
    TBytes plain = Hex(kNistPlain);
    plain.resize(c.plainBytes);
    const TBytes expected = Hex(c.cipher);
    TCrypt_rijndael aes;
    aes.SetCipherMode(c.mode);
    aes.Init(key.data(), 128, vector.data());
    TBytes data = plain;
    aes.Encrypt(data.data(), data.data(), data.size());
    EXPECT_EQ(data, expected) << c.example;
    aes.Reset();
    aes.Decrypt(data.data(), data.data(), data.size());
    EXPECT_EQ(data, plain) << c.example;
  }
}

// The counter is the whole block as one big-endian number. Computed with
// OpenSSL 3.0 (Debian): openssl enc -aes-128-ctr over 48 zero bytes.
TEST(BlockModesKnownAnswers, CounterCarriesThroughTheBlock) {
  const TBytes key = Hex(kNistKey);
  const TBytes vector = Hex("000102030405060708090a0bfffffffe");
  TCrypt_rijndael aes;
  aes.Init(key.data(), 128, vector.data());
  TBytes data(48);
  aes.EncryptCTR(data.data(), data.data(), data.size());
  EXPECT_EQ(data, Hex("08ff81431e8af8811d931e7bef271fc4bdb7c0ef49717942fc68eeb17692fcf4"
                      "eef89e9494c1082ab27d4d9095feff60"));
}

// CFB with 8-bit feedback for other block functions and block sizes, computed
// with OpenSSL 3.0 (Debian): openssl enc -aes-256-cfb8 / -des-cfb8 /
// -des-ede3-cfb8 -K KEY -iv VECTOR over the plain text below.
struct TOpensslCase {
  const char* name;
  std::unique_ptr<TCrypt_blockcipher> (*make)();
  int keyBits;
  const char* key;
  const char* vector;
  const char* cipher;
};

template <typename T>
std::unique_ptr<TCrypt_blockcipher> Make() {
  return std::make_unique<T>();
}

constexpr char kOpensslPlain[] = "CFB-8 feeds back one byte at a time.";

const TOpensslCase kOpenssl[] = {
    {"aes-256-cfb8", Make<TCrypt_rijndael>, 256,
     "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4",
     "f0e1d2c3b4a5968778695a4b3c2d1e0f",
     "88caea1bb7c0faac9a4a905a14ce7d1ffbacf833316f0b44a03fda74e84e86b5ce787d2f"},
    {"des-cfb8", Make<TCrypt_des>, 64, "133457799bbcdff1", "1234567890abcdef",
     "4a2855b99b31ca51d1623f669c453aadce043d42f675019857028c087aab74dfdc3cbf5f"},
    {"des-ede3-cfb8", Make<TCrypt_3des>, 192, "0123456789abcdeff1e0d3c2b5a49786fedcba9876543210",
     "fedcba9876543210",
     "51c929026df01284fd493249e6be4cb363a378b67a85e8f63b0fde7616761a5b23d6b86a"},
};

TEST(BlockModesKnownAnswers, Cfb8MatchesOpenssl) {
  const std::string plain = kOpensslPlain;
  for (const auto& c : kOpenssl) {
    const TBytes key = Hex(c.key);
    const TBytes vector = Hex(c.vector);
    const std::string expected = AsString(Hex(c.cipher));
    auto cipher = c.make();
    cipher->Init(key.data(), c.keyBits, vector.data());
    std::string data = plain;
    cipher->EncryptCFB8bit(data.data(), data.data(), data.size());
    EXPECT_EQ(data, expected) << c.name;
    cipher->Reset();
    EXPECT_EQ(cipher->DecryptString(std::string_view(Base64Encode(expected))), plain) << c.name;
  }
}

// The string operations take CFB-8 whatever CipherMode holds, in their 8-bit
// and their UTF-16 (little-endian units) forms.
TEST(BlockModesKnownAnswers, StringsTakeCfb8InEveryMode) {
  const TBytes key = Hex(kNistKey);
  const TBytes vector = Hex(kNistVector);
  const std::string plain = AsString(Hex("6bc1bee22e409f96e93d7e117393172aae2d"));
  const std::string base64 = Base64Encode(AsString(Hex("3b79424c9c0dd436bace9e0ed4586a4f32b9")));
  const std::u16string base64Utf16(base64.begin(), base64.end());
  std::u16string plainUtf16;
  for (std::size_t i = 0; i < plain.size(); i += 2) {
    plainUtf16.push_back(static_cast<char16_t>(static_cast<unsigned char>(plain[i]) |
                                               static_cast<unsigned char>(plain[i + 1]) << 8));
  }
  for (TCrypt_ciphermode mode : {cmCBC, cmCFB8bit, cmCFBblock, cmOFB, cmCTR}) {
    TCrypt_rijndael aes;
    aes.SetCipherMode(mode);
    aes.Init(key.data(), 128, vector.data());
    EXPECT_EQ(aes.EncryptString(std::string_view(plain)), base64) << mode;
    aes.Reset();
    EXPECT_EQ(aes.EncryptString(std::u16string_view(plainUtf16)), base64Utf16) << mode;
    aes.Reset();
    EXPECT_EQ(aes.DecryptString(std::u16string_view(base64Utf16)), plainUtf16) << mode;
    aes.Reset();
    EXPECT_EQ(aes.DecryptString(std::string_view(base64)), plain) << mode;
  }
}

// A null vector is the encryption of the zero block under the new key, so it
// changes with the key. The expected blocks were computed with OpenSSL 3.0 (Debian): openssl enc
// -aes-128-ecb / -des-ecb -nopad over one zero block.
TEST(BlockModesKnownAnswers, NullVectorIsTheEncryptedZeroBlock) {
  struct TCase {
    std::unique_ptr<TCrypt_blockcipher> (*make)();
    int keyBits;
    const char* key;
    const char* vector;
  };
  const TCase cases[] = {
      {Make<TCrypt_rijndael>, 128, "00000000000000000000000000000000",
       "66e94bd4ef8a2c3b884cfa59ca342b2e"},
      {Make<TCrypt_rijndael>, 128, kNistKey, "7df76b0c1ab899b33e42f047b91b546f"},
      {Make<TCrypt_des>, 64, "133457799bbcdff1", "948a43f98a834f7e"},
  };
  for (const auto& c : cases) {
    const TBytes key = Hex(c.key);
    auto cipher = c.make();
    cipher->Init(key.data(), c.keyBits, nullptr);
    TBytes vector(static_cast<std::size_t>(cipher->GetBlockSize() / 8));
    cipher->GetIV(vector.data());
    EXPECT_EQ(vector, Hex(c.vector)) << c.vector;
  }
}

}  // namespace
