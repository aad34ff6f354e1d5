// Deciphering 1 MiB as the cipher strings do: the Base64 body of a UTF-16
// text through DecryptString, that is CFB-8 (one block encryption per byte)
// for the block ciphers and the keystream for RC4. Each run must stay well
// under a second. Run by hand: crypto_bench.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>

#include "package/crypto/Crypt.h"

namespace {

constexpr std::size_t kMebibyte = 1 << 20;

const std::u16string& Body() {
  static const std::u16string body = [] {
    std::mt19937 random(4);
    std::string bytes(kMebibyte, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random() & 0xFF);
    const std::string text = Base64Encode(bytes);
    return std::u16string(text.begin(), text.end());
  }();
  return body;
}

template <typename T>
void DecryptString(benchmark::State& state) {
  const std::uint8_t key[32] = {0x2b, 0x7e, 0x15, 0x16, 0x28, 0xae, 0xd2, 0xa6,
                                0xab, 0xf7, 0x15, 0x88, 0x09, 0xcf, 0x4f, 0x3c};
  const std::uint8_t vector[16] = {};
  T cipher;
  cipher.Init(key, std::min(cipher.GetMaxKeySize(), 256), vector);
  const std::u16string& body = Body();
  for (auto _ : state) {
    cipher.Reset();
    benchmark::DoNotOptimize(cipher.DecryptString(body));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kMebibyte));
}

#define DECIPHER_MEBIBYTE(Class) \
  BENCHMARK_TEMPLATE(DecryptString, Class)->Unit(benchmark::kMillisecond)->MinTime(0.5)

DECIPHER_MEBIBYTE(TCrypt_blowfish);
DECIPHER_MEBIBYTE(TCrypt_cast128);
DECIPHER_MEBIBYTE(TCrypt_cast256);
DECIPHER_MEBIBYTE(TCrypt_des);
DECIPHER_MEBIBYTE(TCrypt_3des);
DECIPHER_MEBIBYTE(TCrypt_rijndael);
DECIPHER_MEBIBYTE(TCrypt_rc4);
DECIPHER_MEBIBYTE(TCrypt_twofish);
DECIPHER_MEBIBYTE(TCrypt_idea);

}  // namespace

BENCHMARK_MAIN();
