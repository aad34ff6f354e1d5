// The setup package: cipher strings, the container format and the extractor.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "package/crypto/Crypt.h"

// ---------------------------------------------------------------------------
// Cipher strings

// The plain text of a cipher string, or the empty text when anything is wrong;
// never raises.
std::u16string DecryptCipherString(std::u16string_view text, std::u16string_view passPhrase);

// New, uninitialised objects for the selectors of a cipher string's header
// (hash 0 to 4, cipher 0 to 8).
std::unique_ptr<TCrypt_hash> CreateHash(int selector);
std::unique_ptr<TCrypt_cipher> CreateCipher(int selector);

// ---------------------------------------------------------------------------
// Package container and extractor

// Percent done, 0 to 100, after each file written.
using TExtractProgressEvent = std::function<void(std::int32_t percent)>;
