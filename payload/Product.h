// What the setup and the uninstaller both know of an installation of Tessera:
// its uninstall entry and its shortcuts.
#pragma once

#include <string>

// Below HKEY_LOCAL_MACHINE.
inline constexpr char16_t kUninstallKey[] =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessera";

// The shortcuts' name, and their file in a folder.
inline constexpr char16_t kShortcutName[] = u"Tessera";
inline std::u16string ShortcutFile(const std::u16string& folder) {
  return folder + u"\\" + kShortcutName + u".lnk";
}
