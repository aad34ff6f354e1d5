// MD5: its step constants against their formula, and the test suite of RFC 1321,
// appendix A.5.
#include <cmath>

#include "package/crypto/hash_testing.h"
#include "package/crypto/md5_sines.h"

namespace {

TEST(Md5, SineTableFollowsItsFormula) {
  for (std::size_t i = 0; i < md5::kSines.size(); ++i) {
    const double sine = std::fabs(std::sin(static_cast<double>(i + 1)));
    EXPECT_EQ(md5::kSines[i], static_cast<std::uint32_t>(std::floor(sine * 4294967296.0))) << i;
  }
}

TEST(Md5, KnownAnswers) {
  hash_testing::ExpectKnownAnswers<TCrypt_md5>({
      {"", 1, "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", 1, "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", 1, "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", 1, "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", 1, "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", 1,
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"1234567890", 8, "57edf4a22be3c955ac49da2e2107b67a"},
  });
}

}  // namespace
