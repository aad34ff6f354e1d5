// Hash and cipher classes behind one interface each, as the cipher strings
// drive them. Sizes are in bits, as the classes report them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "support/Errors.h"

// ---------------------------------------------------------------------------
// Errors

class ECrypt_hash : public Exception {
 public:
  using Exception::Exception;
};

class ECrypt_cipher : public Exception {
 public:
  using Exception::Exception;
};

class ECrypt_blockcipher : public ECrypt_cipher {
 public:
  using ECrypt_cipher::ECrypt_cipher;
};

// ---------------------------------------------------------------------------
// Base64 (RFC 4648 alphabet). Decoding reads whole groups of four; 1 to 3
// characters after the last group are ignored and a pad mark does not end the
// decoding. A character outside the alphabet, or a pad mark in the first or
// second place of a group, raises EConvertError.

std::string Base64Decode(std::string_view text);
std::string Base64Encode(std::string_view bytes);

// Overwrites a buffer in a way the optimiser keeps.
void SecureZero(void* data, std::size_t size);

// ---------------------------------------------------------------------------
// Hashes

class TCrypt_hash {
 public:
  TCrypt_hash(const TCrypt_hash&) = delete;
  TCrypt_hash& operator=(const TCrypt_hash&) = delete;
  virtual ~TCrypt_hash() = default;

  virtual int GetId() const = 0;
  virtual std::u16string GetAlgorithm() const = 0;
  virtual int GetHashSize() const = 0;

  // Starts a new digest.
  virtual void Init() = 0;
  // Writes GetHashSize()/8 bytes in the standard's output order, then Burn.
  virtual void Final(std::uint8_t* digest) = 0;
  // Wipes the state; the object is no longer initialised.
  virtual void Burn() = 0;
  virtual void Update(const void* buffer, std::size_t size) = 0;

  // The bytes as they are.
  void UpdateStr(std::string_view text);
  // Each code unit as a little-endian byte pair, no terminator.
  void UpdateStr(std::u16string_view text);

  bool Initialized() const { return fInitialized; }

 protected:
  TCrypt_hash() = default;
  // Raises "Hash not initialized" unless Init has run.
  void CheckInitialized() const;
  bool fInitialized = false;
};

// One hash algorithm class; its state lives in the algorithm's own file.
#define TCRYPT_HASH_CLASS(Name)                                 \
  class Name final : public TCrypt_hash {                       \
   public:                                                      \
    Name();                                                     \
    ~Name() override;                                           \
    int GetId() const override;                                 \
    std::u16string GetAlgorithm() const override;               \
    int GetHashSize() const override;                           \
    void Init() override;                                       \
    void Final(std::uint8_t* digest) override;                  \
    void Burn() override;                                       \
    void Update(const void* buffer, std::size_t size) override; \
                                                                \
   private:                                                     \
    struct State;                                               \
    std::unique_ptr<State> fState;                              \
  }

TCRYPT_HASH_CLASS(TCrypt_haval);  // 5 passes, 256-bit digest
TCRYPT_HASH_CLASS(TCrypt_md5);
TCRYPT_HASH_CLASS(TCrypt_sha1);
TCRYPT_HASH_CLASS(TCrypt_sha256);

#undef TCRYPT_HASH_CLASS

// The SHA-512 compression and padding; SHA-512 gives its initial values.
class TCrypt_sha512base : public TCrypt_hash {
 public:
  ~TCrypt_sha512base() override;
  void Final(std::uint8_t* digest) override;
  void Burn() override;
  void Update(const void* buffer, std::size_t size) override;

 protected:
  TCrypt_sha512base();
  struct State;
  std::unique_ptr<State> fState;
};

class TCrypt_sha512 final : public TCrypt_sha512base {
 public:
  TCrypt_sha512();
  int GetId() const override;
  std::u16string GetAlgorithm() const override;
  int GetHashSize() const override;
  void Init() override;
};

// ---------------------------------------------------------------------------
// Ciphers

enum TCrypt_ciphermode { cmCBC, cmCFB8bit, cmCFBblock, cmOFB, cmCTR };

class TCrypt_cipher {
 public:
  TCrypt_cipher(const TCrypt_cipher&) = delete;
  TCrypt_cipher& operator=(const TCrypt_cipher&) = delete;
  virtual ~TCrypt_cipher() = default;

  virtual int GetId() const = 0;
  virtual std::u16string GetAlgorithm() const = 0;
  virtual int GetMaxKeySize() const = 0;

  // Key is a buffer of at least size/8 bytes; initVector one block or null.
  // Burns an initialised object first; a size that is 0, not a multiple of 4
  // or above GetMaxKeySize raises "Invalid key size".
  virtual void Init(const void* key, int size, const void* initVector) = 0;
  // Wipes key material, vector and register.
  virtual void Burn() = 0;
  virtual void Reset() = 0;
  virtual void Encrypt(const void* inData, void* outData, std::size_t size) = 0;
  virtual void Decrypt(const void* inData, void* outData, std::size_t size) = 0;

  // 8-bit text: the bytes themselves are enciphered and Base64 carries them.
  std::string EncryptString(std::string_view text);
  std::string DecryptString(std::string_view text);
  // UTF-16 text: its UTF-16LE bytes are enciphered; the Base64 text goes
  // through the ANSI code page; an odd last deciphered byte is dropped.
  std::u16string EncryptString(std::u16string_view text);
  std::u16string DecryptString(std::u16string_view text);

  bool Initialized() const { return fInitialized; }

 protected:
  TCrypt_cipher() = default;
  // The transforms that the string operations use: CFB-8 for a block cipher
  // whatever CipherMode holds, the keystream for the stream cipher.
  virtual void EncipherBytes(std::uint8_t* data, std::size_t size) = 0;
  virtual void DecipherBytes(std::uint8_t* data, std::size_t size) = 0;
  // Checks the key size and burns an initialised object.
  void BeginInit(int size);
  bool fInitialized = false;
};

class TCrypt_blockcipher : public TCrypt_cipher {
 public:
  TCrypt_ciphermode CipherMode() const { return fCipherMode; }
  void SetCipherMode(TCrypt_ciphermode mode) { fCipherMode = mode; }

  virtual int GetBlockSize() const = 0;
  void Init(const void* key, int size, const void* initVector) override;
  void Encrypt(const void* inData, void* outData, std::size_t size) override;
  void Decrypt(const void* inData, void* outData, std::size_t size) override;

  virtual void SetIV(const void* value) = 0;
  virtual void GetIV(void* value) = 0;
  // One block through the bare algorithm.
  virtual void EncryptECB(const void* inData, void* outData) = 0;
  virtual void DecryptECB(const void* inData, void* outData) = 0;
  virtual void EncryptCBC(const void* inData, void* outData, std::size_t size) = 0;
  virtual void DecryptCBC(const void* inData, void* outData, std::size_t size) = 0;
  virtual void EncryptCFB8bit(const void* inData, void* outData, std::size_t size) = 0;
  virtual void DecryptCFB8bit(const void* inData, void* outData, std::size_t size) = 0;
  virtual void EncryptCFBblock(const void* inData, void* outData, std::size_t size) = 0;
  virtual void DecryptCFBblock(const void* inData, void* outData, std::size_t size) = 0;
  virtual void EncryptOFB(const void* inData, void* outData, std::size_t size) = 0;
  virtual void DecryptOFB(const void* inData, void* outData, std::size_t size) = 0;
  virtual void EncryptCTR(const void* inData, void* outData, std::size_t size) = 0;
  virtual void DecryptCTR(const void* inData, void* outData, std::size_t size) = 0;

 protected:
  TCrypt_blockcipher() = default;
  // The algorithm's key schedule over the first size/8 bytes of key.
  virtual void InitKey(const void* key, int size) = 0;
  // Raises "Cipher not initialized" unless Init has run.
  void CheckInitialized() const;
  void EncipherBytes(std::uint8_t* data, std::size_t size) override;
  void DecipherBytes(std::uint8_t* data, std::size_t size) override;

 private:
  TCrypt_ciphermode fCipherMode = cmCBC;
};

// Vector, chaining register and the modes for one block size.
template <std::size_t BlockBytes>
class TCrypt_blockcipherN : public TCrypt_blockcipher {
 public:
  static constexpr std::size_t kBlockBytes = BlockBytes;
  ~TCrypt_blockcipherN() override { WipeVectors(); }

  int GetBlockSize() const override { return static_cast<int>(BlockBytes * 8); }
  void Burn() override;
  void Reset() override;
  void SetIV(const void* value) override;
  void GetIV(void* value) override;
  void EncryptCBC(const void* inData, void* outData, std::size_t size) override;
  void DecryptCBC(const void* inData, void* outData, std::size_t size) override;
  void EncryptCFB8bit(const void* inData, void* outData, std::size_t size) override;
  void DecryptCFB8bit(const void* inData, void* outData, std::size_t size) override;
  void EncryptCFBblock(const void* inData, void* outData, std::size_t size) override;
  void DecryptCFBblock(const void* inData, void* outData, std::size_t size) override;
  void EncryptOFB(const void* inData, void* outData, std::size_t size) override;
  void DecryptOFB(const void* inData, void* outData, std::size_t size) override;
  void EncryptCTR(const void* inData, void* outData, std::size_t size) override;
  void DecryptCTR(const void* inData, void* outData, std::size_t size) override;

 protected:
  TCrypt_blockcipherN() = default;
  // Wipes the algorithm's own key schedule (each algorithm class).
  virtual void BurnKey() = 0;

 private:
  void WipeVectors();
  std::uint8_t fIV[BlockBytes] = {};
  std::uint8_t fCV[BlockBytes] = {};
};

extern template class TCrypt_blockcipherN<8>;
extern template class TCrypt_blockcipherN<16>;

using TCrypt_blockcipher64 = TCrypt_blockcipherN<8>;
using TCrypt_blockcipher128 = TCrypt_blockcipherN<16>;

// The common ground of DES and Triple DES.
class TCrypt_customdes : public TCrypt_blockcipher64 {
 protected:
  TCrypt_customdes() = default;
};

// One block-cipher algorithm class: the class operations, the key schedule
// and one block through the bare algorithm. The schedule lives in the
// algorithm's own file.
#define TCRYPT_BLOCKCIPHER_CLASS(Name, Base)                     \
  class Name final : public Base {                               \
   public:                                                       \
    Name();                                                      \
    ~Name() override;                                            \
    int GetId() const override;                                  \
    std::u16string GetAlgorithm() const override;                \
    int GetMaxKeySize() const override;                          \
    void EncryptECB(const void* inData, void* outData) override; \
    void DecryptECB(const void* inData, void* outData) override; \
                                                                 \
   protected:                                                    \
    void InitKey(const void* key, int size) override;            \
    void BurnKey() override;                                     \
                                                                 \
   private:                                                      \
    struct Schedule;                                             \
    std::unique_ptr<Schedule> fKey;                              \
  }

TCRYPT_BLOCKCIPHER_CLASS(TCrypt_blowfish, TCrypt_blockcipher64);
TCRYPT_BLOCKCIPHER_CLASS(TCrypt_cast128, TCrypt_blockcipher64);
TCRYPT_BLOCKCIPHER_CLASS(TCrypt_cast256, TCrypt_blockcipher128);
TCRYPT_BLOCKCIPHER_CLASS(TCrypt_des, TCrypt_customdes);
TCRYPT_BLOCKCIPHER_CLASS(TCrypt_3des, TCrypt_customdes);
TCRYPT_BLOCKCIPHER_CLASS(TCrypt_rijndael, TCrypt_blockcipher128);
TCRYPT_BLOCKCIPHER_CLASS(TCrypt_twofish, TCrypt_blockcipher128);
TCRYPT_BLOCKCIPHER_CLASS(TCrypt_idea, TCrypt_blockcipher64);

#undef TCRYPT_BLOCKCIPHER_CLASS

class TCrypt_rc4 final : public TCrypt_cipher {
 public:
  TCrypt_rc4();
  ~TCrypt_rc4() override;
  int GetId() const override;
  std::u16string GetAlgorithm() const override;
  int GetMaxKeySize() const override;
  // Runs the key schedule, keeps its state for Reset; the vector is ignored.
  void Init(const void* key, int size, const void* initVector) override;
  void Burn() override;
  void Reset() override;
  void Encrypt(const void* inData, void* outData, std::size_t size) override;
  void Decrypt(const void* inData, void* outData, std::size_t size) override;

 protected:
  void EncipherBytes(std::uint8_t* data, std::size_t size) override;
  void DecipherBytes(std::uint8_t* data, std::size_t size) override;

 private:
  struct State;
  std::unique_ptr<State> fState;
};
