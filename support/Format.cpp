// The text form of a byte count.
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

// In tenths: above 100 a whole number, else one decimal, rounded in extended
// precision.
std::int64_t TenthsForUnit(double units) {
  if (units > 100) return static_cast<std::int64_t>(RoundHalfEven(units)) * 10;
  return static_cast<std::int64_t>(RoundHalfEven(static_cast<long double>(units) * 10));
}

// What the general format with 15 significant digits shows for these
// magnitudes: no exponent, no trailing zero, the given decimal separator.
// Integer digits, so that no floating-point printing is linked in.
std::u16string FormatTenths(std::int64_t tenths, char16_t decimalSeparator) {
  std::u16string text = IntToStr(tenths / 10);
  if (tenths % 10 != 0) text += {decimalSeparator, static_cast<char16_t>(u'0' + tenths % 10)};
  return text;
}

std::u16string FormatInUnit(std::int64_t size, std::int64_t unit, const char16_t* suffix,
                            char16_t decimalSeparator) {
  const double units = static_cast<double>(static_cast<long double>(size) / unit);
  return FormatTenths(TenthsForUnit(units), decimalSeparator) + suffix;
}

}  // namespace

std::u16string FormatSize(std::int64_t size, char16_t decimalSeparator) {
  if (size < 1024) return IntToStr(size) + u" Bytes";
  if (size < 0x100000) {
    const auto kilobytes =
        static_cast<std::int64_t>(RoundHalfEven(static_cast<long double>(size) / 1024));
    return IntToStr(kilobytes) + u" KB";
  }
  if (size < 0x40000000) return FormatInUnit(size, 0x100000, u" MB", decimalSeparator);
  return FormatInUnit(size, 0x40000000, u" GB", decimalSeparator);
}

std::u16string FormatSize(std::int64_t size) { return FormatSize(size, DecimalSeparator()); }
