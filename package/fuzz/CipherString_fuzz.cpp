// Cipher strings and pass phrases of any units: deciphering never raises, and
// what the publisher's side enciphers with any salt, vector and selectors
// deciphers to the same text.
//
// Input: one byte of options (bit 0: the units are UTF-16LE, else one unit
// per byte), the pass phrase's length in units (taken from the end), a byte
// choosing the selectors of the round trip, then the units.
#include <algorithm>
#include <cstdint>
#include <string>

#include "package/Package.h"
#include "support/fuzz/FuzzTesting.h"

namespace {

using fuzztesting::Fail;

struct TInput {
  std::u16string text;
  std::u16string passPhrase;
  int cipher = 0;
  int hash = 0;
};

TInput ReadInput(const std::uint8_t* data, std::size_t size) {
  TInput input;
  if (size < 3) return input;
  const std::u16string units = fuzztesting::UnitsOf(data + 3, size - 3, (data[0] & 1) != 0);
  const std::size_t passLength = std::min<std::size_t>(data[1], units.size());
  input.text = units.substr(0, units.size() - passLength);
  input.passPhrase = units.substr(units.size() - passLength);
  input.cipher = data[2] % 9;
  input.hash = data[2] / 9 % 5;
  return input;
}

// Characters from U+0028 on, so that every selector fits below a salt
// character.
std::u16string Printable(const std::u16string& text, std::size_t length) {
  std::u16string result(length, u'(');
  for (std::size_t i = 0; i < std::min(length, text.size()); ++i) {
    result[i] = static_cast<char16_t>(u'(' + text[i] % (0x7F - u'('));
  }
  return result;
}

void CheckDecipher(const TInput& input) {
  const std::u16string plain = DecryptCipherString(input.text, input.passPhrase);
  // Three bytes per four Base64 characters after the header, two per unit.
  const std::size_t bodyUnits = input.text.size() > 10 ? input.text.size() - 10 : 0;
  if (plain.size() > bodyUnits * 3 / 8) Fail("plain text longer than its body allows");
}

void CheckRoundTrip(const TInput& input) {
  const std::u16string salt = Printable(input.text, 8);
  const std::u16string vector = Printable(input.passPhrase, InitVectorLength(input.cipher));
  const std::u16string cipherString =
      EncryptCipherString(input.text, input.passPhrase, input.cipher, input.hash, salt, vector);
  if (DecryptCipherString(cipherString, input.passPhrase) != input.text) {
    Fail("the cipher string does not decipher to its plain text");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const TInput input = ReadInput(data, size);
  CheckDecipher(input);
  CheckRoundTrip(input);
  return 0;
}
