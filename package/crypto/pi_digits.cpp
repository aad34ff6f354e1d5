// The fraction of pi in 32-bit words by Machin's formula
// pi = 16 atan(1/5) - 4 atan(1/239), in fixed point.
#include "package/crypto/pi_digits.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

namespace pi_digits {
namespace {

// A number in fixed point: word 0 holds the integer part, the rest the
// fraction, most significant word first.
using Fixed = std::vector<std::uint32_t>;

// x /= d, skipping the words before 'from', which are zero.
void DivideSmall(Fixed& x, std::uint32_t d, std::size_t from) {
  std::uint64_t rest = 0;
  for (std::size_t i = from; i < x.size(); ++i) {
    const std::uint64_t part = rest << 32 | x[i];
    x[i] = static_cast<std::uint32_t>(part / d);
    rest = part % d;
  }
}

void MultiplySmall(Fixed& x, std::uint32_t m) {
  std::uint64_t carry = 0;
  for (std::size_t i = x.size(); i-- > 0;) {
    const std::uint64_t part = std::uint64_t{x[i]} * m + carry;
    x[i] = static_cast<std::uint32_t>(part);
    carry = part >> 32;
  }
}

// acc += t or acc -= t; every result here stays non-negative.
void Accumulate(Fixed& acc, const Fixed& t, bool subtract) {
  std::int64_t carry = 0;
  for (std::size_t i = acc.size(); i-- > 0;) {
    const std::int64_t term = subtract ? -std::int64_t{t[i]} : std::int64_t{t[i]};
    const std::int64_t part = std::int64_t{acc[i]} + term + carry;
    acc[i] = static_cast<std::uint32_t>(part);
    carry = part >> 32;  // arithmetic shift: -1 for a borrow
  }
}

// atan(1/x) = sum over k of (-1)^k / ((2k+1) x^(2k+1)).
Fixed ArctanInverse(std::uint32_t x, std::size_t words) {
  Fixed power(words);
  power[0] = 1;
  DivideSmall(power, x, 0);
  Fixed sum = power;
  Fixed term(words);
  std::size_t lead = 0;  // the words of power before this one are zero
  for (std::uint32_t k = 1;; ++k) {
    DivideSmall(power, x * x, lead);
    while (lead < words && power[lead] == 0) ++lead;
    if (lead == words) return sum;
    term = power;
    DivideSmall(term, 2 * k + 1, lead);
    Accumulate(sum, term, k % 2 == 1);
  }
}

using Words = std::array<std::uint32_t, kMaxWords>;

// The guard words absorb the rounding of the divisions.
Words Compute() {
  constexpr std::size_t kGuardWords = 4;
  constexpr std::size_t words = 1 + kMaxWords + kGuardWords;
  Fixed pi = ArctanInverse(5, words);
  MultiplySmall(pi, 16);
  Fixed rest = ArctanInverse(239, words);
  MultiplySmall(rest, 4);
  Accumulate(pi, rest, true);
  Words fraction;
  std::copy_n(pi.begin() + 1, fraction.size(), fraction.begin());
  return fraction;
}

}  // namespace

std::span<const std::uint32_t> FractionWords(std::size_t count) {
  if (count > kMaxWords) throw std::length_error("pi_digits::FractionWords: count too large");
  static const Words fraction = Compute();
  return std::span<const std::uint32_t>(fraction).first(count);
}

}  // namespace pi_digits
