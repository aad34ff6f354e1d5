// Where the programs load DLLs from, and the folders that they write and
// delete in without following links.
#include "support/Win32.h"

#include "support/Errors.h"
#include "support/System.h"

namespace {

DWORD WINAPI NoFinalPath(HANDLE, LPWSTR, DWORD, DWORD) { return 0; }

using TGetFinalPath = DWORD WINAPI(HANDLE, LPWSTR, DWORD, DWORD);

TGetFinalPath* GetFinalPath() {
  static TGetFinalPath* const get = win::ProcAddress<TGetFinalPath>(
      GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW");
  return get ? get : &NoFinalPath;
}

bool SamePath(std::u16string a, std::u16string b) {
  if (a.size() != b.size()) return false;
  CharUpperBuffW(reinterpret_cast<wchar_t*>(a.data()), static_cast<DWORD>(a.size()));
  CharUpperBuffW(reinterpret_cast<wchar_t*>(b.data()), static_cast<DWORD>(b.size()));
  return a == b;
}

std::u16string Join(const std::u16string& folder, const std::u16string& name) {
  return !folder.empty() && folder.back() == u'\\' ? folder + name : folder + u'\\' + name;
}

[[noreturn]] void RaiseCannotCreate(const std::u16string& path, const std::u16string& reason) {
  throw EFileError(u"Cannot create file \"" + path + u"\". " + reason);
}

}  // namespace

HMODULE win::LoadSystemLibrary(const wchar_t* name) {
  // By full path, and what it imports from its own folder first: Wine
  // resolves the imports of a DLL that a program loads by the unrestricted
  // search. The path skips a manifest's side-by-side redirection, which the
  // programs' manifests do not ask for.
  return LoadLibraryExW(Wide(GetSystemDir() + FromWide(name)), nullptr,
                        LOAD_WITH_ALTERED_SEARCH_PATH);
}

std::u16string win::FinalPath(HANDLE handle) {
  std::u16string path(MAX_PATH, u'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(path.size());
    const DWORD n = GetFinalPath()(handle, reinterpret_cast<wchar_t*>(path.data()), size, 0);
    if (n < size) {
      path.resize(n);
      return path;
    }
    path.resize(n);
  }
}

win::TFolderChain::TFolderChain(const std::u16string& base, const std::u16string& relative,
                                bool create)
    : fPath(base + relative) {
  // The base is the user's choice and is followed.
  std::u16string path = base;
  auto open = [&](DWORD flags) {
    TKernelHandle& folder = fFolders.emplace_back();
    const HANDLE handle =
        CreateFileW(Wide(path), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE) RaiseCannotCreate(path, SysErrorMessage(GetLastError()));
    *folder.Put() = handle;
    return handle;
  };
  fFinalPath = FinalPath(open(FILE_FLAG_BACKUP_SEMANTICS));
  fPathSoFar = path;
  for (std::size_t start = 0; start < relative.size();) {
    std::size_t end = relative.find_first_of(u"\\/", start);
    if (end == std::u16string::npos) end = relative.size();
    const std::u16string part = relative.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == u".") continue;
    path = Join(path, part);
    if (create) CreateDirectoryW(Wide(path), nullptr);
    const HANDLE handle = open(FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT);
    if (!HoldsFolder(handle, part)) RaiseCannotCreate(path, kLinkInTheWay);
    fFinalPath = FinalPath(handle);
    fPathSoFar = path;
  }
}

// Wine shows a link only in the attributes by name and in the final path.
bool win::TFolderChain::Reached(HANDLE handle, const std::u16string& name, bool folder) const {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return false;
  const DWORD byName = GetFileAttributesW(Wide(Join(fPathSoFar, name)));
  if (byName == INVALID_FILE_ATTRIBUTES) return false;
  for (const DWORD attributes : {info.dwFileAttributes, byName}) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != folder) {
      return false;
    }
  }
  // A hard link would let the file's other name be written.
  if (!folder && info.nNumberOfLinks > 1) return false;
  const std::u16string final = FinalPath(handle);
  return final.empty() == fFinalPath.empty() &&
         (final.empty() || SamePath(final, Join(fFinalPath, name)));
}

bool win::TFolderChain::Holds(HANDLE handle, const std::u16string& name) const {
  return Reached(handle, name, false);
}

bool win::TFolderChain::HoldsFolder(HANDLE handle, const std::u16string& name) const {
  return Reached(handle, name, true);
}

bool win::DeleteWhenClosed(HANDLE handle) {
  using TSetInformation = BOOL WINAPI(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);
  static auto* const setInformation =
      ProcAddress<TSetInformation>(GetModuleHandleW(L"kernel32.dll"), "SetFileInformationByHandle");
  if (!setInformation) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return false;
  }
  FILE_DISPOSITION_INFO disposition{TRUE};
  return setInformation(handle, FileDispositionInfo, &disposition, sizeof disposition);
}
