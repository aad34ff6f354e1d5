#include "app/tests/Installation.h"

#include <tlhelp32.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "support/Errors.h"
#include "support/Shell.h"
#include "support/System.h"
#include "support/Text.h"
#include "support/Win32.h"
#include "toolkit/Toolkit.h"
#include "toolkit/testing/WindowQueries.h"

namespace fs = std::filesystem;

namespace {

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The manifest names the files that go to the system directory.
std::vector<std::u16string> SystemFiles(const fs::path& stage) {
  std::vector<std::u16string> files;
  std::istringstream manifest(FileText(stage / "stpack.manifest"));
  for (std::string line; std::getline(manifest, line);) {
    if (line.rfind("system ", 0) == 0) files.push_back(Utf8ToUtf16(line.substr(7)));
  }
  return files;
}

}  // namespace

std::vector<TPayloadFile> PayloadFiles() {
  const fs::path stage = TESSERA_PAYLOAD_STAGE;
  const std::vector<std::u16string> system = SystemFiles(stage);
  std::vector<TPayloadFile> files;
  for (const auto& entry : fs::recursive_directory_iterator(stage)) {
    if (!entry.is_regular_file() || entry.path().filename() == "stpack.manifest") continue;
    std::u16string relative = fs::relative(entry.path(), stage).u16string();
    std::replace(relative.begin(), relative.end(), u'/', u'\\');
    const bool inSystem = std::find(system.begin(), system.end(), relative) != system.end();
    files.push_back(
        {entry.path(), inSystem ? fs::path(relative).filename().u16string() : relative, inSystem});
  }
  return files;
}

std::u16string InstalledPath(const TPayloadFile& file, const std::u16string& folder) {
  return (file.inSystemDir ? GetSystemDir() : folder) + file.relative;
}

std::u16string TesseraLink(TFolderKind kind) { return ShortcutFile(GetShellFolder(kind)); }

HWND TesseraWindow() { return FindWindowW(L"TfrmMain", L"Tessera"); }

bool TesseraProcessRuns() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) throw Exception(u"Cannot list the processes");
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
       more = Process32NextW(snapshot, &entry)) {
    found = lstrcmpiW(entry.szExeFile, L"Tessera.exe") == 0;
  }
  CloseHandle(snapshot);
  return found;
}

void CloseTessera() {
  for (int attempt = 0; attempt < 5; ++attempt) {
    const HWND window = TesseraWindow();
    if (!window) return;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (process) {
      WaitForSingleObject(process, testing_windows::kPatience);
      CloseHandle(process);
    }
  }
}

void RemoveInstallation(const std::u16string& folder) {
  CloseTessera();
  std::error_code ignored;
  if (!folder.empty()) fs::remove_all(fs::path(folder), ignored);
  for (const TFolderKind kind : {fkDesktop, fkQuickLaunch}) {
    DeleteFileW(win::Wide(TesseraLink(kind)));
  }
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, win::Wide(kUninstallKey));
  for (const TPayloadFile& file : PayloadFiles()) {
    if (file.inSystemDir) DeleteFileW(win::Wide(InstalledPath(file, u"")));
  }
}

std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Exists(const std::u16string& path) {
  return GetFileAttributesW(win::Wide(path)) != INVALID_FILE_ATTRIBUTES;
}

bool UninstallKeyExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, win::Wide(kUninstallKey), 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

bool StartSilentUninstall(const std::u16string& folder) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::u16string command = u"\"" + folder + u"Uninst.exe\" /S";
  if (!CreateProcessW(nullptr, win::Wide(command.data()), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool InstallationOver(TWizardProcess& setup) {
  return !setup.Running() || testing_windows::FindMessageBox(setup.ProcessId()).handle ||
         (setup.VisiblePage() == 4 && setup.Enabled(u"btnNext"));
}
