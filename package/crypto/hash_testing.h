// Helpers for the hash tests: digests as hex, and tables of published answers.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "package/crypto/Crypt.h"

namespace hash_testing {

inline std::string ToHex(const std::uint8_t* data, std::size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (std::size_t i = 0; i < size; ++i) {
    hex += kDigits[data[i] >> 4];
    hex += kDigits[data[i] & 15];
  }
  return hex;
}

// Final into a buffer larger than any digest; nothing past the digest may change.
inline std::string FinalHex(TCrypt_hash& hash) {
  constexpr std::uint8_t kUntouched = 0xA5;
  std::vector<std::uint8_t> buffer(80, kUntouched);
  const auto size = static_cast<std::size_t>(hash.GetHashSize() / 8);
  hash.Final(buffer.data());
  EXPECT_TRUE(std::all_of(buffer.begin() + size, buffer.end(), [](std::uint8_t b) {
    return b == kUntouched;
  })) << "Final wrote past the digest";
  return ToHex(buffer.data(), size);
}

template <class Hash>
std::string DigestHex(std::string_view message) {
  Hash hash;
  hash.Init();
  hash.Update(message.data(), message.size());
  return FinalHex(hash);
}

// A published message and its digest; the message is fed `repeat` times.
struct KnownAnswer {
  std::string_view message;
  std::size_t repeat;
  std::string_view digest;
};

template <class Hash>
void ExpectKnownAnswers(const std::vector<KnownAnswer>& answers) {
  for (const KnownAnswer& answer : answers) {
    SCOPED_TRACE(testing::Message()
                 << '"' << answer.message.substr(0, 24) << "\" x " << answer.repeat);
    Hash hash;
    hash.Init();
    for (std::size_t i = 0; i < answer.repeat; ++i) {
      hash.Update(answer.message.data(), answer.message.size());
    }
    EXPECT_EQ(FinalHex(hash), answer.digest);
  }
}

}  // namespace hash_testing
