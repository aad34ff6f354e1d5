// What an installation of Tessera leaves on the machine, for the tests: the
// product's files and where they go, and the removal of all of it.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/tests/WizardDriver.h"
#include "payload/Product.h"
#include "support/Shell.h"
#include "support/Text.h"

// One file of the product and where the setup puts it.
struct TPayloadFile {
  std::filesystem::path source;  // in the staged payload that the package is made of
  std::u16string relative;       // below the installation or the system folder
  bool inSystemDir;
};

std::vector<TPayloadFile> PayloadFiles();
// Where the file lands for an installation into folder (ending in "\").
std::u16string InstalledPath(const TPayloadFile& file, const std::u16string& folder);

// Tessera.lnk in the desktop or Quick Launch folder.
std::u16string TesseraLink(TFolderKind kind);

// The running Tessera's main window, or null.
HWND TesseraWindow();
// Whether a Tessera process runs, with its window shown yet or not.
bool TesseraProcessRuns();
void CloseTessera();

// Closes Tessera and removes the Tessera shortcuts on the desktop and the
// Quick Launch bar, the uninstall entry, the product's files in the system
// directory and, when given, folder with everything in it.
void RemoveInstallation(const std::u16string& folder = u"");

// Helpers that the end-to-end tests share.

bool UninstallKeyExists();

// After Install was clicked: the setup has ended, shows a message box, or
// shows the completion page with Next enabled.
bool InstallationOver(TWizardProcess& setup);

// Starts "<folder>Uninst.exe /S" (folder ending in "\") without waiting for
// it: the uninstaller hands its work to a copy of itself.
bool StartSilentUninstall(const std::u16string& folder);

// UTF-8 for readable failure messages.
inline std::string Narrow(const std::u16string& text) { return Utf16ToUtf8(text); }

// A file's bytes; empty when it cannot be read.
std::string FileBytes(const std::filesystem::path& path);

// Whether anything has that name, a link whose target is missing included.
bool Exists(const std::u16string& path);

// Polls until the condition holds; false on time-out.
template <class Condition>
bool Eventually(Condition condition, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start >= milliseconds) return false;
    Sleep(50);
  }
  return true;
}
