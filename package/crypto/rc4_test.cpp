// RC4 against RFC 6229 and OpenSSL, and its life cycle: Init, Reset, Burn.
#include <functional>
#include <string>

#include "package/crypto/BlockCipherTesting.h"

namespace {

using block_testing::FromHex;
using block_testing::TBytes;

// The keystream is what enciphering zero bytes gives.
TBytes Keystream(TCrypt_rc4& c, std::size_t size) {
  TBytes zeros(size), stream(size);
  c.Encrypt(zeros.data(), stream.data(), size);
  return stream;
}

struct TStreamVector {
  const char* source;
  const char* key;
  const char* keystream;  // from its first byte
};

// RFC 6229 section 2, keys 0x0102..., keystream offsets 0 and 16.
constexpr TStreamVector kVectors[] = {
    {"RFC 6229, 40-bit key", "0102030405",
     "b2396305f03dc027ccc3524a0a1118a86982944f18fc82d589c403a47a0d0919"},
    {"RFC 6229, 56-bit key", "01020304050607",
     "293f02d47f37c9b633f2af5285feb46be620f1390d19bd84e2e0fd752031afc1"},
    {"RFC 6229, 64-bit key", "0102030405060708",
     "97ab8a1bf0afb96132f2f67258da15a88263efdb45c4a18684ef87e6b19e5b09"},
    {"RFC 6229, 80-bit key", "0102030405060708090a",
     "ede3b04643e586cc907dc2185170990203516ba78f413beb223aa5d4d2df6711"},
    {"RFC 6229, 128-bit key", "0102030405060708090a0b0c0d0e0f10",
     "9ac7cc9a609d1ef7b2932899cde41b975248c4959014126a6e8a84f11d1a9e1c"},
    {"RFC 6229, 192-bit key", "0102030405060708090a0b0c0d0e0f101112131415161718",
     "0595e57fe5f0bb3c706edac8a4b2db11dfde31344a1af769c74f070aee9e2326"},
    {"RFC 6229, 256-bit key", "0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20",
     "eaa6bd25880bf93d3f5d1e4ca2611d91cfa45c9f7e714b54bdfa80027cb14380"},
};

TEST(Rc4, KnownKeystreams) {
  for (const auto& v : kVectors) {
    const TBytes key = FromHex(v.key), expected = FromHex(v.keystream);
    TCrypt_rc4 c;
    c.Init(key.data(), static_cast<int>(key.size() * 8), nullptr);
    EXPECT_EQ(Keystream(c, expected.size()), expected) << v.source;
  }
}

// The largest key, 256 bytes 00 to ff, so that no key byte repeats in the schedule.
TEST(Rc4, LargestKey) {
  TBytes key(256);
  for (int i = 0; i < 256; ++i) key[i] = static_cast<std::uint8_t>(i);
  TCrypt_rc4 c;
  c.Init(key.data(), 2048, nullptr);
  // OpenSSL 3.0 (libcrypto EVP, RC4 with a 256-byte key length).
  EXPECT_EQ(Keystream(c, 32),
            FromHex("5e2eb7b20d86864f73d39dd95c5a1525d51905d9a65aa2d297908146cdbd4883"));
}

TEST(Rc4, ResetRestartsTheKeystreamAndInitReplacesTheKey) {
  const TBytes key40 = FromHex("0102030405"), key64 = FromHex("0102030405060708");
  TCrypt_rc4 c;
  c.Init(key40.data(), 40, nullptr);
  const TBytes first = Keystream(c, 16);
  EXPECT_NE(Keystream(c, 16), first);  // the stream moves on ...
  c.Reset();
  EXPECT_EQ(Keystream(c, 16), first);  // ... and Reset takes it back to the start
  c.Init(key64.data(), 64, nullptr);
  EXPECT_EQ(Keystream(c, 16), FromHex("97ab8a1bf0afb96132f2f67258da15a8"));
}

// Split calls continue one keystream; deciphering is the same XOR.
TEST(Rc4, EncryptAndDecryptContinueTheStream) {
  const TBytes key = FromHex("0102030405");
  const std::string text = "RC4 enciphers any length of data";
  TCrypt_rc4 c;
  c.Init(key.data(), 40, nullptr);
  std::string cipher(text.size(), '\0');
  c.Encrypt(text.data(), cipher.data(), 5);
  c.Encrypt(text.data() + 5, cipher.data() + 5, text.size() - 5);
  c.Reset();
  const TBytes stream = Keystream(c, text.size());
  for (std::size_t i = 0; i < text.size(); ++i)
    ASSERT_EQ(static_cast<std::uint8_t>(cipher[i]), static_cast<std::uint8_t>(text[i]) ^ stream[i])
        << i;
  c.Reset();
  std::string plain(text.size(), '\0');
  c.Decrypt(cipher.data(), plain.data(), cipher.size());
  EXPECT_EQ(plain, text);
}

// The string operations XOR with the keystream from its first byte.
TEST(Rc4, StringOperationsUseTheKeystreamFromItsStart) {
  const TBytes key = FromHex("0102030405");
  const TBytes stream = FromHex("b2396305f03dc027ccc3524a0a1118a8");
  TCrypt_rc4 c;
  c.Init(key.data(), 40, nullptr);
  EXPECT_EQ(c.EncryptString(std::string(16, '\0')),
            Base64Encode(std::string(stream.begin(), stream.end())));
  c.Reset();
  const std::u16string encrypted = c.EncryptString(std::u16string(u"Tessera"));
  c.Reset();
  EXPECT_EQ(c.DecryptString(encrypted), u"Tessera");
}

void ExpectCipherError(const std::function<void()>& call, const std::u16string& message) {
  try {
    call();
    ADD_FAILURE() << "no error";
  } catch (const ECrypt_blockcipher&) {
    ADD_FAILURE() << "a stream cipher raises ECrypt_cipher itself";
  } catch (const ECrypt_cipher& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

TEST(Rc4, OperationsNeedAKey) {
  const TBytes key = FromHex("0102030405");
  std::uint8_t data[4] = {};
  TCrypt_rc4 c;
  const std::function<void()> calls[] = {
      [&] { c.Encrypt(data, data, sizeof data); },
      [&] { c.Decrypt(data, data, sizeof data); },
      [&] { c.DecryptString(std::u16string(u"AAAA")); },
  };
  for (const auto& call : calls) ExpectCipherError(call, u"Cipher not initialized");
  c.Init(key.data(), 40, nullptr);
  c.Burn();
  EXPECT_FALSE(c.Initialized());
  for (const auto& call : calls) ExpectCipherError(call, u"Cipher not initialized");
}

// 0 and 10 bits break the size rule and 2052 is over the maximum; a refused
// Init leaves no key behind, even on an initialised object.
TEST(Rc4, RefusesInvalidKeySizes) {
  const TBytes key(260, 1);
  for (const int size : {0, 10, 2052}) {
    TCrypt_rc4 c;
    c.Init(key.data(), 40, nullptr);
    ExpectCipherError([&] { c.Init(key.data(), size, nullptr); }, u"Invalid key size");
    EXPECT_FALSE(c.Initialized()) << size;
  }
}

// A size between whole bytes keys with its whole bytes; 4 bits hold none and
// key as one zero byte, rather than scheduling over an empty key.
TEST(Rc4, SizesBetweenWholeBytes) {
  const TBytes key = FromHex("0102030405ff"), zero = FromHex("00");
  const auto stream = [](const TBytes& bytes, int bits) {
    TCrypt_rc4 c;
    c.Init(bytes.data(), bits, nullptr);
    return Keystream(c, 16);
  };
  EXPECT_EQ(stream(key, 44), FromHex("b2396305f03dc027ccc3524a0a1118a8"));
  EXPECT_EQ(stream(key, 4), stream(zero, 8));
}

}  // namespace
