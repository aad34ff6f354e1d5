// Creating registry keys and writing and reading string values.
#pragma once

#include <cstdint>
#include <string>

// A predefined registry root, passed as its 32-bit handle value.
enum TRegRoot : std::uint32_t {
  rrCurrentUser = 0x80000001u,   // HKEY_CURRENT_USER
  rrLocalMachine = 0x80000002u,  // HKEY_LOCAL_MACHINE
};

bool CreateRegKey(TRegRoot root, const std::u16string& keyPath);
bool WriteRegString(TRegRoot root, const std::u16string& keyPath, const std::u16string& valueName,
                    const std::u16string& value);
std::u16string ReadRegString(TRegRoot root, const std::u16string& keyPath,
                             const std::u16string& valueName);
