// The demo uninstaller: removes what the setup installed (the payload files,
// the folders that held them when they are left empty, the Tessera shortcuts
// and the uninstall entry).
//
// A program cannot delete its own file while it runs, so Uninst.exe copies
// itself to the temporary folder, starts the copy on the installation folder
// and ends; the copy does the work and is deleted at the next restart.
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
constexpr wchar_t kWorkerArg[] = L"/from";

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring FolderOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring WithSlash(std::wstring folder) {
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder;
}

// Deletes a file, retrying while the process that started us still runs from
// it (the file of a running program is denied) or holds it; other failures
// will not pass.
void DeleteWithRetry(const std::wstring& path) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (DeleteFileW(path.c_str())) return;
    const DWORD error = GetLastError();
    if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) return;
    Sleep(100);
  }
}

// Removes the folders of path below base, deepest first, as long as they are empty.
void RemoveEmptyFolders(const std::wstring& base, std::wstring relative) {
  for (auto slash = relative.find_last_of(L'\\'); slash != std::wstring::npos;
       slash = relative.find_last_of(L'\\')) {
    relative.resize(slash);
    if (!RemoveDirectoryW((base + relative).c_str())) return;
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

void Uninstall(const std::wstring& installDir) {
  const std::wstring sysDir = win::Wide(GetSystemDir());
  for (const InstalledFile& file : kInstalledFiles) {
    const std::wstring& base = file.inSystemDir ? sysDir : installDir;
    if (base.empty()) continue;
    DeleteWithRetry(base + file.path);
    if (!file.inSystemDir) RemoveEmptyFolders(installDir, file.path);
  }
  RemoveDirectoryW(installDir.c_str());
  RemoveShortcuts();
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, win::Wide(kUninstallKey));
}

// Copies this program to the temporary folder and starts the copy on our folder.
int StartWorker() {
  wchar_t temp[MAX_PATH];
  if (!GetTempPathW(MAX_PATH, temp)) return 1;
  const std::wstring worker = std::wstring(temp) + L"TesseraUninst.exe";
  if (!CopyFileW(ModulePath().c_str(), worker.c_str(), FALSE)) return 1;
  // No trailing backslash inside the quotes: it would escape the closing one.
  std::wstring folder = FolderOf(ModulePath());
  folder.pop_back();
  std::wstring commandLine = L"\"" + worker + L"\" " + kWorkerArg + L" \"" + folder + L"\"";
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  // Started in the temporary folder: a folder that is some process's current
  // directory cannot be removed.
  if (!CreateProcessW(worker.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, temp,
                      &si, &pi)) {
    return 1;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::wstring> args(argv + 1, argv + argc);
  LocalFree(argv);

  bool silent = false;
  std::wstring installDir;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == L"/S" || args[i] == L"/s") {
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
  MoveFileExW(ModulePath().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return 0;
}
