#include <gtest/gtest.h>

#include <algorithm>
#include <typeinfo>

#include "package/Package.h"
#include "support/Errors.h"
#include "support/Text.h"

namespace {

const std::u16string kPlain = u"Tessera.exe\t4.25\r\n\u00DCber \u20AC \U0001F600";

// The key lengths that each cipher (rows, by selector) takes from each hash
// (columns), and the block sizes in bytes (0: the stream cipher).
constexpr int kKeyBits[9][5] = {
    {256, 128, 160, 256, 448}, {128, 128, 128, 128, 128}, {256, 128, 160, 256, 256},
    {64, 64, 64, 64, 64},      {192, 128, 160, 192, 192}, {256, 128, 160, 256, 256},
    {256, 128, 160, 256, 512}, {256, 128, 160, 256, 256}, {128, 128, 128, 128, 128},
};
constexpr std::size_t kBlockBytes[9] = {8, 8, 16, 8, 8, 16, 0, 16, 8};

std::string Ascii(std::u16string_view text) { return std::string(text.begin(), text.end()); }

std::string Utf16leBytes(std::u16string_view text) {
  std::string bytes;
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

// Deciphers a cipher string step by step from its layout alone, without
// DecryptCipherString: hash the salt's units as little-endian pairs (and the
// pass phrase's), key with the tabled length, take the vector's characters as
// bytes and run CFB-8 (or RC4) over the Base64 body.
std::u16string DecipherByHand(std::u16string_view text, std::u16string_view passPhrase) {
  const int c = text[3] - text[8];
  const int h = text[4] - text[9];
  const std::string hashInput = Utf16leBytes(text.substr(0, 8)) + Utf16leBytes(passPhrase);
  const auto hash = CreateHash(h);
  std::string digest(static_cast<std::size_t>(hash->GetHashSize() / 8), '\0');
  hash->Init();
  hash->Update(hashInput.data(), hashInput.size());
  hash->Final(reinterpret_cast<std::uint8_t*>(digest.data()));

  const std::size_t blockBytes = kBlockBytes[c];
  const std::string vector = Ascii(text.substr(10, blockBytes));
  std::string bytes = Base64Decode(Ascii(text.substr(10 + blockBytes)));
  const auto cipher = CreateCipher(c);
  cipher->Init(digest.data(), kKeyBits[c][h], blockBytes ? vector.data() : nullptr);
  if (auto* block = dynamic_cast<TCrypt_blockcipher*>(cipher.get())) {
    block->DecryptCFB8bit(bytes.data(), bytes.data(), bytes.size());
  } else {
    cipher->Decrypt(bytes.data(), bytes.data(), bytes.size());
  }
  std::u16string plain;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    plain.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return plain;
}

// ---------------------------------------------------------------------------
// Selectors

TEST(CipherStringSelectors, CreateTheNamedClasses) {
  const std::type_info* hashes[] = {&typeid(TCrypt_haval), &typeid(TCrypt_md5),
                                    &typeid(TCrypt_sha1), &typeid(TCrypt_sha256),
                                    &typeid(TCrypt_sha512)};
  const std::type_info* ciphers[] = {
      &typeid(TCrypt_blowfish), &typeid(TCrypt_cast128), &typeid(TCrypt_cast256),
      &typeid(TCrypt_des),      &typeid(TCrypt_3des),    &typeid(TCrypt_rijndael),
      &typeid(TCrypt_rc4),      &typeid(TCrypt_twofish), &typeid(TCrypt_idea)};
  for (int h = 0; h < 5; ++h) {
    const auto hash = CreateHash(h);
    const TCrypt_hash& object = *hash;
    EXPECT_EQ(typeid(object), *hashes[h]) << h;
    EXPECT_FALSE(object.Initialized());
  }
  for (int c = 0; c < 9; ++c) {
    const auto cipher = CreateCipher(c);
    const TCrypt_cipher& object = *cipher;
    EXPECT_EQ(typeid(object), *ciphers[c]) << c;
    EXPECT_FALSE(object.Initialized());
  }
  EXPECT_THROW(CreateHash(5), EListError);
  EXPECT_THROW(CreateCipher(-1), EListError);
}

// ---------------------------------------------------------------------------
// Round trips of every cipher with every hash

class CipherStringRoundTrip : public testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(CipherStringRoundTrip, EncipherThenDecipher) {
  const auto [c, h] = GetParam();
  const std::u16string salt = u"(Salt)42";
  const std::size_t blockBytes = kBlockBytes[c];
  const std::u16string vector = std::u16string(u"0123456789ABCDEF").substr(0, blockBytes);
  for (const std::u16string passPhrase : {u"", u"Brindle \u00E9\U0001F600"}) {
    const std::u16string text = EncryptCipherString(kPlain, passPhrase, c, h, salt, vector);
    ASSERT_GT(text.size(), 10 + blockBytes);
    EXPECT_EQ(text.substr(0, 8), salt);
    EXPECT_EQ(text[3] - text[8], c);
    EXPECT_EQ(text[4] - text[9], h);
    EXPECT_EQ(text.substr(10, blockBytes), vector);
    for (const char16_t unit : text) EXPECT_TRUE(unit >= 0x20 && unit <= 0x7E) << int(unit);

    EXPECT_EQ(DecryptCipherString(text, passPhrase), kPlain);
    EXPECT_EQ(DecipherByHand(text, passPhrase), kPlain);

    const std::u16string wrong = DecryptCipherString(text, passPhrase + u"x");
    EXPECT_EQ(wrong.size(), kPlain.size());
    EXPECT_NE(wrong, kPlain);
  }
}

INSTANTIATE_TEST_SUITE_P(AllPairs, CipherStringRoundTrip,
                         testing::Combine(testing::Range(0, 9), testing::Range(0, 5)),
                         [](const auto& info) {
                           return "cipher" + std::to_string(std::get<0>(info.param)) + "_hash" +
                                  std::to_string(std::get<1>(info.param));
                         });

// ---------------------------------------------------------------------------
// Known cipher strings

struct TKnownString {
  const char* origin;
  const char16_t* text;
  const char16_t* passPhrase;
  const char16_t* salt;
  const char16_t* vector;
};

// The first group was built without this code: the key with Python's hashlib
// over the UTF-16LE salt and pass phrase, the body with OpenSSL 3.0 (Debian),
// openssl enc -aes-256-cfb8 / -aes-192-cfb8 / -des-cfb8 / -des-ede3-cfb8 /
// -rc4 -K KEY -iv VECTOR over the UTF-16LE plain text. The second group was
// built once by EncryptCipherString and is checked by DecipherByHand.
const TKnownString kKnown[] = {
    {"AES-256, SHA-256",
     u"Sa1tK3y!oH0123456789abcdefM79qvGz+d/7tLS95dnt+qNj+m/Vn5+2I65tA5PBd860enA8+VbmDlvwgixYns/"
     u"fUvhqyc91V",
     u"", u"Sa1tK3y!", u"0123456789abcdef"},
    {"AES-192 from a 160-bit key, SHA-1, pass phrase",
     u"Pepper#9kcIV for "
     u"AES-192..JY/V+fWwCT4aktDEiSkypJoQyOs5l7ivHqvqMpOzSzDT0deDrmo/AWh/h2kxQdq6Gnhn7dSG",
     u"Brindle", u"Pepper#9", u"IV for AES-192.."},
    {"DES, MD5",
     u"d3s-salt*r8 chars!xX3U4HHwk+sFkdGNEx3jiyFm8UqjjxT0NycEibzKWqVChnDCeqUIAulkVspq05F5si4lHYPD",
     u"", u"d3s-salt", u"8 chars!"},
    {"Triple DES, K3 from bytes 16 to 19, SHA-1",
     u"TripleK3ljvec 3desesnMBrgumPeRfgs/8iIW7maPt9GxoW2z8tso2yy+2c+zVpTDIvzSpl1rtG14/H7dq8hQ0y97",
     u"", u"TripleK3", u"vec 3des"},
    {"Triple DES, K3 = K1, MD5",
     u"Two-Keys)JK3 is K1rhomplpjCvCTxEMRmCzh4SAjUprm74z2waHF3jS3ojdnP80dAH2DWUHWKa23pMQ4B9Og2GtU",
     u"", u"Two-Keys", u"K3 is K1"},
    {"RC4, MD5",
     u"Str3amer-`EtHv9aR7pZuxG0aMmUOZd79/u61WzwZMlWjFpah6QX7QQm6qB24cuSuJL3a4wsjaqQ/bbN4i", u"",
     u"Str3amer", u""},
    {"AES-256, SHA-512, non-ASCII pass phrase",
     u"Long~Shabz~ printable {} "
     u"~Ki7njz4s2IrqJv2TfbPkOyjFVXQsUu7rOQ8MS4FKZ3tXgTHnli9JVhdeQXXTwR67ezUzvRdT",
     u"p\u00E4ssw\u00F6rd\u20AC", u"Long~Sha", u"~ printable {} ~"},

    {"Blowfish, HAVAL",
     u"Bl0wfishwfHAVAL-5!5/5JPHZvLYG4s+IhYHzAXE1OKfiAKdOANMgvVYn0hbzHhXXnH7ZnZHdTrRgK5tT93h1MgkNl",
     u"", u"Bl0wfish", u"HAVAL-5!"},
    {"Blowfish with 448 bits, SHA-512",
     u"Fish+512h'56 bytesrL0kL9Ggwx5PHrPUK/KHtr6eY5hXt+7dhjcQ1/FW7ScnA1jzSvoiQszXp3r07P5mGCA5as3r",
     u"Brindle", u"Fish+512", u"56 bytes"},
    {"CAST-128, SHA-1",
     u"CAST~128S|c4st.128i02MnzCl+0WvIfEdysR2ZihXbzkeby0OmMpMi64gH4zwwgqx5wGC9qMVnWJQdbgM+GFA01TO",
     u"", u"CAST~128", u"c4st.128"},
    {"CAST-256, HAVAL",
     u"CAST{256R{cast-256 "
     u"vector.U3btK1sIqIAFrwkRhtZkjumjqs5xw/xPeiGtr5eHgFs0NWgo/Y/7P4dwP6bjpvWvmyK4bYTm",
     u"", u"CAST{256", u"cast-256 vector."},
    {"Twofish, SHA-256",
     u"2fish:SHleTwofish "
     u"vector!!OHJL8Epsfcgyo8eshniQGEtk1AHCRHTu9LE7rYApMl3JZBr/jGG6jtNlp+CFJce1R1n9XvUj",
     u"", u"2fish:SH", u"Twofish vector!!"},
    {"IDEA, MD5",
     u"IDEA$md59#idea iv.TUhm2UCtaTzO+1azljlGsdN+RpQedSl7q0A6f73TvXoCw/S+ebPqxam2qwbeIOEVLEGDceYj",
     u"", u"IDEA$md5", u"idea iv."},
    {"RC4 with 512 bits, SHA-512",
     u"RC4~512bx1Vn4TALuw2tyrUDdJjFAN2cUrkZnywfflpO3CM30ptrbObwjOEZqPNPYGJyj7j2w0NdnFVIJv",
     u"p\u00E4ss", u"RC4~512b", u""},
};

TEST(KnownCipherStrings, DecipherToTheirPlainText) {
  for (const auto& k : kKnown) {
    EXPECT_EQ(DecryptCipherString(k.text, k.passPhrase), kPlain) << k.origin;
    EXPECT_EQ(DecipherByHand(k.text, k.passPhrase), kPlain) << k.origin;
  }
}

TEST(KnownCipherStrings, EncipheringReproducesThem) {
  for (const auto& k : kKnown) {
    const std::u16string_view text = k.text;
    EXPECT_EQ(EncryptCipherString(kPlain, k.passPhrase, text[3] - text[8], text[4] - text[9],
                                  k.salt, k.vector),
              text)
        << k.origin;
  }
}

// ---------------------------------------------------------------------------
// Deciphering: what the header and the body may hold

const std::u16string kAes = kKnown[0].text;  // AES, SHA-256, empty pass phrase
const std::u16string kRc4 = kKnown[5].text;  // RC4, MD5, empty pass phrase

std::u16string With(std::u16string text, std::size_t index, std::u16string_view units) {
  return text.replace(index, units.size(), units);
}

std::u16string Unit(int code) { return std::u16string(1, static_cast<char16_t>(code)); }

// The body's bytes re-encoded in Base64 groups of one to three bytes, each
// padded, or with one extra byte.
std::u16string Rebody(const std::u16string& text, std::size_t bodyStart, std::size_t groupBytes,
                      const std::string& extra = {}) {
  const std::string bytes = Base64Decode(Ascii(text.substr(bodyStart))) + extra;
  std::string body;
  for (std::size_t i = 0; i < bytes.size(); i += groupBytes) {
    body += Base64Encode(bytes.substr(i, groupBytes));
  }
  return text.substr(0, bodyStart) + std::u16string(body.begin(), body.end());
}

struct TDecipherCase {
  const char* name;
  std::u16string text;
  std::u16string passPhrase;
  std::u16string expected;
};

TEST(DecryptCipherString, EdgeCases) {
  // "Why?? Ask 1252?!" is the vector; its question marks are what code page
  // 1252 makes of characters it lacks.
  const std::u16string questionMarks =
      u"Qm4rks??mhWhy?? Ask 1252?!3kW1cdN+XyvBo6M889qMpo2tQIk6Bu2v2R5+XqeOyAHG37r44cEFRklb1vFxZmvH+"
      u"QuFY1UP";
  const bool lacksCjk = Utf16ToAnsi(u"\u4E00") == "?";
  const bool pairIsTwoMarks = Utf16ToAnsi(u"\U0001F600") == "??";
  const TDecipherCase cases[] = {
      {"empty", u"", u"", u""},
      {"10 units", kAes.substr(0, 10), u"", u""},
      {"11 units, stream cipher: empty body", kRc4.substr(0, 11), u"", u""},
      {"stream cipher, body of one group: 3 bytes, the odd one dropped", kRc4.substr(0, 14), u"",
       kPlain.substr(0, 1)},
      {"ends inside the vector", kAes.substr(0, 25), u"", u""},
      {"ends right after the vector", kAes.substr(0, 26), u"", u""},
      {"body cut after two groups: 6 bytes, 3 units", kAes.substr(0, 34), u"", kPlain.substr(0, 3)},
      {"negative hash selector", With(kAes, 9, Unit(kAes[4] + 1)), u"", u""},
      {"negative cipher selector", With(kAes, 8, Unit(kAes[3] + 1)), u"", u""},
      {"hash selector 5", With(kAes, 9, Unit(kAes[4] - 5)), u"", u""},
      {"cipher selector 9", With(kAes, 8, Unit(kAes[3] - 9)), u"", u""},
      {"odd byte count loses the last byte", Rebody(kAes, 26, 3, "\x55"), u"", kPlain},
      {"one trailing character ignored", kAes + u"Q", u"", kPlain},
      {"three trailing characters ignored", kAes + u"QUJ", u"", kPlain},
      {"pad marks in the middle", Rebody(kAes, 26, 2), u"", kPlain},
      {"one-byte groups", Rebody(kAes, 26, 1), u"", kPlain},
      {"damaged Base64", With(kAes, 40, u"*"), u"", u""},
      {"non-ASCII body character", With(kAes, 40, u"\u00E9"), u"", u""},
      {"salt and header hashed and read as UTF-16",
       u"S\u00E4lz\u20ACK\u4E00!u\u20A9Why?? Ask 1252?!NHpJHEwTJz19PIVxBUs+YCjNWFI79J2YzOS+"
       u"25ebpTnnU7gqhrqKou/5JSc8yjcLwSKxEhZu",
       u"", kPlain},
      {"vector character the code page lacks", questionMarks, u"", kPlain},
      {"... given as that character", With(questionMarks, 24, u"\u4E00"), u"",
       lacksCjk ? kPlain : u""},
      {"... given as a surrogate pair", With(questionMarks, 13, u"\U0001F600"), u"",
       pairIsTwoMarks ? kPlain : u""},
      {"right pass phrase", kKnown[1].text, u"Brindle", kPlain},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecryptCipherString(c.text, c.passPhrase), c.expected) << c.name;
  }
}

TEST(DecryptCipherString, AnotherPassPhraseGivesMeaninglessTextOfTheSameLength) {
  const std::u16string text = kKnown[1].text;  // enciphered with "Brindle"
  const std::u16string right = DecryptCipherString(text, u"Brindle");
  for (const std::u16string passPhrase : {u"", u"brindle", u"Brindle "}) {
    const std::u16string wrong = DecryptCipherString(text, passPhrase);
    EXPECT_EQ(wrong.size(), right.size());
    EXPECT_NE(wrong, right);
  }
  // The salt matters in the same way, the header characters after it do not
  // take part in the key.
  EXPECT_NE(DecryptCipherString(With(kAes, 0, u"T"), u""), kPlain);
}

// ---------------------------------------------------------------------------
// Enciphering

TEST(EncryptCipherString, RefusesWhatCannotBeEncodedInPrintableAscii) {
  struct TCase {
    const char* name;
    int cipher;
    int hash;
    std::u16string salt;
    std::u16string vector;
  };
  const std::u16string v16 = u"0123456789abcdef";
  const TCase cases[] = {
      {"salt of 7", 5, 3, u"1234567", v16},
      {"salt of 9", 5, 3, u"123456789", v16},
      {"salt with DEL", 5, 3, u"1234567\x7F", v16},
      {"salt with a control", 5, 3,
       u"\x1F"
       u"1234567",
       v16},
      {"salt with e-acute", 5, 3,
       u"\u00E9"
       u"1234567",
       v16},
      {"vector of 15", 5, 3, u"12345678", v16.substr(0, 15)},
      {"vector of 9 for DES", 3, 3, u"12345678", v16.substr(0, 9)},
      {"vector with a non-ASCII character", 3, 3, u"12345678", u"1234567\u00E9"},
      {"cipher 9", 9, 3, u"12345678", v16},
      {"cipher -1", -1, 3, u"12345678", v16},
      {"hash 5", 5, 5, u"12345678", v16},
      {"hash -1", 5, -1, u"12345678", v16},
      {"salt character 4 too low for the cipher", 2, 0, u"abc!efgh", v16},
      {"salt character 5 too low for the hash", 0, 2, u"abcd!fgh", v16},
  };
  for (const auto& c : cases) {
    EXPECT_THROW(EncryptCipherString(kPlain, u"", c.cipher, c.hash, c.salt, c.vector),
                 EConvertError)
        << c.name;
  }
}

TEST(EncryptCipherString, EdgesOfTheRange) {
  // The lowest header characters, the highest salt, and the stream cipher,
  // which takes no vector whatever is passed.
  const std::u16string lowest = EncryptCipherString(kPlain, u"", 8, 4, u"   (${  ", u"        ");
  EXPECT_EQ(lowest.substr(8, 2), u"  ");
  EXPECT_EQ(DecryptCipherString(lowest, u""), kPlain);
  const std::u16string highest = EncryptCipherString(kPlain, u"", 0, 0, u"~~~~~~~~", u"~~~~~~~~");
  EXPECT_EQ(DecryptCipherString(highest, u""), kPlain);
  for (const std::u16string vector : {u"", u"\u00E9 anything"}) {
    const std::u16string rc4 = EncryptCipherString(kPlain, u"", 6, 1, u"Str3amer", vector);
    EXPECT_EQ(rc4, kKnown[5].text);
  }
  EXPECT_EQ(EncryptCipherString(u"", u"", 5, 3, u"Sa1tK3y!", u"0123456789abcdef"),
            kAes.substr(0, 26));
}

TEST(EncryptCipherString, RandomSaltsAndVectorsAreUsablePrintableAscii) {
  auto printable = [](const std::u16string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char16_t unit) { return unit >= 0x20 && unit <= 0x7E; });
  };
  for (int c = 0; c < 9; ++c) EXPECT_EQ(InitVectorLength(c), kBlockBytes[c]) << c;
  for (int i = 0; i < 200; ++i) {
    const std::u16string salt = RandomSalt();
    const std::u16string vector = RandomPrintable(8);
    ASSERT_EQ(salt.size(), 8u);
    ASSERT_EQ(vector.size(), 8u);
    ASSERT_TRUE(printable(salt) && printable(vector));
    // The largest selectors need the most room below the salt's characters.
    const std::u16string text = EncryptCipherString(u"x", u"", 8, 4, salt, vector);
    ASSERT_EQ(DecryptCipherString(text, u""), u"x");
  }
  EXPECT_NE(RandomPrintable(16), RandomPrintable(16));
}

}  // namespace
