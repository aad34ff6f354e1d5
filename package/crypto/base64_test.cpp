#include <gtest/gtest.h>

#include "package/crypto/Crypt.h"
#include "support/Errors.h"

namespace {

// RFC 4648 section 10.
struct TRfcVector {
  const char* bytes;
  const char* text;
};
constexpr TRfcVector kRfc4648[] = {
    {"", ""},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
};

TEST(Base64, Rfc4648VectorsBothWays) {
  for (const auto& v : kRfc4648) {
    EXPECT_EQ(Base64Encode(v.bytes), v.text);
    EXPECT_EQ(Base64Decode(v.text), v.bytes);
  }
}

TEST(Base64, EveryByteValueRoundTrips) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(255 - i));
  for (std::size_t length : {254u, 255u, 256u}) {
    const std::string part = bytes.substr(0, length);
    EXPECT_EQ(Base64Decode(Base64Encode(part)), part) << length;
  }
}

struct TDecodeCase {
  const char* name;
  const char* text;
  std::string bytes;
};

TEST(Base64, DecodesGroupWise) {
  const TDecodeCase cases[] = {
      {"fewer than four characters", "Zm8", ""},
      {"one to three trailing characters are ignored", "Zm9vYg", "foo"},
      {"trailing characters are not even checked", "Zm9v*!", "foo"},
      {"a pad mark does not end the text", "Zg==Zm8=Zm9v", "ffofoo"},
      {"third place pad gives one byte whatever the fourth holds", "Zg=A", "f"},
      {"high bits of the last sextet are dropped", "Zh==", "f"},
      {"all ones", "////", "\xFF\xFF\xFF"},
  };
  for (const auto& c : cases) EXPECT_EQ(Base64Decode(c.text), c.bytes) << c.name;
}

TEST(Base64, DamagedTextRaises) {
  const char* cases[] = {
      "Zm*v",            // outside the alphabet
      "Zm9v Zm9v",       // a space is no Base64
      "Zm9vZm9\n",       // nor a line break
      "=m9v",            // pad mark first
      "Z=9v",            // pad mark second
      "Zm9v\xC3\xA9Zm",  // a byte above 0x7F
  };
  for (const char* text : cases) {
    EXPECT_THROW(Base64Decode(text), EConvertError) << text;
  }
}

}  // namespace
