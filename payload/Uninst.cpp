// The demo uninstaller: removes what the setup installed (the payload files,
// the folders that held them when they are left empty, the Tessera shortcuts
// and the uninstall entry).
//
// A program cannot delete its own file while it runs, so Uninst.exe copies
// itself into a new folder of its own in the temporary folder, starts the copy
// on the installation folder and ends; the copy does the work and is deleted
// with its folder at the next restart.
//
// Usage: Uninst.exe [/S]     /S removes without asking.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "payload/Product.h"
#include "support/Errors.h"
#include "support/Shell.h"
#include "support/System.h"
#include "support/Text.h"
#include "support/Win32.h"

namespace {

struct InstalledFile {
  const wchar_t* path;  // relative to the installation folder, or the system directory
  bool inSystemDir;
};

// Generated from the payload at build time.
constexpr InstalledFile kInstalledFiles[] = {
#include "payload_files.inc"
};

constexpr wchar_t kCaption[] = L"Brindle Tessera";
constexpr char16_t kWorkerArg[] = u"/from";
constexpr char16_t kWorkerName[] = u"TesseraUninst.exe";

std::u16string ModulePath() {
  std::u16string path(MAX_PATH, u'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(path.data()),
                                       static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::u16string FolderOf(const std::u16string& path) {
  const auto slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1);
}

std::u16string WithSlash(std::u16string folder) {
  if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
  return folder;
}

// Deletes name in the chain's last folder, never what a link of that name
// points at, retrying while the process that started us still runs from the
// file (the file of a running program is denied) or holds it; other failures
// will not pass. A link is left in place.
void DeleteFileIn(const win::TFolderChain& folders, const std::u16string& name) {
  const std::u16string path = folders.Path() + name;
  for (int attempt = 0; attempt < 50; ++attempt) {
    DWORD error = 0;
    {
      const HANDLE handle =
          CreateFileW(win::Wide(path), DELETE | FILE_READ_ATTRIBUTES,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
      if (handle == INVALID_HANDLE_VALUE) return;
      const win::TKernelHandle file(handle);
      if (!folders.Holds(handle, name)) return;
      if (win::DeleteWhenClosed(handle)) return;
      error = GetLastError();
    }
    if (error == ERROR_NOT_SUPPORTED) {
      // Before Vista: by name, which there has no symbolic links to files.
      DeleteFileW(win::Wide(path));
      return;
    }
    if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) return;
    Sleep(100);
  }
}

// Deletes base + relative unless a folder on the way below base is a link.
void DeleteBelow(const std::u16string& base, const std::u16string& relative) {
  const std::size_t nameStart = relative.find_last_of(u'\\') + 1;
  try {
    const win::TFolderChain folders(base, relative.substr(0, nameStart), false);
    DeleteFileIn(folders, relative.substr(nameStart));
  } catch (const Exception&) {
    // A folder on the way is missing or a link: nothing of ours to delete there.
  }
}

// Removes the empty folder name in parent's last folder, unless it is a link.
bool RemoveFolderIn(const win::TFolderChain& parent, const std::u16string& name) {
  const std::u16string path = parent.Path() + name;
  DWORD error = 0;
  {
    const HANDLE handle =
        CreateFileW(win::Wide(path), DELETE | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const win::TKernelHandle folder(handle);
    if (!parent.HoldsFolder(handle, name)) return false;
    if (win::DeleteWhenClosed(handle)) return true;
    error = GetLastError();
  }
  return error == ERROR_NOT_SUPPORTED && RemoveDirectoryW(win::Wide(path));
}

// Removes the folders of a file's path below base, deepest first, as long as
// they are empty.
void RemoveEmptyFolders(const std::u16string& base, std::u16string relative) {
  for (auto slash = relative.find_last_of(u'\\'); slash != std::u16string::npos;
       slash = relative.find_last_of(u'\\')) {
    relative.resize(slash);
    const std::size_t nameStart = relative.find_last_of(u'\\') + 1;
    try {
      const win::TFolderChain parent(base, relative.substr(0, nameStart), false);
      if (!RemoveFolderIn(parent, relative.substr(nameStart))) return;
    } catch (const Exception&) {
      return;
    }
  }
}

// The links that the setup makes, where the setup makes them.
void RemoveShortcuts() {
  for (const TFolderKind kind : {fkDesktop, fkQuickLaunch}) {
    try {
      const std::u16string folder = GetShellFolder(kind);
      if (!folder.empty()) DeleteFileW(win::Wide(ShortcutFile(folder)));
    } catch (const Exception&) {
      // A shell folder value that cannot be read: there is no link to remove.
    }
  }
}

// The installation folder is the one that the setup was given, and is
// followed; below it and in the system directory no link is.
void Uninstall(const std::u16string& installDir) {
  const std::u16string sysDir = GetSystemDir();
  for (const InstalledFile& file : kInstalledFiles) {
    const std::u16string& base = file.inSystemDir ? sysDir : installDir;
    if (base.empty()) continue;
    const std::u16string relative = win::FromWide(file.path);
    DeleteBelow(base, relative);
    if (!file.inSystemDir) RemoveEmptyFolders(installDir, relative);
  }
  RemoveDirectoryW(win::Wide(installDir));
  RemoveShortcuts();
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, win::Wide(kUninstallKey));
}

// The whole file from its current position.
std::string ReadAll(HANDLE file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return {};
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) return {};
  bytes.resize(read);
  return bytes;
}

std::string ReadAll(const std::u16string& path) {
  const HANDLE handle = CreateFileW(win::Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return {};
  const win::TKernelHandle file(handle);
  return ReadAll(handle);
}

// A folder of our own in the temporary folder, made new (relative to temp,
// ending in "\\"); empty when none can be made.
std::u16string NewPrivateFolder(const std::u16string& temp) {
  for (DWORD attempt = 0; attempt < 100; ++attempt) {
    const std::u16string name = u"TesseraUninst-" + IntToStr(GetCurrentProcessId()) + u"-" +
                                IntToStr(static_cast<int>((GetTickCount() + attempt) & 0xFFFFFF));
    if (CreateDirectoryW(win::Wide(temp + name), nullptr)) return name + u"\\";
    if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

// Copies this program into a new folder of its own in the temporary folder
// and starts the copy on our folder. The copy runs elevated: from its first
// byte to its start nobody may swap it. It is written through a handle that
// others may only read, then opened again for reading only (a program that
// another handle may write cannot start), checked to be the very bytes
// written, and held so until the copy has started.
int StartWorker() {
  wchar_t tempPath[MAX_PATH];
  if (!GetTempPathW(MAX_PATH, tempPath)) return 1;
  const std::u16string temp = win::FromWide(tempPath);
  const std::u16string folder = NewPrivateFolder(temp);
  if (folder.empty()) return 1;
  try {
    const win::TFolderChain folders(temp, folder, false);
    const std::u16string worker = folders.Path() + kWorkerName;
    const std::string bytes = ReadAll(ModulePath());
    if (bytes.empty()) return 1;
    const auto open = [&](DWORD access, DWORD disposition) {
      return CreateFileW(win::Wide(worker), access, FILE_SHARE_READ, nullptr, disposition,
                         FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    };
    {
      const HANDLE handle = open(GENERIC_WRITE, CREATE_NEW);
      if (handle == INVALID_HANDLE_VALUE) return 1;
      const win::TKernelHandle copy(handle);
      DWORD written = 0;
      if (!WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
          written != bytes.size()) {
        return 1;
      }
    }
    const HANDLE handle = open(GENERIC_READ, OPEN_EXISTING);
    if (handle == INVALID_HANDLE_VALUE) return 1;
    const win::TKernelHandle held(handle);
    if (!folders.Holds(handle, kWorkerName) || ReadAll(handle) != bytes) return 1;
    // No trailing backslash inside the quotes: it would escape the closing one.
    std::u16string installDir = FolderOf(ModulePath());
    installDir.pop_back();
    std::u16string commandLine = u"\"" + worker + u"\" " + kWorkerArg + u" \"" + installDir + u"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    // Started in the temporary folder: a folder that is some process's current
    // directory cannot be removed.
    if (!CreateProcessW(win::Wide(worker), reinterpret_cast<wchar_t*>(commandLine.data()), nullptr,
                        nullptr, FALSE, 0, nullptr, tempPath, &si, &pi)) {
      return 1;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
  } catch (const Exception&) {
    return 1;
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  win::RestrictDllSearch();
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.push_back(win::FromWide(argv[i]));
  LocalFree(argv);

  bool silent = false;
  std::u16string installDir;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == u"/S" || args[i] == u"/s") {
      silent = true;
    } else if (args[i] == kWorkerArg && i + 1 < args.size()) {
      installDir = WithSlash(args[++i]);
    }
  }

  if (installDir.empty()) {
    if (!silent && MessageBoxW(nullptr, L"Remove Brindle Tessera and all of its components?",
                               kCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) {
      return 0;
    }
    return StartWorker();
  }

  Uninstall(installDir);
  const std::u16string self = ModulePath();
  MoveFileExW(win::Wide(self), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  MoveFileExW(win::Wide(FolderOf(self)), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return 0;
}
