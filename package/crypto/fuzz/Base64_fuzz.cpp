// Base64 texts of any bytes: decoding gives bytes or the conversion error,
// never anything else, and three bytes or fewer per whole group of four; any
// bytes survive encoding and decoding unchanged.
#include <cstdint>
#include <string>
#include <string_view>

#include "package/crypto/Crypt.h"
#include "support/Errors.h"
#include "support/fuzz/FuzzTesting.h"

namespace {

using fuzztesting::Fail;

void CheckDecode(std::string_view text) {
  try {
    const std::string bytes = Base64Decode(text);
    const std::size_t groups = text.size() / 4;
    if (bytes.size() < groups || bytes.size() > groups * 3) Fail("wrong decoded length");
  } catch (const EConvertError&) {
  }
}

void CheckRoundTrip(std::string_view bytes) {
  const std::string text = Base64Encode(bytes);
  if (text.size() != (bytes.size() + 2) / 3 * 4) Fail("wrong encoded length");
  if (Base64Decode(text) != bytes) Fail("decode(encode(x)) differs from x");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckDecode(input);
  CheckRoundTrip(input);
  return 0;
}
