// The text form of a byte count.
#include <charconv>
#include <cmath>

#include "support/Format.h"
#include "support/Text.h"

namespace {

// Nearest whole number, halves to the even neighbour, whatever the FPU's
// rounding mode.
long double RoundHalfEven(long double value) {
  const long double lower = std::floor(value);
  const long double fraction = value - lower;
  if (fraction > 0.5L) return lower + 1;
  if (fraction < 0.5L) return lower;
  return std::fmod(lower, 2.0L) == 0 ? lower : lower + 1;
}

// Above 100 a whole number, else one decimal: tenths rounded in extended
// precision and scaled back.
long double RoundForUnit(double units) {
  if (units > 100) return RoundHalfEven(units);
  return RoundHalfEven(static_cast<long double>(units) * 10) * 0.1L;
}

// The general format with 15 significant digits: no exponent at these
// magnitudes, no trailing zeros, the given decimal separator.
std::u16string FormatGeneral(long double value, char16_t decimalSeparator) {
  char digits[32];
  const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<double>(value),
                                 std::chars_format::general, 15)
                       .ptr;
  std::u16string text(digits, end);
  for (char16_t& c : text) {
    if (c == u'.') c = decimalSeparator;
  }
  return text;
}

std::u16string FormatInUnit(std::int64_t size, std::int64_t unit, const char16_t* suffix,
                            char16_t decimalSeparator) {
  const double units = static_cast<double>(static_cast<long double>(size) / unit);
  return FormatGeneral(RoundForUnit(units), decimalSeparator) + suffix;
}

}  // namespace

std::u16string FormatSize(std::int64_t size, char16_t decimalSeparator) {
  if (size < 1024) return IntToStr(size) + u" Bytes";
  if (size < 0x100000) {
    return FormatGeneral(RoundHalfEven(static_cast<long double>(size) / 1024), decimalSeparator) +
           u" KB";
  }
  if (size < 0x40000000) return FormatInUnit(size, 0x100000, u" MB", decimalSeparator);
  return FormatInUnit(size, 0x40000000, u" GB", decimalSeparator);
}

std::u16string FormatSize(std::int64_t size) { return FormatSize(size, DecimalSeparator()); }
