// Helpers for the block-cipher tests: byte strings from hex, and tables of
// published answers run through Init and the ECB operations.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "package/crypto/Crypt.h"

namespace block_testing {

using TBytes = std::vector<std::uint8_t>;

inline TBytes FromHex(std::string_view hex) {
  const auto nibble = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    ADD_FAILURE() << "not a hex digit: " << c;
    return 0;
  };
  TBytes bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(nibble(hex[i]) << 4 | nibble(hex[i + 1])));
  }
  return bytes;
}

inline std::string Hex(const TBytes& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const std::uint8_t b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 15];
  }
  return hex;
}

// A key, one plain block and its cipher block, as hex; the key size is that
// of the hex unless keyBits says otherwise.
struct KnownAnswer {
  std::string_view key, plain, cipher;
  int keyBits = 0;
};

template <class Cipher>
TBytes EncryptBlock(const TBytes& key, int keyBits, const TBytes& plain) {
  Cipher cipher;
  cipher.Init(key.data(), keyBits, nullptr);
  TBytes out(plain.size());
  cipher.EncryptECB(plain.data(), out.data());
  return out;
}

// Each answer: EncryptECB gives the cipher block and DecryptECB gives the
// plain block back.
template <class Cipher>
void ExpectKnownAnswers(const std::vector<KnownAnswer>& answers) {
  for (const KnownAnswer& answer : answers) {
    SCOPED_TRACE(testing::Message() << "key " << answer.key << ", plain " << answer.plain);
    const TBytes key = FromHex(answer.key);
    const TBytes plain = FromHex(answer.plain);
    const TBytes expected = FromHex(answer.cipher);
    const int bits = answer.keyBits ? answer.keyBits : static_cast<int>(key.size() * 8);
    Cipher cipher;
    ASSERT_EQ(static_cast<std::size_t>(cipher.GetBlockSize() / 8), plain.size());
    cipher.Init(key.data(), bits, nullptr);
    TBytes out(plain.size());
    cipher.EncryptECB(plain.data(), out.data());
    EXPECT_EQ(Hex(out), Hex(expected));
    cipher.DecryptECB(expected.data(), out.data());
    EXPECT_EQ(Hex(out), Hex(plain));
  }
}

// The ECB operations need a key: before Init and again after Burn they
// raise "Cipher not initialized" and leave the output alone.
template <class Cipher>
void ExpectKeyRequired() {
  Cipher cipher;
  const std::uint8_t in[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  const auto expectRefused = [&](const char* when) {
    SCOPED_TRACE(when);
    for (const bool decrypt : {false, true}) {
      std::uint8_t out[16] = {};
      try {
        decrypt ? cipher.DecryptECB(in, out) : cipher.EncryptECB(in, out);
        ADD_FAILURE() << "no error";
      } catch (const ECrypt_blockcipher& e) {
        EXPECT_EQ(e.Message(), u"Cipher not initialized");
      }
      EXPECT_EQ(Hex(TBytes(out, out + 16)), std::string(32, '0'));
    }
  };
  expectRefused("before Init");
  // 128 bits, or the most the cipher takes when that is less (DES).
  const std::uint8_t key[16] = {0x2B, 0x7E, 0x15, 0x16};
  cipher.Init(key, std::min(128, cipher.GetMaxKeySize()), nullptr);
  std::uint8_t out[16];
  cipher.EncryptECB(in, out);
  cipher.Burn();
  expectRefused("after Burn");
}

}  // namespace block_testing
