// Shell shortcuts and the user's special folders.
#pragma once

#include <cstdint>
#include <string>

enum TFolderKind : std::uint8_t {
  fkDesktop = 0,
  fkQuickLaunch = 1,
  fkSendTo = 2,
  fkStartMenu = 3,
  fkStartup = 4,
};

std::u16string GetShellFolder(TFolderKind kind);
void CreateShortcut(const std::u16string& target, const std::u16string& name, TFolderKind kind,
                    const std::u16string& subFolder);
std::u16string ResolveShortcut(const std::u16string& linkFile);
std::u16string FindShortcutFolder(const std::u16string& name, const std::u16string& location);
