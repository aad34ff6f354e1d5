// The application title, the information box, drives, the system directory
// and the system's error texts.
#include "support/System.h"

#include <vector>

#include "support/Format.h"
#include "support/Win32.h"

namespace {

std::u16string& Title() {
  static std::u16string title;
  return title;
}

}  // namespace

const std::u16string& ApplicationTitle() { return Title(); }

void SetApplicationTitle(std::u16string title) { Title() = std::move(title); }

namespace {

// A window of no size, such as the one that holds the application's taskbar
// entry, shows nothing that the box could belong to.
bool ShowsItself(HWND window) {
  RECT bounds;
  return IsWindowVisible(window) && IsWindowEnabled(window) && GetWindowRect(window, &bounds) &&
         !IsRectEmpty(&bounds);
}

BOOL CALLBACK TakeUsableWindow(HWND window, LPARAM found) {
  if (!ShowsItself(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

}  // namespace

HWND win::ModalOwner() {
  if (const HWND active = GetActiveWindow()) return active;
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), TakeUsableWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

void ShowInfoBox(const std::u16string& text, const std::u16string& caption) {
  const std::u16string shown = ChooseStr(caption.empty(), ApplicationTitle(), caption);
  MessageBoxW(win::ModalOwner(), win::Wide(text), win::Wide(shown), MB_OK | MB_ICONINFORMATION);
}

std::int64_t DriveFreeSpace(char16_t letter) {
  // A drive number as a byte: A is 1, a lower-case a is 33, and 0 (the
  // character "@") asks about the drive of the current directory.
  const auto drive = static_cast<std::uint8_t>(letter - 64);
  const std::u16string root{static_cast<char16_t>(drive + 64), u':', u'\\'};
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(drive == 0 ? nullptr : win::Wide(root), &available, nullptr, nullptr)) {
    return -1;
  }
  return static_cast<std::int64_t>(available.QuadPart);
}

std::u16string GetFixedDrives() {
  std::u16string letters;
  const DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    const char16_t letter = static_cast<char16_t>(u'A' + i);
    const std::u16string root{letter, u':', u'\\'};
    if ((mask >> i & 1) != 0 && GetDriveTypeW(win::Wide(root)) == DRIVE_FIXED) letters += letter;
  }
  return letters;
}

std::u16string GetSystemDir() {
  std::vector<wchar_t> buffer(MAX_PATH);
  UINT length = GetSystemDirectoryW(buffer.data(), MAX_PATH);
  // A longer path: the call gave the size that it needs.
  if (length >= MAX_PATH) {
    buffer.resize(length);
    length = GetSystemDirectoryW(buffer.data(), length);
    if (length >= buffer.size()) return {};
  }
  if (length == 0) return {};
  return win::FromWide(buffer.data()) + u"\\";
}

std::u16string win::SysErrorMessage(DWORD code) {
  wchar_t buffer[256];
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
      nullptr, code, 0, buffer, 256, nullptr);
  while (length > 0 && (buffer[length - 1] <= L' ' || buffer[length - 1] == L'.')) --length;
  return win::FromWide(buffer, length);
}
