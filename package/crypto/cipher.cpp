// What every cipher shares: key-size checks, the string operations, and for
// the block ciphers the vector, the chaining register and the modes.
#include <algorithm>
#include <cstring>

#include "package/crypto/Crypt.h"
#include "support/Text.h"

namespace {

std::uint8_t* AsBytes(std::string& bytes) { return reinterpret_cast<std::uint8_t*>(bytes.data()); }

std::string Utf16leBytes(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

// Whole little-endian pairs; a last odd byte is not part of the text.
std::u16string Utf16leText(std::string_view bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  return text;
}

void Wipe(std::string& bytes) { SecureZero(bytes.data(), bytes.size()); }

// What enters the chaining register after each segment of a keystream mode.
enum class TFeedback {
  fbInput,      // the segment's input (CFB deciphering: the ciphertext)
  fbOutput,     // the segment's output (CFB enciphering: the ciphertext)
  fbKeystream,  // the encrypted register itself (OFB)
  fbCounter,    // the register plus one, as a big-endian number (CTR)
};

template <std::size_t N>
void ShiftIn(std::uint8_t (&reg)[N], const std::uint8_t* bytes, std::size_t count) {
  std::memmove(reg, reg + count, N - count);
  std::memcpy(reg + N - count, bytes, count);
}

template <std::size_t N>
void Increment(std::uint8_t (&reg)[N]) {
  for (std::size_t i = N; i-- > 0;) {
    if (++reg[i] != 0) break;
  }
}

// The step that every mode but CBC's whole blocks is made of: encrypt the
// register, XOR up to one block of data with the result, feed back. The
// segment is 1 for CFB-8 and one block for the others.
template <std::size_t N>
void XorSegments(TCrypt_blockcipher& cipher, std::uint8_t (&reg)[N], const void* inData,
                 void* outData, std::size_t size, std::size_t segment, TFeedback feedback) {
  const auto* in = static_cast<const std::uint8_t*>(inData);
  auto* out = static_cast<std::uint8_t*>(outData);
  std::uint8_t pad[N];
  std::uint8_t input[N];
  for (std::size_t done = 0; done < size; done += segment) {
    const std::size_t count = std::min(segment, size - done);
    cipher.EncryptECB(reg, pad);
    std::memcpy(input, in + done, count);  // in and out may be the same buffer
    for (std::size_t i = 0; i < count; ++i) out[done + i] = input[i] ^ pad[i];
    switch (feedback) {
      case TFeedback::fbInput:
        ShiftIn(reg, input, count);
        break;
      case TFeedback::fbOutput:
        ShiftIn(reg, out + done, count);
        break;
      case TFeedback::fbKeystream:
        std::memcpy(reg, pad, N);
        break;
      case TFeedback::fbCounter:
        Increment(reg);
        break;
    }
  }
  SecureZero(pad, N);
  SecureZero(input, N);
}

// CBC over the whole blocks; a short last block is XORed with the encrypted
// register, so that any length round-trips.
template <std::size_t N>
void ChainBlocks(TCrypt_blockcipher& cipher, std::uint8_t (&reg)[N], const void* inData,
                 void* outData, std::size_t size, bool encrypt) {
  const auto* in = static_cast<const std::uint8_t*>(inData);
  auto* out = static_cast<std::uint8_t*>(outData);
  std::uint8_t block[N];
  std::uint8_t input[N];
  const std::size_t whole = size - size % N;
  for (std::size_t done = 0; done < whole; done += N) {
    std::memcpy(input, in + done, N);
    if (encrypt) {
      for (std::size_t i = 0; i < N; ++i) block[i] = input[i] ^ reg[i];
      cipher.EncryptECB(block, out + done);
      std::memcpy(reg, out + done, N);
    } else {
      cipher.DecryptECB(input, block);
      for (std::size_t i = 0; i < N; ++i) out[done + i] = block[i] ^ reg[i];
      std::memcpy(reg, input, N);
    }
  }
  SecureZero(block, N);
  SecureZero(input, N);
  XorSegments(cipher, reg, in + whole, out + whole, size - whole, N, TFeedback::fbKeystream);
}

}  // namespace

// ---------------------------------------------------------------------------
// TCrypt_cipher

void TCrypt_cipher::BeginInit(int size) {
  if (fInitialized) Burn();
  if (size <= 0 || size % 4 != 0 || size > GetMaxKeySize()) {
    throw ECrypt_cipher(u"Invalid key size");
  }
}

std::string TCrypt_cipher::EncryptString(std::string_view text) {
  std::string bytes(text);
  EncipherBytes(AsBytes(bytes), bytes.size());
  return Base64Encode(bytes);
}

std::string TCrypt_cipher::DecryptString(std::string_view text) {
  std::string bytes = Base64Decode(text);
  DecipherBytes(AsBytes(bytes), bytes.size());
  return bytes;
}

std::u16string TCrypt_cipher::EncryptString(std::u16string_view text) {
  std::string bytes = Utf16leBytes(text);
  EncipherBytes(AsBytes(bytes), bytes.size());
  return AnsiToUtf16(Base64Encode(bytes));
}

std::u16string TCrypt_cipher::DecryptString(std::u16string_view text) {
  std::string bytes = Base64Decode(Utf16ToAnsi(text));
  if (bytes.size() % 2 != 0) bytes.pop_back();
  DecipherBytes(AsBytes(bytes), bytes.size());
  std::u16string plain = Utf16leText(bytes);
  Wipe(bytes);
  return plain;
}

// ---------------------------------------------------------------------------
// TCrypt_blockcipher

void TCrypt_blockcipher::Init(const void* key, int size, const void* initVector) {
  BeginInit(size);
  fInitialized = true;
  try {
    InitKey(key, size);
    if (initVector) {
      SetIV(initVector);
    } else {
      std::uint8_t zero[16] = {};
      std::uint8_t vector[16];
      EncryptECB(zero, vector);
      SetIV(vector);
      SecureZero(vector, sizeof vector);
    }
    Reset();
  } catch (...) {
    Burn();  // no half-keyed object that claims to be ready
    throw;
  }
}

void TCrypt_blockcipher::Encrypt(const void* inData, void* outData, std::size_t size) {
  switch (fCipherMode) {
    case cmCBC:
      return EncryptCBC(inData, outData, size);
    case cmCFB8bit:
      return EncryptCFB8bit(inData, outData, size);
    case cmCFBblock:
      return EncryptCFBblock(inData, outData, size);
    case cmOFB:
      return EncryptOFB(inData, outData, size);
    case cmCTR:
      return EncryptCTR(inData, outData, size);
  }
}

void TCrypt_blockcipher::Decrypt(const void* inData, void* outData, std::size_t size) {
  switch (fCipherMode) {
    case cmCBC:
      return DecryptCBC(inData, outData, size);
    case cmCFB8bit:
      return DecryptCFB8bit(inData, outData, size);
    case cmCFBblock:
      return DecryptCFBblock(inData, outData, size);
    case cmOFB:
      return DecryptOFB(inData, outData, size);
    case cmCTR:
      return DecryptCTR(inData, outData, size);
  }
}

void TCrypt_blockcipher::CheckInitialized() const {
  if (!fInitialized) throw ECrypt_blockcipher(u"Cipher not initialized");
}

void TCrypt_blockcipher::EncipherBytes(std::uint8_t* data, std::size_t size) {
  EncryptCFB8bit(data, data, size);
}

void TCrypt_blockcipher::DecipherBytes(std::uint8_t* data, std::size_t size) {
  DecryptCFB8bit(data, data, size);
}

// ---------------------------------------------------------------------------
// TCrypt_blockcipherN

template <std::size_t N>
void TCrypt_blockcipherN<N>::WipeVectors() {
  SecureZero(fIV, N);
  SecureZero(fCV, N);
}

template <std::size_t N>
void TCrypt_blockcipherN<N>::Burn() {
  WipeVectors();
  BurnKey();
  fInitialized = false;
}

template <std::size_t N>
void TCrypt_blockcipherN<N>::Reset() {
  CheckInitialized();
  std::memcpy(fCV, fIV, N);
}

// A new vector takes effect at once: the register restarts from it.
template <std::size_t N>
void TCrypt_blockcipherN<N>::SetIV(const void* value) {
  CheckInitialized();
  std::memcpy(fIV, value, N);
  Reset();
}

// The initialisation vector, not the running register.
template <std::size_t N>
void TCrypt_blockcipherN<N>::GetIV(void* value) {
  CheckInitialized();
  std::memcpy(value, fIV, N);
}

template <std::size_t N>
void TCrypt_blockcipherN<N>::EncryptCBC(const void* inData, void* outData, std::size_t size) {
  CheckInitialized();
  ChainBlocks(*this, fCV, inData, outData, size, true);
}

template <std::size_t N>
void TCrypt_blockcipherN<N>::DecryptCBC(const void* inData, void* outData, std::size_t size) {
  CheckInitialized();
  ChainBlocks(*this, fCV, inData, outData, size, false);
}

template <std::size_t N>
void TCrypt_blockcipherN<N>::EncryptCFB8bit(const void* inData, void* outData, std::size_t size) {
  CheckInitialized();
  XorSegments(*this, fCV, inData, outData, size, 1, TFeedback::fbOutput);
}

template <std::size_t N>
void TCrypt_blockcipherN<N>::DecryptCFB8bit(const void* inData, void* outData, std::size_t size) {
  CheckInitialized();
  XorSegments(*this, fCV, inData, outData, size, 1, TFeedback::fbInput);
}

template <std::size_t N>
void TCrypt_blockcipherN<N>::EncryptCFBblock(const void* inData, void* outData, std::size_t size) {
  CheckInitialized();
  XorSegments(*this, fCV, inData, outData, size, N, TFeedback::fbOutput);
}

template <std::size_t N>
void TCrypt_blockcipherN<N>::DecryptCFBblock(const void* inData, void* outData, std::size_t size) {
  CheckInitialized();
  XorSegments(*this, fCV, inData, outData, size, N, TFeedback::fbInput);
}

template <std::size_t N>
void TCrypt_blockcipherN<N>::EncryptOFB(const void* inData, void* outData, std::size_t size) {
  CheckInitialized();
  XorSegments(*this, fCV, inData, outData, size, N, TFeedback::fbKeystream);
}

template <std::size_t N>
void TCrypt_blockcipherN<N>::DecryptOFB(const void* inData, void* outData, std::size_t size) {
  EncryptOFB(inData, outData, size);
}

template <std::size_t N>
void TCrypt_blockcipherN<N>::EncryptCTR(const void* inData, void* outData, std::size_t size) {
  CheckInitialized();
  XorSegments(*this, fCV, inData, outData, size, N, TFeedback::fbCounter);
}

template <std::size_t N>
void TCrypt_blockcipherN<N>::DecryptCTR(const void* inData, void* outData, std::size_t size) {
  EncryptCTR(inData, outData, size);
}

template class TCrypt_blockcipherN<8>;
template class TCrypt_blockcipherN<16>;
