#include "support/testing/RegistryValue.h"

#include <stdexcept>

namespace {

struct TKey {
  HKEY handle = nullptr;
  ~TKey() {
    if (handle) RegCloseKey(handle);
  }
};

}  // namespace

void SetRawRegValue(HKEY root, const std::wstring& key, const std::wstring& name, DWORD type,
                    const void* data, DWORD size) {
  TKey opened;
  if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened.handle,
                      nullptr) != ERROR_SUCCESS ||
      RegSetValueExW(opened.handle, name.c_str(), 0, type, static_cast<const BYTE*>(data), size) !=
          ERROR_SUCCESS) {
    throw std::runtime_error("cannot set a registry value");
  }
}

void SetRegText(HKEY root, const std::wstring& key, const std::wstring& name,
                const std::wstring& text) {
  SetRawRegValue(root, key, name, REG_SZ, text.c_str(),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void DeleteRegValue(HKEY root, const std::wstring& key, const std::wstring& name) {
  TKey opened;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_ALL_ACCESS, &opened.handle) == ERROR_SUCCESS) {
    RegDeleteValueW(opened.handle, name.c_str());
  }
}

TSavedRegValue::TSavedRegValue(HKEY root, std::wstring key, std::wstring name)
    : fRoot(root), fKey(std::move(key)), fName(std::move(name)) {
  TKey opened;
  if (RegOpenKeyExW(fRoot, fKey.c_str(), 0, KEY_READ, &opened.handle) != ERROR_SUCCESS) return;
  DWORD size = 0;
  if (RegQueryValueExW(opened.handle, fName.c_str(), nullptr, &fType, nullptr, &size) !=
      ERROR_SUCCESS) {
    return;
  }
  fData.resize(size);
  fExisted = RegQueryValueExW(opened.handle, fName.c_str(), nullptr, &fType, fData.data(), &size) ==
             ERROR_SUCCESS;
  fData.resize(size);
}

TSavedRegValue::~TSavedRegValue() {
  try {
    if (fExisted) {
      SetRawRegValue(fRoot, fKey, fName, fType, fData.data(), static_cast<DWORD>(fData.size()));
    } else {
      DeleteRegValue(fRoot, fKey, fName);
    }
  } catch (const std::exception&) {
    // Nothing more can be done while the test ends.
  }
}
