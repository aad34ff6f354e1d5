// Reading windows as a test sees them, also those of another process: texts,
// classes, children, and the system's message boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_windows {

// How long a test waits for what has no time of its own to keep (a program's
// start, an answer to a message, an installation) before it gives up: long
// enough for a loaded machine, short enough to end a hang.
inline constexpr DWORD kPatience = 60000;

std::u16string ClassOf(HWND window);
// The window text, copied across processes by the system.
std::u16string WindowText(HWND window);
std::vector<HWND> ChildWindows(HWND parent);
// The top-level windows of a process that have the given class.
std::vector<HWND> TopLevelWindows(DWORD processId, const std::u16string& className);

// A message box: its texts, whether it shows an icon, and its buttons.
struct TMessageBoxInfo {
  HWND handle = nullptr;
  std::u16string caption;
  std::u16string text;
  bool hasIcon = false;
  std::vector<std::u16string> buttons;
};

// The shown message box of a process, or one with a null handle.
TMessageBoxInfo FindMessageBox(DWORD processId);
// Presses the button of that caption; false when the box has none.
bool PressMessageBoxButton(const TMessageBoxInfo& box, const std::u16string& caption);

}  // namespace testing_windows
