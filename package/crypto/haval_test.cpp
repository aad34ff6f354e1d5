// HAVAL with 5 passes and a 256-bit digest against the test vectors that
// Zheng, Pieprzyk and Seberry publish with their reference code.
#include "package/crypto/hash_testing.h"

namespace {

TEST(Haval, KnownAnswers) {
  hash_testing::ExpectKnownAnswers<TCrypt_haval>({
      {"", 1, "be417bb4dd5cfb76c7126f4f8eeb1553a449039307b1a3cd451dbfdc0fbbe330"},
      {"a", 1, "de8fd5ee72a5e4265af0a756f4e1a1f65c9b2b2f47cf17ecf0d1b88679a3e22f"},
      {"HAVAL", 1, "153d2c81cd3c24249ab7cd476934287af845af37f53f51f5c7e2be99ba28443f"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", 1,
       "b45cb6e62f2b1320e4f8f1b0b273d45add47c321fd23999dcf403ac37636d963"},
  });
}

}  // namespace
