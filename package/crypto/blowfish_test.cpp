// Blowfish against Eric Young's known answers as published with the
// algorithm (Schneier, "vectors.txt"), and against OpenSSL for the longer keys
// that the published set lacks.
#include "package/crypto/BlockCipherTesting.h"

namespace {

using block_testing::EncryptBlock;
using block_testing::FromHex;
using block_testing::Hex;

// Eric Young's ECB vectors for 8-byte keys; the published list gives its
// first vector twice, it is kept once here.
TEST(Blowfish, EightByteKeyAnswers) {
  block_testing::ExpectKnownAnswers<TCrypt_blowfish>({
      {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
      {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
      {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
      {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
      {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
      {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
      {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
      {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
      {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
      {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
      {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
      {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
      {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
      {"0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98"},
      {"43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5"},
      {"07A7137045DA2A16", "3BDD119049372802", "2EEDDA93FFD39C79"},
      {"04689104C2FD3B2F", "26955F6835AF609A", "D887E0393C2DA6E3"},
      {"37D06BB516CB7546", "164D5E404F275232", "5F99D04F5B163969"},
      {"1F08260D1AC2465E", "6B056E18759F5CCA", "4A057A3B24D3977B"},
      {"584023641ABA6176", "004BD6EF09176062", "452031C1E4FADA8E"},
      {"025816164629B007", "480D39006EE762F2", "7555AE39F59B87BD"},
      {"49793EBC79B3258F", "437540C8698F3CFA", "53C55F9CB49FC019"},
      {"4FB05E1515AB73A7", "072D43A077075292", "7A8E7BFA937E89A3"},
      {"49E95D6D4CA229BF", "02FE55778117F12A", "CF9C5D7A4986ADB5"},
      {"018310DC409B26D6", "1D9D5C5018F728C2", "D1ABB290658BC778"},
      {"1C587F1C13924FEF", "305532286D6F295A", "55CB3774D13EF201"},
      {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
      {"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},
      {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
      {"0000000000000000", "FFFFFFFFFFFFFFFF", "014933E0CDAFF6E4"},
      {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
      {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
      {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
  });
}

// Eric Young's "set_key" vectors: the key is the first 1 to 24 bytes of one
// buffer, so these also show that Init takes only the first size/8 bytes.
TEST(Blowfish, VariableKeyLengthAnswers) {
  constexpr std::string_view kKey = "F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677";
  constexpr std::string_view kPlain = "FEDCBA9876543210";
  block_testing::ExpectKnownAnswers<TCrypt_blowfish>({
      {kKey, kPlain, "F9AD597C49DB005E", 8},   {kKey, kPlain, "E91D21C1D961A6D6", 16},
      {kKey, kPlain, "E9C2B70A1BC65CF3", 24},  {kKey, kPlain, "BE1E639408640F05", 32},
      {kKey, kPlain, "B39E44481BDB1E6E", 40},  {kKey, kPlain, "9457AA83B1928C0D", 48},
      {kKey, kPlain, "8BB77032F960629D", 56},  {kKey, kPlain, "E87A244E2CC85E82", 64},
      {kKey, kPlain, "15750E7A4F4EC577", 72},  {kKey, kPlain, "122BA70B3AB64AE0", 80},
      {kKey, kPlain, "3A833C9AFFC537F6", 88},  {kKey, kPlain, "9409DA87A90F6BF2", 96},
      {kKey, kPlain, "884F80625060B8B4", 104}, {kKey, kPlain, "1F85031C19E11968", 112},
      {kKey, kPlain, "79D9373A714CA34F", 120}, {kKey, kPlain, "93142887EE3BE15C", 128},
      {kKey, kPlain, "03429E838CE2D14B", 136}, {kKey, kPlain, "A4299E27469FF67B", 144},
      {kKey, kPlain, "AFD5AED1C1BC96A8", 152}, {kKey, kPlain, "10851C0E3858DA9F", 160},
      {kKey, kPlain, "E6F51ED79B9DB21F", 168}, {kKey, kPlain, "64A6E14AFD36B46F", 176},
      {kKey, kPlain, "80C7D7D45A5479AD", 184}, {kKey, kPlain, "05044B62FA52D080", 192},
  });
}

// The key sizes that the digests give (160, 256 and the largest, 448 bits),
// computed once with OpenSSL 3 through Python's cryptography package.
TEST(Blowfish, LongKeyAnswersFromOpenSsl) {
  block_testing::ExpectKnownAnswers<TCrypt_blowfish>({
      {"000102030405060708090a0b0c0d0e0f10111213", "0011223344556677", "a4463731c321b3b0"},
      {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "0123456789abcdef",
       "8c556c964151ff35"},
      {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f202122232425262728292a2b"
       "2c2d2e2f3031323334353637",
       "fedcba9876543210", "4f6b2acb8a4bf891"},
  });
}

// A size between whole bytes keys with its whole bytes; 4 bits give no key
// byte at all, which must still give a working cipher (the one of a single
// zero byte, since the key bytes are XORed in).
TEST(Blowfish, SizesBetweenWholeBytes) {
  const auto key = FromHex("0123456789ABCDEFFEDCBA9876543210FF");
  const auto plain = FromHex("0011223344556677");
  EXPECT_EQ(Hex(EncryptBlock<TCrypt_blowfish>(key, 132, plain)),
            Hex(EncryptBlock<TCrypt_blowfish>(key, 128, plain)));
  EXPECT_EQ(Hex(EncryptBlock<TCrypt_blowfish>(key, 4, plain)),
            Hex(EncryptBlock<TCrypt_blowfish>(FromHex("00"), 8, plain)));
}

TEST(Blowfish, LargestKeySizeIs448Bits) {
  const block_testing::TBytes key(57, 0x5A);
  TCrypt_blowfish cipher;
  EXPECT_EQ(cipher.GetMaxKeySize(), 448);
  cipher.Init(key.data(), 448, nullptr);
  EXPECT_THROW(cipher.Init(key.data(), 452, nullptr), ECrypt_cipher);
}

TEST(Blowfish, EcbNeedsKey) { block_testing::ExpectKeyRequired<TCrypt_blowfish>(); }

}  // namespace
