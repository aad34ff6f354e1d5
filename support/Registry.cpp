// Creating keys and writing and reading string values.
#include "support/Registry.h"

#include "support/Errors.h"
#include "support/Win32.h"

namespace {

using win::Wide;

ERegistryException ValueError(const char16_t* text, const std::u16string& valueName) {
  return ERegistryException(text + (u"'" + valueName + u"'"));
}

// A key path relative to its root: one leading backslash is ignored.
std::u16string RelativePath(const std::u16string& keyPath) {
  return keyPath.starts_with(u'\\') ? keyPath.substr(1) : keyPath;
}

// Opens a key path under a root, creating it and its missing parents.
LONG CreateKey(TRegRoot root, const std::u16string& keyPath, win::TRegKey& key) {
  return RegCreateKeyExW(win::RootKey(root), Wide(RelativePath(keyPath)), 0, nullptr,
                         REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr);
}

LONG OpenKey(TRegRoot root, const std::u16string& keyPath, win::TRegKey& key) {
  return RegOpenKeyExW(win::RootKey(root), Wide(RelativePath(keyPath)), 0, KEY_ALL_ACCESS,
                       key.Put());
}

}  // namespace

std::u16string win::ReadStringValue(HKEY key, const std::u16string& valueName) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, Wide(valueName), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      size == 0) {
    return {};
  }
  // One unit more than the data, so that text stored without its null ends.
  std::u16string data((size + 1) / 2 + 1, u'\0');
  if (RegQueryValueExW(key, Wide(valueName), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                       &size) != ERROR_SUCCESS) {
    throw ValueError(u"Failed to get data for ", valueName);
  }
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    throw ValueError(u"Invalid data type for ", valueName);
  data.resize(data.find(u'\0'));
  return data;
}

bool CreateRegKey(TRegRoot root, const std::u16string& keyPath) {
  win::TRegKey key;
  if (CreateKey(root, keyPath, key) != ERROR_SUCCESS) {
    throw ERegistryException(u"Failed to create key " + keyPath);
  }
  return true;
}

bool WriteRegString(TRegRoot root, const std::u16string& keyPath, const std::u16string& valueName,
                    const std::u16string& value) {
  win::TRegKey key;
  if (CreateKey(root, keyPath, key) != ERROR_SUCCESS) return false;
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(char16_t));
  if (RegSetValueExW(key.Get(), Wide(valueName), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(value.c_str()), bytes) != ERROR_SUCCESS) {
    throw ValueError(u"Failed to set data for ", valueName);
  }
  return true;
}

std::u16string ReadRegString(TRegRoot root, const std::u16string& keyPath,
                             const std::u16string& valueName) {
  win::TRegKey key;
  if (OpenKey(root, keyPath, key) != ERROR_SUCCESS) return {};
  return win::ReadStringValue(key.Get(), valueName);
}
