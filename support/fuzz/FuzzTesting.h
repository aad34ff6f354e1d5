// Helpers shared by the fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace fuzztesting {

// A broken property: the message, then an abort that libFuzzer reports.
[[noreturn]] inline void Fail(const std::string& what) {
  std::fprintf(stderr, "%s\n", what.c_str());
  std::abort();
}

// Bytes as UTF-16 units: little-endian pairs (an odd last byte alone), or
// one unit per byte, which keeps short mutations in the ASCII range.
inline std::u16string UnitsOf(const std::uint8_t* data, std::size_t size, bool utf16) {
  std::u16string units;
  for (std::size_t i = 0; i < size; i += utf16 ? 2 : 1) {
    const unsigned high = utf16 && i + 1 < size ? data[i + 1] : 0u;
    units.push_back(static_cast<char16_t>(data[i] | high << 8));
  }
  return units;
}

}  // namespace fuzztesting
