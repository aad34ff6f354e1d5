// Words as byte strings: big-endian, the order of the Blowfish, CAST, DES,
// IDEA, Rijndael and SHA standards, and little-endian, the order of MD5,
// HAVAL and Twofish. Private to the algorithm files.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bigendian {

template <class Word>
constexpr Word Load(const std::uint8_t* bytes) {
  Word word = 0;
  for (std::size_t i = 0; i < sizeof(Word); ++i) word = static_cast<Word>(word << 8 | bytes[i]);
  return word;
}

template <class Word>
constexpr void Store(Word word, std::uint8_t* bytes) {
  for (std::size_t i = sizeof(Word); i-- > 0; word = static_cast<Word>(word >> 8)) {
    bytes[i] = static_cast<std::uint8_t>(word);
  }
}

}  // namespace bigendian

namespace littleendian {

template <class Word>
constexpr Word Load(const std::uint8_t* bytes) {
  Word word = 0;
  for (std::size_t i = sizeof(Word); i-- > 0;) word = static_cast<Word>(word << 8 | bytes[i]);
  return word;
}

template <class Word>
constexpr void Store(Word word, std::uint8_t* bytes) {
  for (std::size_t i = 0; i < sizeof(Word); ++i, word = static_cast<Word>(word >> 8)) {
    bytes[i] = static_cast<std::uint8_t>(word);
  }
}

}  // namespace littleendian
