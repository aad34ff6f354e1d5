// What every hash class must do alike: any split of the input gives the same
// digest, Init starts afresh, and Update and Final need an initialised object.
#include <string>
#include <vector>

#include "package/crypto/hash_testing.h"

namespace {

using hash_testing::DigestHex;
using hash_testing::FinalHex;

template <class Hash>
class HashClass : public testing::Test {};

using HashClasses =
    testing::Types<TCrypt_haval, TCrypt_md5, TCrypt_sha1, TCrypt_sha256, TCrypt_sha512>;
TYPED_TEST_SUITE(HashClass, HashClasses);

// Three of the largest blocks and a part, in bytes that are not all alike.
std::string Message() {
  std::string message(3 * 128 + 41, '\0');
  for (std::size_t i = 0; i < message.size(); ++i) message[i] = static_cast<char>(i * 131 + 7);
  return message;
}

TYPED_TEST(HashClass, AnySplitOfTheInputGivesTheSameDigest) {
  const std::string message = Message();
  const std::string whole = DigestHex<TypeParam>(message);
  // Around the 64- and 128-byte blocks and the places where the pads begin.
  for (const std::size_t chunk :
       {1, 3, 55, 56, 57, 63, 64, 65, 111, 112, 113, 117, 118, 119, 127, 128, 129, 200}) {
    SCOPED_TRACE(chunk);
    TypeParam hash;
    hash.Init();
    for (std::size_t at = 0; at < message.size(); at += chunk) {
      hash.Update(message.data() + at, std::min(chunk, message.size() - at));
      hash.Update(nullptr, 0);
    }
    EXPECT_EQ(FinalHex(hash), whole);
  }
}

TYPED_TEST(HashClass, InitForgetsEarlierInput) {
  const std::string expected = DigestHex<TypeParam>("abc");
  const std::string message = Message();
  TypeParam hash;
  hash.Init();
  hash.Update(message.data(), 200);  // whole blocks compressed and a part held back
  hash.Init();
  hash.Update("abc", 3);
  EXPECT_EQ(FinalHex(hash), expected);
  hash.Init();
  hash.Update("abc", 3);
  EXPECT_EQ(FinalHex(hash), expected) << "after Final";
}

template <class Call>
void ExpectNotInitialized(Call call) {
  try {
    call();
    ADD_FAILURE() << "no error";
  } catch (const ECrypt_hash& e) {
    EXPECT_EQ(e.Message(), u"Hash not initialized");
  }
}

TYPED_TEST(HashClass, UpdateAndFinalNeedInit) {
  TypeParam hash;
  std::uint8_t digest[64] = {};
  const auto expectRefused = [&](const char* when) {
    SCOPED_TRACE(when);
    EXPECT_FALSE(hash.Initialized());
    ExpectNotInitialized([&] { hash.Update("x", 1); });
    ExpectNotInitialized([&] { hash.Final(digest); });
  };
  expectRefused("before Init");
  hash.Init();
  EXPECT_TRUE(hash.Initialized());
  hash.Update("x", 1);
  hash.Final(digest);
  expectRefused("after Final");
  hash.Init();
  hash.Burn();
  expectRefused("after Burn");
}

// The key derivation hashes UTF-16 salt and pass phrase this way.
TEST(HashUpdateStr, FeedsEachUtf16UnitLowByteFirst) {
  struct Case {
    std::u16string text;
    std::vector<std::uint8_t> bytes;
  };
  const Case cases[] = {
      {u"", {}},
      {u"Salt1234", {'S', 0, 'a', 0, 'l', 0, 't', 0, '1', 0, '2', 0, '3', 0, '4', 0}},
      // Latin-1, a BMP character and a surrogate pair: each unit as it is.
      {u"\u00e9\u20ac\U0001F600", {0xE9, 0x00, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes.size());
    TCrypt_sha256 hash;
    hash.Init();
    hash.UpdateStr(c.text);
    EXPECT_EQ(FinalHex(hash), DigestHex<TCrypt_sha256>(
                                  {reinterpret_cast<const char*>(c.bytes.data()), c.bytes.size()}));
  }
}

}  // namespace
