// The hexadecimal digits of pi, from which Blowfish fills its P-array and
// S-boxes and HAVAL takes its initial value and round constants. Private to
// the algorithm files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace pi_digits {

// As many words as the largest user needs: Blowfish's 18 P-array entries and
// four S-boxes of 256.
inline constexpr std::size_t kMaxWords = 18 + 4 * 256;

// The first count 32-bit words of the fractional part of pi, most
// significant first (0x243F6A88, 0x85A308D3, ...). Computed on the first call
// and kept; safe to call from several threads. Raises std::length_error for
// a count above kMaxWords.
std::span<const std::uint32_t> FractionWords(std::size_t count);

}  // namespace pi_digits
