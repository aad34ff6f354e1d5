// A DLL that the tests plant under the names of the DLLs that the setup and
// the uninstaller load: on loading it appends its own path to the file that
// TESSERA_PLANTED_LOG names, one line each, and does nothing else. It exports
// nothing, so a program that imports a DLL of its name does not start.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID /*reserved*/) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t log[MAX_PATH];
  const DWORD logLength = GetEnvironmentVariableW(L"TESSERA_PLANTED_LOG", log, MAX_PATH);
  if (logLength == 0 || logLength >= MAX_PATH) return TRUE;
  wchar_t line[MAX_PATH + 2];
  DWORD length = GetModuleFileNameW(self, line, MAX_PATH);
  line[length++] = L'\r';
  line[length++] = L'\n';
  const HANDLE file = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return TRUE;
  DWORD written = 0;
  WriteFile(file, line, length * sizeof(wchar_t), &written, nullptr);
  CloseHandle(file);
  return TRUE;
}
