// The helpers of every Windows source: text at the Win32 boundary, owners of
// handles and COM references, the system's error texts, registry reads, a
// lock, files, and the owner of a box that is modal to the application.
#pragma once

#include <windows.h>

#include <list>
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

// A DLL that is not one of the KnownDLLs, from the system directory by its
// full path, with its own imports looked for there first; null when it
// cannot be loaded. It stays loaded for the rest of the process.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A function of a loaded module with its declared type, null when the module
// or the function is missing: for what a shipped program may not import.
template <class Function>
Function* ProcAddress(HMODULE module, const char* name) {
  if (!module) return nullptr;
  // Through the generic function type, which converts to any other.
  return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Restricts the DLL search of the whole process to the system directory: the
// setup and the uninstaller run elevated from folders that others can write,
// where a DLL of a known name would otherwise be loaded. Each program calls
// it first. Without SetDefaultDllDirectories (XP, Vista, 7 without its
// update) the current directory is taken out of the search instead; the
// program's own folder stays in it there, so DLLs that are not KnownDLLs are
// loaded through LoadSystemLibrary only.

// Inline, so that a program as small as Tessera.exe needs no library for it.
inline void RestrictDllSearch() {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  using TSetDefault = BOOL WINAPI(DWORD);
  auto* const setDefault = ProcAddress<TSetDefault>(kernel, "SetDefaultDllDirectories");
  if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  using TSetDllDirectory = BOOL WINAPI(LPCWSTR);
  if (auto* const setDllDirectory = ProcAddress<TSetDllDirectory>(kernel, "SetDllDirectoryW")) {
    setDllDirectory(L"");
  }
}

// The reason given when a link stands where a file or folder is made.
inline constexpr char16_t kLinkInTheWay[] = u"A link or junction is in the way";

// The folders from base down to base + relative (a relative folder path,
// empty or ending in "\"), each opened in turn without following a link and
// held open without delete sharing, so that none can be renamed, removed or
// replaced by a link while the chain lives. base itself is followed. Missing
// folders below base are made when create is set. Raises EFileError with
// "Cannot create file \"%s\". <reason>" when a folder below base is a link,
// junction or other reparse point, or cannot be opened.
class TFolderChain {
 public:
  TFolderChain(const std::u16string& base, const std::u16string& relative, bool create);
  TFolderChain(const TFolderChain&) = delete;
  TFolderChain& operator=(const TFolderChain&) = delete;

  // base + relative, as given.
  const std::u16string& Path() const noexcept { return fPath; }
  // Whether handle, opened on Path() + name with FILE_FLAG_OPEN_REPARSE_POINT,
  // is a file of that name itself: no reparse point, one link only, and, where
  // the system can tell, the path that the handle reached is the chain's own.
  bool Holds(HANDLE handle, const std::u16string& name) const;
  // The same for a folder of that name.
  bool HoldsFolder(HANDLE handle, const std::u16string& name) const;

 private:
  bool Reached(HANDLE handle, const std::u16string& name, bool folder) const;

  std::u16string fPath;
  std::u16string fPathSoFar;  // the last folder opened
  std::u16string fFinalPath;  // of the last folder, where the system can tell
  std::list<TKernelHandle> fFolders;
};

// Marks an open file or empty folder to go when its handle is closed: by the
// handle, not by a name that a link may have taken meanwhile. The handle needs
// delete access. False on failure, and where the system cannot (before Vista)
// with the error ERROR_NOT_SUPPORTED.
bool DeleteWhenClosed(HANDLE handle);

// The path that an open handle reached, links resolved ("\\?\C:\..."); empty
// where the system cannot tell (before Vista).
std::u16string FinalPath(HANDLE handle);

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
