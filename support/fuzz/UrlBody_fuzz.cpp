// Fetched bodies of any bytes: decoding never fails, and what the UTF-8 test
// accepts, apart from encoded surrogates, is UTF-8 that converts to UTF-16
// and back unchanged.
#include <cstdint>
#include <cstdlib>

#include "support/Text.h"
#include "support/WebText.h"

namespace {

bool HasEncodedSurrogate(std::string_view bytes) {
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
    if (static_cast<unsigned char>(bytes[i]) == 0xED &&
        static_cast<unsigned char>(bytes[i + 1]) >= 0xA0) {
      return true;
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  DecodeUrlBody(body);
  if (IsUtf8Text(body) && !HasEncodedSurrogate(body) && Utf16ToUtf8(Utf8ToUtf16(body)) != body) {
    std::abort();
  }
  return 0;
}
