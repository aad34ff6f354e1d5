// Starts a program through the shell.
#include <windows.h>

#include <shellapi.h>

#include "app/SetupForm.h"
#include "support/Win32.h"

HANDLE RunProgram(const std::u16string& FileName, const std::u16string& Parameters) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;  // 60 on 32-bit Windows, 112 on 64-bit
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpFile = win::Wide(FileName);
  info.lpParameters = win::Wide(Parameters);
  info.nShow = SW_SHOWNORMAL;
  return ShellExecuteExW(&info) ? info.hProcess : nullptr;
}
