// Twofish against the known answers of its designers' paper.
#include "package/crypto/BlockCipherTesting.h"

namespace {

using block_testing::EncryptBlock;
using block_testing::FromHex;
using block_testing::Hex;
using block_testing::TBytes;

// "Twofish: A 128-Bit Block Cipher" (Schneier et al.), appendix A.
TEST(Twofish, KnownAnswers) {
  block_testing::ExpectKnownAnswers<TCrypt_twofish>({
      {"00000000000000000000000000000000", "00000000000000000000000000000000",
       "9f589f5cf6122c32b6bfec2f2ae8c35a"},
      {"0123456789abcdeffedcba98765432100011223344556677", "00000000000000000000000000000000",
       "cfd1d2e5a9be9cdf501f13b892bd2248"},
      {"0123456789abcdeffedcba987654321000112233445566778899aabbccddeeff",
       "00000000000000000000000000000000", "37527be0052334b89f0cfccae87cfa20"},
  });
}

// The paper's "I=" chains: from a zero key and block, each step's block is the
// last ciphertext and its key the last block followed by the last key, cut to
// length. Steps 1 to 3 and 49 are checked; every step is deciphered back.
struct TChain {
  int bits;
  const char* first[3];
  const char* last;
};

constexpr TChain kChains[] = {
    {128,
     {"9f589f5cf6122c32b6bfec2f2ae8c35a", "d491db16e7b1c39e86cb086b789f5419",
      "019f9809de1711858faac3a3ba20fbc3"},
     "5d9d4eeffa9151575524f115815a12e0"},
    {192,
     {"efa71f788965bd4453f860178fc19101", "88b2b2706b105e36b446bb6d731a1e88",
      "39da69d6ba4997d585b6dc073ca341b2"},
     "e75449212beef9f4a390bd860a640941"},
    {256,
     {"57ff739d4dc92c1bd7fc01700cc8216f", "d43bb7556ea32e46f2a282b7d45b4e0d",
      "90afe91bb288544f2c32dc239b2635e6"},
     "37fe26ff1cf66175f5ddf4c33b97a205"},
};

TEST(Twofish, PaperChains) {
  for (const auto& chain : kChains) {
    TBytes key(static_cast<std::size_t>(chain.bits / 8)), plain(16), cipher(16), back(16);
    for (int step = 1; step <= 49; ++step) {
      TCrypt_twofish c;
      c.Init(key.data(), chain.bits, nullptr);
      c.EncryptECB(plain.data(), cipher.data());
      c.DecryptECB(cipher.data(), back.data());
      ASSERT_EQ(back, plain) << chain.bits << " bits, step " << step;
      if (step <= 3) {
        EXPECT_EQ(Hex(cipher), chain.first[step - 1]) << chain.bits << " bits, step " << step;
      }
      key.insert(key.begin(), plain.begin(), plain.end());
      key.resize(static_cast<std::size_t>(chain.bits / 8));
      plain = cipher;
    }
    EXPECT_EQ(Hex(cipher), chain.last) << chain.bits << " bits";
  }
}

// A key between the three lengths is zero padded to the next one, as a 160-bit
// SHA-1 digest is: it must encipher as the 192-bit key that padding gives.
TEST(Twofish, ShortKeyRunsAsZeroPaddedKey) {
  const TBytes plain = FromHex("0123456789abcdeffedcba9876543210");
  EXPECT_EQ(Hex(EncryptBlock<TCrypt_twofish>(FromHex("a9993e364706816aba3e25717850c26c9cd0d89d"),
                                             160, plain)),
            Hex(EncryptBlock<TCrypt_twofish>(
                FromHex("a9993e364706816aba3e25717850c26c9cd0d89d00000000"), 192, plain)));
}

TEST(Twofish, EcbNeedsKey) { block_testing::ExpectKeyRequired<TCrypt_twofish>(); }

}  // namespace
