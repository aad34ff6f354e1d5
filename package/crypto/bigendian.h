// Words as big-endian byte strings, the byte order in which the Blowfish,
// CAST and IDEA standards give their blocks and keys.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bigendian {

template <class Word>
Word Load(const std::uint8_t* bytes) {
  Word word = 0;
  for (std::size_t i = 0; i < sizeof(Word); ++i) word = static_cast<Word>(word << 8 | bytes[i]);
  return word;
}

template <class Word>
void Store(Word word, std::uint8_t* bytes) {
  for (std::size_t i = sizeof(Word); i-- > 0; word = static_cast<Word>(word >> 8)) {
    bytes[i] = static_cast<std::uint8_t>(word);
  }
}

}  // namespace bigendian
