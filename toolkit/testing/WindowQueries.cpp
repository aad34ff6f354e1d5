#include "toolkit/testing/WindowQueries.h"

#include "support/Win32.h"
#include "toolkit/Toolkit.h"

namespace testing_windows {

namespace {

BOOL CALLBACK CollectWindow(HWND window, LPARAM windows) {
  reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

bool HasClass(HWND window, const wchar_t* className) {
  return lstrcmpiW(win::Wide(ClassOf(window)), className) == 0;
}

}  // namespace

std::u16string ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return win::FromWide(name);
}

std::u16string WindowText(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kPatience, &length)) {
    return {};
  }
  std::vector<wchar_t> text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                      SMTO_NORMAL, kPatience, &copied);
  return win::FromWide(text.data());
}

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, &CollectWindow, reinterpret_cast<LPARAM>(&children));
  return children;
}

std::vector<HWND> TopLevelWindows(DWORD processId, const std::u16string& className) {
  std::vector<HWND> all;
  EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&all));
  std::vector<HWND> found;
  for (HWND window : all) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == processId && ClassOf(window) == className) found.push_back(window);
  }
  return found;
}

TMessageBoxInfo FindMessageBox(DWORD processId) {
  TMessageBoxInfo box;
  for (HWND window : TopLevelWindows(processId, u"#32770")) {
    if (IsWindowVisible(window)) box.handle = window;
  }
  if (!box.handle) return box;
  box.caption = WindowText(box.handle);
  // The text of a message box is its static control with the id 0xFFFF.
  if (HWND text = GetDlgItem(box.handle, 0xFFFF)) box.text = WindowText(text);
  for (HWND child : ChildWindows(box.handle)) {
    if (!IsWindowVisible(child)) continue;
    if (HasClass(child, L"Button")) box.buttons.push_back(WindowText(child));
    DWORD_PTR icon = 0;
    if (HasClass(child, L"Static") && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_NORMAL, kPatience, &icon)) {
      box.hasIcon = box.hasIcon || icon != 0;
    }
  }
  return box;
}

bool PressMessageBoxButton(const TMessageBoxInfo& box, const std::u16string& caption) {
  for (HWND child : ChildWindows(box.handle)) {
    if (HasClass(child, L"Button") && WindowText(child) == caption) {
      PostMessageW(child, BM_CLICK, 0, 0);
      return true;
    }
  }
  return false;
}

}  // namespace testing_windows
