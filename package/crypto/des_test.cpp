// DES and Triple DES against published known answers and OpenSSL's results.
#include "package/crypto/BlockCipherTesting.h"

namespace {

using block_testing::ExpectKnownAnswers;

TEST(Des, KnownAnswers) {
  ExpectKnownAnswers<TCrypt_des>({
      // FIPS 81 appendix B, the ECB example "Now is the time for all ".
      {"0123456789abcdef", "4e6f772069732074", "3fa40e8a984d4815"},
      {"0123456789abcdef", "68652074696d6520", "6a271787ab8883f9"},
      {"0123456789abcdef", "666f7220616c6c20", "893d51ec4b563b53"},
      // NIST SP 800-17 table 1 (variable plaintext) and table 2 (variable key).
      {"0101010101010101", "8000000000000000", "95f8a5e5dd31d900"},
      {"0101010101010101", "4000000000000000", "dd7f121ca5015619"},
      {"8001010101010101", "0000000000000000", "95a8d72813daa94d"},
      {"4001010101010101", "0000000000000000", "0eec1487dd8c26d5"},
      // NIST SP 800-17 table 4, the substitution table test.
      {"7ca110454a1a6e57", "01a1d6d039776742", "690f5b0d9a26939b"},
      {"0131d9619dc1376e", "5cd54ca83def57da", "7a389d10354bd271"},
      {"07a1133e4a0b2686", "0248d43806f67172", "868ebb51cab4599a"},
      {"3849674c2602319e", "51454b582ddf440a", "7178876e01f19b2a"},
      {"04b915ba43feb5b6", "42fd443059577fa2", "af37fb421f8c4095"},
      {"0113b970fd34f2ce", "059b5e0851cf143a", "86a560f10ec6d85b"},
      {"0170f175468fb5e6", "0756d8e0774761d2", "0cd3da020021dc09"},
      {"43297fad38e373fe", "762514b829bf486a", "ea676b2cb7db2b7a"},
      {"07a7137045da2a16", "3bdd119049372802", "dfd64a815caf1a0f"},
      {"04689104c2fd3b2f", "26955f6835af609a", "5c513c9c4886c088"},
      {"37d06bb516cb7546", "164d5e404f275232", "0a2aeeae3ff4ab77"},
      {"1f08260d1ac2465e", "6b056e18759f5cca", "ef1bf03e5dfa575a"},
      {"584023641aba6176", "004bd6ef09176062", "88bf0db6d70dee56"},
      {"025816164629b007", "480d39006ee762f2", "a1f9915541020b56"},
      {"49793ebc79b3258f", "437540c8698f3cfa", "6fbf1cafcffd0556"},
      {"4fb05e1515ab73a7", "072d43a077075292", "2f22e49bab7ca1ac"},
      {"49e95d6d4ca229bf", "02fe55778117f12a", "5a6b612cc26cce4a"},
      {"018310dc409b26d6", "1d9d5c5018f728c2", "5f4c038ed12b2e41"},
      {"1c587f1c13924fef", "305532286d6f295a", "63fac0d034d9f793"},
      // The textbook walk-through of the DES key schedule.
      {"133457799bbcdff1", "0123456789abcdef", "85e813540f0ab405"},
      // Parity bits take no part: the FIPS 81 key with every low bit cleared.
      {"0022446688aaccee", "4e6f772069732074", "3fa40e8a984d4815"},
      // A short key is zero padded: OpenSSL 3.0 des-ecb with key 0102030405000000.
      {"0102030405", "0123456789abcdef", "3e588c0bde099c8b"},
      {"0102030405", "fedcba9876543210", "9d88ea9c489150a3"},
  });
}

TEST(TripleDes, KnownAnswers) {
  ExpectKnownAnswers<TCrypt_3des>({
      // NIST SP 800-67 example, "The qufck brown fox jump".
      {"0123456789abcdef23456789abcdef01456789abcdef0123", "5468652071756663", "a826fd8ce53b855f"},
      {"0123456789abcdef23456789abcdef01456789abcdef0123", "6b2062726f776e20", "cce21c8112256fe6"},
      {"0123456789abcdef23456789abcdef01456789abcdef0123", "666f78206a756d70", "68d5c05dd9b6b900"},
      // Encrypt-decrypt-encrypt under three equal keys is DES: the FIPS 81 example.
      {"0123456789abcdef0123456789abcdef0123456789abcdef", "4e6f772069732074", "3fa40e8a984d4815"},
      // OpenSSL 3.0 des-ede3-ecb with key SHA-256("abc") bytes 0 to 23.
      {"ba7816bf8f01cfea414140de5dae2223b00361a396177a9c", "0123456789abcdef", "ca9397566ed909a0"},
      {"ba7816bf8f01cfea414140de5dae2223b00361a396177a9c", "fedcba9876543210", "1735c6ecb8f275ca"},
      // 128 bits, MD5("abc"): K3 is K1. OpenSSL 3.0 des-ede3-ecb with the key
      // followed by its first 8 bytes (two-key des-ede-ecb gives the same).
      {"900150983cd24fb0d6963f7d28e17f72", "0123456789abcdef", "31a0fe9db08d6545"},
      {"900150983cd24fb0d6963f7d28e17f72", "fedcba9876543210", "0ce176c7e8e04e0c"},
      // 160 bits, SHA-1("abc"): K3 is key bytes 16 to 19 and four zero bytes.
      // OpenSSL 3.0 des-ede3-ecb with the key followed by 00000000.
      {"a9993e364706816aba3e25717850c26c9cd0d89d", "0123456789abcdef", "3a24bc496aa50ad8"},
      {"a9993e364706816aba3e25717850c26c9cd0d89d", "fedcba9876543210", "6a03f8c78f9f87a1"},
  });
}

TEST(TripleDes, EcbNeedsKey) { block_testing::ExpectKeyRequired<TCrypt_3des>(); }

TEST(Des, EcbNeedsKey) { block_testing::ExpectKeyRequired<TCrypt_des>(); }

}  // namespace
