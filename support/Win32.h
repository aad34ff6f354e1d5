// The helpers of every Windows source: text at the Win32 boundary, owners of
// handles and COM references, the system's error texts, registry reads, a
// lock, files, and the owner of a box that is modal to the application.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

#include "support/Registry.h"

namespace win {

// wchar_t is UTF-16 on Windows: the text passes as it is.
inline const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* Wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
inline const wchar_t* Wide(const std::u16string& text) { return Wide(text.c_str()); }

inline std::u16string FromWide(const wchar_t* text) {
  return reinterpret_cast<const char16_t*>(text);
}
inline std::u16string FromWide(const wchar_t* text, std::size_t length) {
  return {reinterpret_cast<const char16_t*>(text), length};
}

// Owns a handle and closes it with Close when it goes.
template <class Handle, auto Close>
class TOwned {
 public:
  TOwned() = default;
  explicit TOwned(Handle handle) : fHandle(handle) {}
  TOwned(const TOwned&) = delete;
  TOwned& operator=(const TOwned&) = delete;
  ~TOwned() { Reset(); }

  Handle Get() const noexcept { return fHandle; }
  // The address for a routine that opens the handle; the owner must be empty.
  Handle* Put() noexcept { return &fHandle; }
  explicit operator bool() const noexcept { return fHandle != nullptr; }
  // Closes the handle held, if any, and takes another one.
  void Reset(Handle handle = nullptr) {
    if (fHandle) Close(fHandle);
    fHandle = handle;
  }

 private:
  Handle fHandle = nullptr;
};

using TRegKey = TOwned<HKEY, &RegCloseKey>;
using TKernelHandle = TOwned<HANDLE, &CloseHandle>;

// Holds one COM reference.
template <class Interface>
class TComPtr {
 public:
  TComPtr() = default;
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;
  ~TComPtr() {
    if (fPtr) fPtr->Release();
  }

  Interface* operator->() const noexcept { return fPtr; }
  Interface* Get() const noexcept { return fPtr; }
  // The address for a routine that hands out a reference; must be empty.
  void** PutVoid() noexcept { return reinterpret_cast<void**>(&fPtr); }

 private:
  Interface* fPtr = nullptr;
};

// The system's text for an error code, trimmed of trailing blanks, line
// breaks and full stops; empty when the system has none.
std::u16string SysErrorMessage(DWORD code);

// The predefined key of a root given as its 32-bit handle value, sign-extended
// as the HKEY_* constants are on 64-bit Windows.
inline HKEY RootKey(TRegRoot root) {
  return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
}

// A string value of an opened key: the text up to its first null, not
// expanded; empty when the value is missing or has no data. Another type
// raises "Invalid data type for '%s'".
std::u16string ReadStringValue(HKEY key, const std::u16string& valueName);

// A file, not a directory, is there.
inline bool FileExists(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A lock for data that threads share. Windows' own, so that the programs
// need no thread library (whose builds may import what older systems lack).
class TCriticalSection {
 public:
  TCriticalSection() { InitializeCriticalSection(&fSection); }
  ~TCriticalSection() { DeleteCriticalSection(&fSection); }
  TCriticalSection(const TCriticalSection&) = delete;
  TCriticalSection& operator=(const TCriticalSection&) = delete;

  // Holds the lock while it lives.
  class TLock {
   public:
    explicit TLock(TCriticalSection& section) : fSection(section.fSection) {
      EnterCriticalSection(&fSection);
    }
    ~TLock() { LeaveCriticalSection(&fSection); }
    TLock(const TLock&) = delete;
    TLock& operator=(const TLock&) = delete;

   private:
    CRITICAL_SECTION& fSection;
  };

 private:
  CRITICAL_SECTION fSection;
};

// The owner of a box that is modal to the application: its active window, or,
// while another application is active, its visible and enabled top-level
// window; an unowned box would leave the wizard usable behind it.
HWND ModalOwner();

}  // namespace win
