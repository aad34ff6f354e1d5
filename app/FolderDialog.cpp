// The shell's folder browser for the destination page.
#include <windows.h>

#include <shlobj.h>

#include "app/SetupForm.h"
#include "support/Win32.h"

namespace {

constexpr int kMyComputer = 17;      // CSIDL_DRIVES
constexpr UINT kBrowseFlags = 0x41;  // BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE

struct TPidlDeleter {
  void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};
using TPidl = std::unique_ptr<ITEMIDLIST, TPidlDeleter>;

}  // namespace

std::u16string SelectFolderDialog(HWND owner, const std::u16string& title) {
  LPITEMIDLIST root = nullptr;
  SHGetSpecialFolderLocation(owner, kMyComputer, &root);
  const TPidl rootList(root);
  wchar_t buffer[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pidlRoot = rootList.get();
  info.pszDisplayName = buffer;
  info.lpszTitle = win::Wide(title);
  info.ulFlags = kBrowseFlags;
  const TPidl chosen(SHBrowseForFolderW(&info));
  if (!chosen || !SHGetPathFromIDListW(chosen.get(), buffer)) return {};
  buffer[MAX_PATH - 1] = L'\0';
  return win::FromWide(buffer);
}
