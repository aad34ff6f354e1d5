// The text forms that the wizard shows.
#pragma once

#include <cstdint>
#include <string>

// A byte count as "1023 Bytes", "2 KB", "1.2 MB", "2.5 GB".
std::u16string FormatSize(std::int64_t size);
// The same with a given decimal separator.
std::u16string FormatSize(std::int64_t size, char16_t decimalSeparator);

inline std::u16string ChooseStr(bool condition, const std::u16string& whenTrue,
                                const std::u16string& whenFalse) {
  return condition ? whenTrue : whenFalse;
}
