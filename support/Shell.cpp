// Shell links and the user's shell folders.
#include "support/Shell.h"

#include <windows.h>

#include <shlobj.h>

#include <cstdint>
#include <vector>

#include "support/Errors.h"
#include "support/Registry.h"
#include "support/Win32.h"

namespace {

using win::Wide;

constexpr char16_t kExplorerKey[] = u"Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer";
constexpr char16_t kShellFoldersKey[] =
    u"Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char16_t kQuickLaunchSuffix[] = u"\\Microsoft\\Internet Explorer\\Quick Launch";
constexpr char16_t kUnresolved[] = u"unable to resolve link";

// The system's text for an HRESULT, or "OLE error %.8x" when it has none.
std::u16string OleErrorMessage(HRESULT result) {
  std::u16string text = win::SysErrorMessage(static_cast<DWORD>(result));
  if (!text.empty()) return text;
  // Eight hex digits by hand: printf would bring its floating-point code.
  std::u16string code(8, u'0');
  auto value = static_cast<std::uint32_t>(result);
  for (auto digit = code.rbegin(); digit != code.rend(); ++digit, value >>= 4) {
    *digit = u"0123456789abcdef"[value & 0xF];
  }
  return u"OLE error " + code;
}

void OleCheck(HRESULT result) {
  if (FAILED(result)) throw EOleError(OleErrorMessage(result), result);
}

std::u16string GuidToString(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return win::FromWide(text);
}

// Another interface of a shell link object that CreateShortcut needs.
template <class Interface>
void QueryOrRaise(IUnknown* object, REFIID iid, win::TComPtr<Interface>& result) {
  const HRESULT queried = object->QueryInterface(iid, result.PutVoid());
  if (FAILED(queried)) throw EOleError(u"Interface not supported", queried);
}

// The folder part of a path, up to and including its last "\" or ":".
std::u16string ExtractFilePath(const std::u16string& path) {
  const std::size_t last = path.find_last_of(u"\\:");
  return last == std::u16string::npos ? std::u16string() : path.substr(0, last + 1);
}

std::u16string ExtractFileName(const std::u16string& path) {
  const std::size_t last = path.find_last_of(u"\\:");
  return last == std::u16string::npos ? path : path.substr(last + 1);
}

std::u16string ChangeFileExt(const std::u16string& path, const std::u16string& extension) {
  const std::size_t last = path.find_last_of(u".\\:");
  if (last != std::u16string::npos && path[last] == u'.') return path.substr(0, last) + extension;
  return path + extension;
}

const char16_t* ShellFolderValueName(TFolderKind kind) {
  switch (kind) {
    case fkDesktop:
      return u"Desktop";
    case fkQuickLaunch:
      return u"AppData";
    case fkSendTo:
      return u"SendTo";
    case fkStartMenu:
      return u"Start Menu";
    case fkStartup:
      return u"Startup";
  }
  return nullptr;
}

std::u16string ReadShellFolderValue(const char16_t* valueName) {
  win::TRegKey explorer;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, Wide(kExplorerKey), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, explorer.Put(), nullptr) != ERROR_SUCCESS) {
    return {};
  }
  win::TRegKey folders;
  if (RegOpenKeyExW(explorer.Get(), L"Shell Folders", 0, KEY_ALL_ACCESS, folders.Put()) !=
      ERROR_SUCCESS) {
    return {};
  }
  return win::ReadStringValue(folders.Get(), valueName);
}

// The folders where FindShortcutFolder looks, in order. A missing value names
// no folder: it is left out rather than taken as the root of the current
// drive.
std::vector<std::u16string> ShortcutFolders(const std::u16string& location) {
  std::vector<std::u16string> folders;
  if (location == u"QuickLaunch") {
    const std::u16string appData = ReadRegString(rrCurrentUser, kShellFoldersKey, u"AppData");
    if (!appData.empty()) folders.push_back(appData + kQuickLaunchSuffix);
    return folders;
  }
  for (std::u16string folder :
       {ReadRegString(rrCurrentUser, kShellFoldersKey, location),
        ReadRegString(rrLocalMachine, kShellFoldersKey, u"Common " + location)}) {
    if (!folder.empty()) folders.push_back(std::move(folder));
  }
  return folders;
}

}  // namespace

std::u16string GetShellFolder(TFolderKind kind) {
  const char16_t* valueName = ShellFolderValueName(kind);
  if (valueName == nullptr) return {};
  std::u16string folder = ReadShellFolderValue(valueName);
  if (kind == fkQuickLaunch) folder += kQuickLaunchSuffix;
  return folder;
}

void CreateShortcut(const std::u16string& target, const std::u16string& name, TFolderKind kind,
                    const std::u16string& subFolder) {
  win::TComPtr<IUnknown> object;
  const HRESULT created =
      CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                       IID_IUnknown, object.PutVoid());
  if (FAILED(created)) {
    throw EOleError(OleErrorMessage(created) + u", ClassID: " + GuidToString(CLSID_ShellLink),
                    created);
  }
  win::TComPtr<IShellLinkW> link;
  QueryOrRaise(object.Get(), IID_IShellLinkW, link);
  win::TComPtr<IPersistFile> file;
  QueryOrRaise(object.Get(), IID_IPersistFile, file);

  // A link that cannot be written fails silently, as does a missing sub-folder.
  link->SetPath(Wide(target));
  link->SetWorkingDirectory(Wide(ExtractFilePath(target)));
  const std::u16string linkName = ExtractFileName(ChangeFileExt(name, u".lnk"));
  const std::u16string folder = GetShellFolder(kind);
  if (folder.empty()) return;
  const std::u16string path =
      subFolder.empty() ? folder + u"\\" + linkName : folder + u"\\" + subFolder + u"\\" + linkName;
  file->Save(Wide(path), FALSE);
}

std::u16string ResolveShortcut(const std::u16string& linkFile) {
  win::TComPtr<IShellLinkW> link;
  OleCheck(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                            link.PutVoid()));
  win::TComPtr<IPersistFile> file;
  OleCheck(link->QueryInterface(IID_IPersistFile, file.PutVoid()));
  if (FAILED(file->Load(Wide(linkFile), STGM_READ))) return kUnresolved;
  if (FAILED(link->Resolve(GetActiveWindow(), SLR_NOUPDATE))) return kUnresolved;
  wchar_t path[MAX_PATH] = {};
  WIN32_FIND_DATAW findData;
  if (FAILED(link->GetPath(path, MAX_PATH, &findData, SLGP_UNCPRIORITY))) return kUnresolved;
  return win::FromWide(path);
}

std::u16string FindShortcutFolder(const std::u16string& name, const std::u16string& location) {
  for (const std::u16string& folder : ShortcutFolders(location)) {
    const std::u16string linkFile = folder + u"\\" + name + u".lnk";
    if (!win::FileExists(linkFile)) continue;
    // "unable to resolve link" has no folder part: the search goes on.
    std::u16string found = ExtractFilePath(ResolveShortcut(linkFile));
    if (!found.empty()) return found;
  }
  return {};
}
