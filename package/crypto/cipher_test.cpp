// The block-cipher framework through a toy algorithm: key sizes, vectors, the
// mode plumbing and the string operations. Known answers with real
// algorithms, also for the null vector and the strings' mode, are in
// cipher_modes_test.cpp.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "package/crypto/Crypt.h"
#include "support/Errors.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

std::uint8_t Rotl(std::uint8_t x, int n) {
  return static_cast<std::uint8_t>(x << n | x >> (8 - n));
}
std::uint8_t Rotr(std::uint8_t x, int n) {
  return static_cast<std::uint8_t>(x >> n | x << (8 - n));
}

// A keyed byte permutation: not a cipher, but invertible and key-dependent,
// which is all the mode plumbing needs.
template <std::size_t N>
class TToyCipher final : public TCrypt_blockcipherN<N> {
 public:
  int GetId() const override { return 99; }
  std::u16string GetAlgorithm() const override { return u"Toy"; }
  int GetMaxKeySize() const override { return 64; }
  void EncryptECB(const void* inData, void* outData) override {
    this->CheckInitialized();
    const auto* in = static_cast<const std::uint8_t*>(inData);
    std::uint8_t t[N];
    for (std::size_t i = 0; i < N; ++i) {
      t[i] = static_cast<std::uint8_t>(Rotl(in[(i + 3) % N] ^ fKey[i % 8], i % 7 + 1) +
                                       fKey[(i + 1) % 8]);
    }
    std::memcpy(outData, t, N);
  }
  void DecryptECB(const void* inData, void* outData) override {
    this->CheckInitialized();
    const auto* in = static_cast<const std::uint8_t*>(inData);
    std::uint8_t t[N];
    for (std::size_t i = 0; i < N; ++i) {
      t[(i + 3) % N] =
          Rotr(static_cast<std::uint8_t>(in[i] - fKey[(i + 1) % 8]), i % 7 + 1) ^ fKey[i % 8];
    }
    std::memcpy(outData, t, N);
  }
  int keyBurns = 0;

 protected:
  void InitKey(const void* key, int size) override {
    std::memset(fKey, 0, sizeof fKey);
    std::memcpy(fKey, key, static_cast<std::size_t>(size / 8));
  }
  void BurnKey() override {
    std::memset(fKey, 0, sizeof fKey);
    ++keyBurns;
  }

 private:
  std::uint8_t fKey[8] = {};
};

constexpr std::uint8_t kKey[8] = {0x13, 0x57, 0x9B, 0xDF, 0x02, 0x46, 0x8A, 0xCE};
constexpr std::uint8_t kVector[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

TBytes Sample(std::size_t size) {
  TBytes data(size);
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(i * 37 + 11);
  return data;
}

void ExpectNotInitialized(const std::function<void()>& operation, const char* name) {
  try {
    operation();
    ADD_FAILURE() << name << " did not raise";
  } catch (const ECrypt_blockcipher& e) {
    EXPECT_EQ(e.Message(), u"Cipher not initialized") << name;
  }
}

// ---------------------------------------------------------------------------
// Key sizes and the life of an object

TEST(BlockCipherInit, KeySizes) {
  struct TCase {
    int bits;
    bool valid;
  };
  const TCase cases[] = {{0, false},  {-8, false}, {6, false}, {63, false}, {68, false},
                         {72, false}, {4, true},   {32, true}, {60, true},  {64, true}};
  for (const auto& c : cases) {
    TToyCipher<8> cipher;
    if (c.valid) {
      EXPECT_NO_THROW(cipher.Init(kKey, c.bits, nullptr)) << c.bits;
      EXPECT_TRUE(cipher.Initialized()) << c.bits;
    } else {
      try {
        cipher.Init(kKey, c.bits, nullptr);
        ADD_FAILURE() << c.bits << " accepted";
      } catch (const ECrypt_cipher& e) {
        EXPECT_EQ(e.Message(), u"Invalid key size") << c.bits;
      }
      EXPECT_FALSE(cipher.Initialized()) << c.bits;
    }
  }
}

TEST(BlockCipherInit, ReinitBurnsFirstEvenWhenTheNewSizeIsRefused) {
  TToyCipher<8> cipher;
  cipher.Init(kKey, 64, kVector);
  EXPECT_THROW(cipher.Init(kKey, 0, kVector), ECrypt_cipher);
  EXPECT_EQ(cipher.keyBurns, 1);
  EXPECT_FALSE(cipher.Initialized());
  ExpectNotInitialized([&] { cipher.EncryptECB(kVector, TBytes(8).data()); }, "EncryptECB");
}

TEST(BlockCipherInit, GivenVectorIsCopiedAndResetRestartsFromIt) {
  TToyCipher<8> cipher;
  cipher.Init(kKey, 64, kVector);
  std::uint8_t vector[8];
  cipher.GetIV(vector);
  EXPECT_EQ(0, std::memcmp(vector, kVector, 8));

  const TBytes plain = Sample(20);
  TBytes first(20), again(20);
  cipher.EncryptCBC(plain.data(), first.data(), plain.size());
  cipher.GetIV(vector);  // the vector stays while the register moves
  EXPECT_EQ(0, std::memcmp(vector, kVector, 8));
  cipher.Reset();
  cipher.EncryptCBC(plain.data(), again.data(), plain.size());
  EXPECT_EQ(first, again);
}

TEST(BlockCipherInit, BurnLeavesNothingUsable) {
  TToyCipher<8> cipher;
  cipher.Init(kKey, 64, kVector);
  cipher.Burn();
  EXPECT_FALSE(cipher.Initialized());
  EXPECT_EQ(cipher.keyBurns, 1);
  ExpectNotInitialized([&] { cipher.Reset(); }, "Reset after Burn");
}

TEST(BlockCipherInit, EveryKeyedOperationNeedsInit) {
  TToyCipher<8> cipher;
  TBytes in(16), out(16);
  std::uint8_t* o = out.data();
  const std::uint8_t* i = in.data();
  const std::pair<const char*, std::function<void()>> operations[] = {
      {"Reset", [&] { cipher.Reset(); }},
      {"SetIV", [&] { cipher.SetIV(i); }},
      {"GetIV", [&] { cipher.GetIV(o); }},
      {"Encrypt", [&] { cipher.Encrypt(i, o, 16); }},
      {"Decrypt", [&] { cipher.Decrypt(i, o, 16); }},
      {"EncryptCBC", [&] { cipher.EncryptCBC(i, o, 16); }},
      {"DecryptCBC", [&] { cipher.DecryptCBC(i, o, 16); }},
      {"EncryptCFB8bit", [&] { cipher.EncryptCFB8bit(i, o, 16); }},
      {"DecryptCFB8bit", [&] { cipher.DecryptCFB8bit(i, o, 16); }},
      {"EncryptCFBblock", [&] { cipher.EncryptCFBblock(i, o, 16); }},
      {"DecryptCFBblock", [&] { cipher.DecryptCFBblock(i, o, 16); }},
      {"EncryptOFB", [&] { cipher.EncryptOFB(i, o, 16); }},
      {"DecryptOFB", [&] { cipher.DecryptOFB(i, o, 16); }},
      {"EncryptCTR", [&] { cipher.EncryptCTR(i, o, 16); }},
      {"DecryptCTR", [&] { cipher.DecryptCTR(i, o, 16); }},
      {"empty CFB-8", [&] { cipher.DecryptCFB8bit(i, o, 0); }},
      {"EncryptString", [&] { cipher.EncryptString(std::u16string_view(u"x")); }},
      {"DecryptString of nothing", [&] { cipher.DecryptString(std::u16string_view()); }},
  };
  for (const auto& [name, operation] : operations) ExpectNotInitialized(operation, name);
}

// ---------------------------------------------------------------------------
// Modes

struct TModeCase {
  TCrypt_ciphermode mode;
  const char* name;
};
constexpr TModeCase kModes[] = {{cmCBC, "CBC"},
                                {cmCFB8bit, "CFB-8"},
                                {cmCFBblock, "CFB-block"},
                                {cmOFB, "OFB"},
                                {cmCTR, "CTR"}};

template <typename T>
class BlockModes : public testing::Test {};
using TToySizes = testing::Types<TToyCipher<8>, TToyCipher<16>>;
TYPED_TEST_SUITE(BlockModes, TToySizes);

TYPED_TEST(BlockModes, EveryModeRoundTripsAnyLengthInPlace) {
  for (const auto& m : kModes) {
    for (std::size_t size : {0u, 1u, 7u, 8u, 9u, 16u, 17u, 40u}) {
      TypeParam cipher;
      cipher.SetCipherMode(m.mode);
      cipher.Init(kKey, 64, kVector);
      const TBytes plain = Sample(size);
      TBytes data = plain;
      cipher.Encrypt(data.data(), data.data(), size);
      if (size >= 2) {
        EXPECT_NE(data, plain) << m.name << " " << size;
      }
      cipher.Reset();
      cipher.Decrypt(data.data(), data.data(), size);
      EXPECT_EQ(data, plain) << m.name << " " << size;
    }
  }
}

// The register carries over between calls: a text done in block-sized
// pieces is the text done at once.
TYPED_TEST(BlockModes, RegisterCarriesAcrossCalls) {
  constexpr std::size_t kBlock = TypeParam::kBlockBytes;
  const TBytes plain = Sample(5 * kBlock + 3);
  for (const auto& m : kModes) {
    TypeParam cipher;
    cipher.SetCipherMode(m.mode);
    cipher.Init(kKey, 64, kVector);
    TBytes whole(plain.size()), pieces(plain.size());
    cipher.Encrypt(plain.data(), whole.data(), plain.size());
    cipher.Reset();
    cipher.Encrypt(plain.data(), pieces.data(), kBlock);
    cipher.Encrypt(plain.data() + kBlock, pieces.data() + kBlock, 3 * kBlock);
    cipher.Encrypt(plain.data() + 4 * kBlock, pieces.data() + 4 * kBlock, kBlock + 3);
    EXPECT_EQ(whole, pieces) << m.name;
  }
}

// CFB-8 is a byte stream: any split gives the same bytes.
TYPED_TEST(BlockModes, Cfb8SplitsAnywhere) {
  const TBytes plain = Sample(29);
  TypeParam cipher;
  cipher.Init(kKey, 64, kVector);
  TBytes whole(plain.size()), pieces(plain.size());
  cipher.EncryptCFB8bit(plain.data(), whole.data(), plain.size());
  cipher.Reset();
  for (std::size_t at = 0, step = 1; at < plain.size(); at += step, ++step) {
    const std::size_t count = std::min(step, plain.size() - at);
    cipher.EncryptCFB8bit(plain.data() + at, pieces.data() + at, count);
  }
  EXPECT_EQ(whole, pieces);
}

// A damaged ciphertext byte spoils the plain byte it stands for and the
// block's worth of bytes that follow it, then CFB-8 recovers.
TYPED_TEST(BlockModes, Cfb8RecoversAfterOneRegisterLength) {
  constexpr std::size_t kBlock = TypeParam::kBlockBytes;
  const TBytes plain = Sample(3 * kBlock);
  TypeParam cipher;
  cipher.Init(kKey, 64, kVector);
  TBytes data = plain;
  cipher.EncryptCFB8bit(data.data(), data.data(), data.size());
  data[2] ^= 0x01;
  cipher.Reset();
  cipher.DecryptCFB8bit(data.data(), data.data(), data.size());
  EXPECT_EQ(data[2], plain[2] ^ 0x01);
  EXPECT_TRUE(std::equal(data.begin() + 3 + kBlock, data.end(), plain.begin() + 3 + kBlock));
  EXPECT_FALSE(std::equal(data.begin() + 3, data.begin() + 3 + kBlock, plain.begin() + 3));
}

TEST(BlockModes, DefaultModeIsCbc) {
  TToyCipher<8> cipher;
  EXPECT_EQ(cipher.CipherMode(), cmCBC);
}

// ---------------------------------------------------------------------------
// Strings

TEST(CipherStrings, Utf16FormDropsAnOddLastByte) {
  TToyCipher<8> cipher;
  cipher.Init(kKey, 64, kVector);
  const std::string text = cipher.EncryptString(std::string_view("AbCdE"));
  cipher.Reset();
  EXPECT_EQ(cipher.DecryptString(std::u16string(text.begin(), text.end())), u"\u6241\u6443");
}

TEST(CipherStrings, EightBitFormRoundTripsAnyBytes) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  TToyCipher<16> cipher;
  cipher.Init(kKey, 64, kVector);
  const std::string text = cipher.EncryptString(std::string_view(bytes));
  EXPECT_EQ(text.size(), 344u);
  cipher.Reset();
  EXPECT_EQ(cipher.DecryptString(std::string_view(text)), bytes);
}

TEST(CipherStrings, EmptyAndDamagedTexts) {
  TToyCipher<8> cipher;
  cipher.Init(kKey, 64, kVector);
  EXPECT_EQ(cipher.EncryptString(std::u16string_view()), u"");
  EXPECT_EQ(cipher.DecryptString(std::u16string_view()), u"");
  EXPECT_EQ(cipher.DecryptString(std::u16string_view(u"QQ")), u"");    // short of a group
  EXPECT_EQ(cipher.DecryptString(std::u16string_view(u"QQ==")), u"");  // one byte, dropped
  // "é" becomes a byte outside the alphabet; a code-page miss becomes "?".
  EXPECT_THROW(cipher.DecryptString(std::u16string_view(u"QUJD\u00E9AAA")), EConvertError);
  EXPECT_THROW(cipher.DecryptString(std::u16string_view(u"QUJD\u4E00AAA")), EConvertError);
}

}  // namespace
