// The S-boxes of the CAST family: S1 to S4 drive the round functions of
// CAST-128 and CAST-256, S5 to S8 only the CAST-128 key schedule.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace cast {

extern const std::uint32_t kSBox[8][256];

// The three round functions that both ciphers share: data word, masking key
// and rotation key.
inline std::uint32_t F1(std::uint32_t d, std::uint32_t km, unsigned kr) {
  const std::uint32_t i = std::rotl(km + d, static_cast<int>(kr));
  return ((kSBox[0][i >> 24] ^ kSBox[1][(i >> 16) & 0xFF]) - kSBox[2][(i >> 8) & 0xFF]) +
         kSBox[3][i & 0xFF];
}

inline std::uint32_t F2(std::uint32_t d, std::uint32_t km, unsigned kr) {
  const std::uint32_t i = std::rotl(km ^ d, static_cast<int>(kr));
  return ((kSBox[0][i >> 24] - kSBox[1][(i >> 16) & 0xFF]) + kSBox[2][(i >> 8) & 0xFF]) ^
         kSBox[3][i & 0xFF];
}

inline std::uint32_t F3(std::uint32_t d, std::uint32_t km, unsigned kr) {
  const std::uint32_t i = std::rotl(km - d, static_cast<int>(kr));
  return ((kSBox[0][i >> 24] + kSBox[1][(i >> 16) & 0xFF]) ^ kSBox[2][(i >> 8) & 0xFF]) -
         kSBox[3][i & 0xFF];
}

// Types 1, 2 and 3 as kind 0, 1 and 2: both ciphers take them in turn.
inline std::uint32_t F(std::size_t kind, std::uint32_t d, std::uint32_t km, unsigned kr) {
  switch (kind % 3) {
    case 0:
      return F1(d, km, kr);
    case 1:
      return F2(d, km, kr);
    default:
      return F3(d, km, kr);
  }
}

}  // namespace cast
