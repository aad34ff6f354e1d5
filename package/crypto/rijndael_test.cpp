// AES against published known answers and OpenSSL's results.
#include "package/crypto/BlockCipherTesting.h"

namespace {

TEST(Rijndael, KnownAnswers) {
  block_testing::ExpectKnownAnswers<TCrypt_rijndael>({
      // FIPS-197 appendix B.
      {"2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734",
       "3925841d02dc09fbdc118597196a0b32"},
      // FIPS-197 appendix C.1 (AES-128), C.2 (AES-192), C.3 (AES-256).
      {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
       "69c4e0d86a7b0430d8cdb78070b4c55a"},
      {"000102030405060708090a0b0c0d0e0f1011121314151617", "00112233445566778899aabbccddeeff",
       "dda97ca4864cdfe06eaf70a0ec0d7191"},
      {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
       "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089"},
      // NIST SP 800-38A F.1.1 (ECB-AES128) and the first block of F.1.5 (ECB-AES256).
      {"2b7e151628aed2a6abf7158809cf4f3c", "6bc1bee22e409f96e93d7e117393172a",
       "3ad77bb40d7a3660a89ecaf32466ef97"},
      {"2b7e151628aed2a6abf7158809cf4f3c", "ae2d8a571e03ac9c9eb76fac45af8e51",
       "f5d3d58503b9699de785895a96fdbaaf"},
      {"2b7e151628aed2a6abf7158809cf4f3c", "30c81c46a35ce411e5fbc1191a0a52ef",
       "43b1cd7f598ece23881b00e3ed030688"},
      {"2b7e151628aed2a6abf7158809cf4f3c", "f69f2445df4f9b17ad2b417be66c3710",
       "7b0c785e27e8ad3f8223207104725dd4"},
      {"603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4",
       "6bc1bee22e409f96e93d7e117393172a", "f3eed1bdb5d2a03c064b5a7e3db181f8"},
      // 160 bits, as a SHA-1 digest gives them, run as AES-192 with four zero
      // bytes appended: OpenSSL 3.0 aes-192-ecb, key SHA-1("abc") + 00000000.
      {"a9993e364706816aba3e25717850c26c9cd0d89d", "0123456789abcdeffedcba9876543210",
       "2a49de7c7ed619d4912b9e1f70a99ec6"},
  });
}

TEST(Rijndael, EcbNeedsKey) { block_testing::ExpectKeyRequired<TCrypt_rijndael>(); }

}  // namespace
