// Registry values for tests: raw writes, and a value saved and put back when
// the test ends.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Stores data of any type under root\key (created when absent); throws
// std::runtime_error when it cannot.
void SetRawRegValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
                    const void* data, DWORD size);
void SetRegText(HKEY root, const std::wstring& key, const std::wstring& name,
                const std::wstring& text);
// Removes a value; a missing one is no error.
void DeleteRegValue(HKEY root, const std::wstring& key, const std::wstring& name);

// Remembers a value (or that it is missing) and restores that state when it
// goes, whatever the test did to it meanwhile.
class TSavedRegValue {
 public:
  TSavedRegValue(HKEY root, std::wstring key, std::wstring name);
  ~TSavedRegValue();
  TSavedRegValue(const TSavedRegValue&) = delete;
  TSavedRegValue& operator=(const TSavedRegValue&) = delete;

 private:
  HKEY fRoot;
  std::wstring fKey;
  std::wstring fName;
  bool fExisted = false;
  DWORD fType = 0;
  std::vector<BYTE> fData;
};
