// CAST-256 against the test vectors of RFC 2612, appendix B. The 128- and
// 192-bit keys go through Init at those sizes, so the zero padding to 32 bytes
// is what makes them pass.
#include "package/crypto/BlockCipherTesting.h"

namespace {

TEST(Cast256, KnownAnswers) {
  block_testing::ExpectKnownAnswers<TCrypt_cast256>({
      {"2342bb9efa38542c0af75647f29f615d", "00000000000000000000000000000000",
       "c842a08972b43d20836c91d1b7530f6b"},
      {"2342bb9efa38542cbed0ac83940ac298bac77a7717942863", "00000000000000000000000000000000",
       "1b386c0210dcadcbdd0e41aa08a7a7e8"},
      {"2342bb9efa38542cbed0ac83940ac2988d7c47ce264908461cc1b5137ae6b604",
       "00000000000000000000000000000000", "4f6a2038286897b9c9870136553317fa"},
  });
}

TEST(Cast256, EcbNeedsKey) { block_testing::ExpectKeyRequired<TCrypt_cast256>(); }

}  // namespace
