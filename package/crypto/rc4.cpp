// RC4, the stream cipher: its standard key schedule, then the keystream from
// its first byte (no bytes dropped), XORed with the data.
#include <utility>

#include "package/crypto/Crypt.h"

namespace {

struct Rc4 {
  std::uint8_t s[256];
  std::uint8_t i;
  std::uint8_t j;
};

void ScheduleKey(Rc4& state, const std::uint8_t* key, std::size_t length) {
  for (int n = 0; n < 256; ++n) state.s[n] = static_cast<std::uint8_t>(n);
  std::uint8_t j = 0;
  for (std::size_t n = 0; n < 256; ++n) {
    j = static_cast<std::uint8_t>(j + state.s[n] + key[n % length]);
    std::swap(state.s[n], state.s[j]);
  }
  state.i = 0;
  state.j = 0;
}

void XorKeystream(Rc4& state, const std::uint8_t* in, std::uint8_t* out, std::size_t size) {
  std::uint8_t i = state.i, j = state.j;
  for (std::size_t n = 0; n < size; ++n) {
    i = static_cast<std::uint8_t>(i + 1);
    j = static_cast<std::uint8_t>(j + state.s[i]);
    std::swap(state.s[i], state.s[j]);
    out[n] = in[n] ^ state.s[static_cast<std::uint8_t>(state.s[i] + state.s[j])];
  }
  state.i = i;
  state.j = j;
}

}  // namespace

struct TCrypt_rc4::State {
  Rc4 running;
  Rc4 initial;  // as the key schedule left it, for Reset
};

TCrypt_rc4::TCrypt_rc4() : fState(std::make_unique<State>()) {}
TCrypt_rc4::~TCrypt_rc4() { SecureZero(fState.get(), sizeof(State)); }

int TCrypt_rc4::GetId() const { return 6; }
std::u16string TCrypt_rc4::GetAlgorithm() const { return u"RC4"; }
int TCrypt_rc4::GetMaxKeySize() const { return 2048; }

void TCrypt_rc4::Init(const void* key, int size, const void* /*initVector*/) {
  BeginInit(size);
  // 4 bits hold no whole key byte: they key as one zero byte, since the schedule needs one.
  const std::uint8_t zero = 0;
  const auto length = static_cast<std::size_t>(size / 8);
  ScheduleKey(fState->initial, length ? static_cast<const std::uint8_t*>(key) : &zero,
              length ? length : 1);
  fInitialized = true;
  Reset();
}

void TCrypt_rc4::Burn() {
  SecureZero(fState.get(), sizeof(State));
  fInitialized = false;
}

void TCrypt_rc4::Reset() { fState->running = fState->initial; }

void TCrypt_rc4::Encrypt(const void* inData, void* outData, std::size_t size) {
  if (!fInitialized) throw ECrypt_cipher(u"Cipher not initialized");
  XorKeystream(fState->running, static_cast<const std::uint8_t*>(inData),
               static_cast<std::uint8_t*>(outData), size);
}

void TCrypt_rc4::Decrypt(const void* inData, void* outData, std::size_t size) {
  Encrypt(inData, outData, size);
}

void TCrypt_rc4::EncipherBytes(std::uint8_t* data, std::size_t size) { Encrypt(data, data, size); }

void TCrypt_rc4::DecipherBytes(std::uint8_t* data, std::size_t size) { Encrypt(data, data, size); }
