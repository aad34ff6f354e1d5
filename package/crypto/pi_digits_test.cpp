// The shared digits of pi: the leading words as published with Blowfish, and
// every shorter request a prefix of the longest.
#include "package/crypto/pi_digits.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(PiDigits, LeadingWords) {
  const auto words = pi_digits::FractionWords(6);
  ASSERT_EQ(words.size(), 6u);
  EXPECT_EQ(words[0], 0x243F6A88u);
  EXPECT_EQ(words[1], 0x85A308D3u);
  EXPECT_EQ(words[2], 0x13198A2Eu);
  EXPECT_EQ(words[3], 0x03707344u);
  EXPECT_EQ(words[4], 0xA4093822u);
  EXPECT_EQ(words[5], 0x299F31D0u);
}

TEST(PiDigits, LastBlowfishWord) {
  // The last entry of Blowfish's fourth S-box.
  const auto words = pi_digits::FractionWords(pi_digits::kMaxWords);
  ASSERT_EQ(words.size(), pi_digits::kMaxWords);
  EXPECT_EQ(words.back(), 0x3AC372E6u);
}

TEST(PiDigits, ShorterRequestsArePrefixes) {
  const auto all = pi_digits::FractionWords(pi_digits::kMaxWords);
  const auto some = pi_digits::FractionWords(136);
  ASSERT_EQ(some.size(), 136u);
  EXPECT_EQ(some.data(), all.data());
  EXPECT_TRUE(pi_digits::FractionWords(0).empty());
}

TEST(PiDigits, RefusesMoreThanKept) {
  EXPECT_THROW(pi_digits::FractionWords(pi_digits::kMaxWords + 1), std::length_error);
}

}  // namespace
