// SHA-1 against the NIST examples for FIPS 180-4: "abc", the 448-bit and
// 896-bit messages and one million "a".
#include "package/crypto/hash_testing.h"

namespace {

TEST(Sha1, KnownAnswers) {
  hash_testing::ExpectKnownAnswers<TCrypt_sha1>({
      {"abc", 1, "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", 1,
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmn"
       "opqrsmnopqrstnopqrstu",
       1, "a49b2446a02c645bf419f995b67091253a04a259"},
      {"a", 1000000, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
      {"", 1, "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
  });
}

}  // namespace
