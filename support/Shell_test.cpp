#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "support/Errors.h"
#include "support/Shell.h"
#include "support/Win32.h"
#include "support/testing/RegistryValue.h"

namespace {

namespace fs = std::filesystem;

const std::wstring kShellFolders =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
// The shell rewrites "Shell Folders" values from these whenever it looks a
// folder up.
const std::wstring kUserShellFolders =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr char16_t kQuickLaunchSuffix[] = u"\\Microsoft\\Internet Explorer\\Quick Launch";
constexpr char16_t kUnresolved[] = u"unable to resolve link";

std::u16string U16(const fs::path& path) {
  const std::wstring& text = path.native();
  return std::u16string(text.begin(), text.end());
}

fs::path PathOf(const std::u16string& text) {
  return fs::path(std::wstring(text.begin(), text.end()));
}

struct TLink {
  std::wstring target;
  std::wstring workingDirectory;
};

// What a link file holds, read through the shell's own link object.
TLink ReadLink(const fs::path& file) {
  win::TComPtr<IShellLinkW> link;
  EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                             link.PutVoid()),
            S_OK);
  win::TComPtr<IPersistFile> persist;
  EXPECT_EQ(link->QueryInterface(IID_IPersistFile, persist.PutVoid()), S_OK);
  EXPECT_EQ(persist->Load(file.c_str(), STGM_READ), S_OK);
  wchar_t target[MAX_PATH] = {};
  wchar_t folder[MAX_PATH] = {};
  link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
  link->GetWorkingDirectory(folder, MAX_PATH);
  return {target, folder};
}

std::vector<fs::path> FilesIn(const fs::path& folder) {
  std::vector<fs::path> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  return names;
}

// Under Wine, saving a link starts winemenubuilder, which mirrors desktop
// links into the host's home folder; child processes inherit this override,
// which keeps it from running. Elsewhere the variable means nothing.
void KeepLinkMirroringOff() {
  wchar_t overrides[1024] = {};
  GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 1024);
  std::wstring value = overrides;
  if (value.find(L"winemenubuilder") != std::wstring::npos) return;
  value += value.empty() ? L"winemenubuilder.exe=d" : L";winemenubuilder.exe=d";
  SetEnvironmentVariableW(L"WINEDLLOVERRIDES", value.c_str());
}

// COM on the test thread, and the user's desktop, the all-users desktop and
// the user's application data redirected to scratch folders, so that a case
// touches no real shell folder. Two existing programs to link to.
class ShellTest : public testing::Test {
 protected:
  void SetUp() override {
    KeepLinkMirroringOff();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    fScratch = fs::temp_directory_path() / L"TesseraShellTest";
    fs::remove_all(fScratch);
    fTarget = MakeProgram(L"Apps\\Tessera");
    fOtherTarget = MakeProgram(L"Other\\Tessera");
    fDesktop = RedirectShellFolder(HKEY_CURRENT_USER, L"Desktop");
    fCommonDesktop = RedirectShellFolder(HKEY_LOCAL_MACHINE, L"Common Desktop");
    fAppData = RedirectShellFolder(HKEY_CURRENT_USER, L"AppData");
  }

  void TearDown() override {
    for (const fs::path& path : fCreated) fs::remove_all(path);
    fs::remove_all(fScratch);
    fSaved.clear();
    CoUninitialize();
  }

  fs::path MakeProgram(const fs::path& folder) {
    fs::create_directories(fScratch / folder);
    const fs::path program = fScratch / folder / L"Tessera.exe";
    std::ofstream(program) << "MZ";
    return program;
  }

  fs::path RedirectShellFolder(HKEY root, const wchar_t* valueName) {
    const fs::path folder = fScratch / valueName;
    fs::create_directories(folder);
    for (const std::wstring& key : {kShellFolders, kUserShellFolders}) {
      fSaved.push_back(std::make_unique<TSavedRegValue>(root, key, valueName));
      SetRegText(root, key, valueName, folder.native());
    }
    return folder;
  }

  // A path outside the scratch folder that the case makes, removed when it
  // ends.
  const fs::path& Created(const fs::path& path) {
    fCreated.push_back(path);
    return fCreated.back();
  }

  // A link named name.lnk to target in folder, made on the user's desktop
  // and moved there.
  void PlaceLink(const fs::path& target, const std::u16string& name, const fs::path& folder) {
    CreateShortcut(U16(target), name, fkDesktop, u"");
    const fs::path file = PathOf(name + u".lnk");
    fs::rename(fDesktop / file, folder / file);
  }

  fs::path fScratch, fTarget, fOtherTarget, fDesktop, fCommonDesktop, fAppData;
  std::vector<fs::path> fCreated;
  std::vector<std::unique_ptr<TSavedRegValue>> fSaved;
};

class ShortcutNameTest : public ShellTest, public testing::WithParamInterface<const char16_t*> {};

TEST_P(ShortcutNameTest, WritesTheLinkFileName) {
  const fs::path folder = fDesktop / L"TesseraShellTest";
  fs::create_directory(folder);
  CreateShortcut(U16(fTarget), GetParam(), fkDesktop, u"TesseraShellTest");
  EXPECT_EQ(FilesIn(folder), std::vector<fs::path>{L"Tessera.lnk"});
}

// The extension is replaced and only the file-name part is kept.
INSTANTIATE_TEST_SUITE_P(Names, ShortcutNameTest,
                         testing::Values(u"Tessera", u"Tessera.exe", u"sub\\Tessera",
                                         u"v4.25\\Tessera", u"x:Tessera.exe"));

TEST_F(ShellTest, LinkHoldsTheTargetAndItsFolder) {
  CreateShortcut(U16(fTarget), u"TesseraShellTest", fkDesktop, u"");
  const fs::path file = fDesktop / L"TesseraShellTest.lnk";
  const TLink link = ReadLink(file);
  EXPECT_EQ(link.target, fTarget.native());
  EXPECT_EQ(link.workingDirectory, fTarget.parent_path().native() + L"\\");
  EXPECT_EQ(ResolveShortcut(U16(file)), U16(fTarget));
  EXPECT_EQ(FindShortcutFolder(u"TesseraShellTest", u"Desktop"),
            U16(fTarget.parent_path()) + u"\\");
}

TEST_F(ShellTest, SecondWriteReplacesTheFirst) {
  const fs::path folder = fDesktop / L"TesseraShellTest";
  fs::create_directory(folder);
  CreateShortcut(U16(fTarget), u"Tessera", fkDesktop, u"TesseraShellTest");
  CreateShortcut(U16(fOtherTarget), u"Tessera", fkDesktop, u"TesseraShellTest");
  EXPECT_EQ(FilesIn(folder), std::vector<fs::path>{L"Tessera.lnk"});
  EXPECT_EQ(ResolveShortcut(U16(folder / L"Tessera.lnk")), U16(fOtherTarget));
}

TEST_F(ShellTest, MissingSubFolderWritesNothing) {
  EXPECT_NO_THROW(CreateShortcut(U16(fTarget), u"Tessera", fkDesktop, u"TesseraNoSuchFolder"));
  EXPECT_TRUE(fs::is_empty(fDesktop));
}

TEST_F(ShellTest, UnknownKindHasNoFolder) {
  EXPECT_EQ(GetShellFolder(static_cast<TFolderKind>(5)), u"");
  EXPECT_EQ(GetShellFolder(static_cast<TFolderKind>(255)), u"");
  EXPECT_NO_THROW(CreateShortcut(U16(fTarget), u"Tessera", static_cast<TFolderKind>(5), u""));
  EXPECT_TRUE(fs::is_empty(fDesktop));
}

struct TFolderCase {
  TFolderKind kind;
  const wchar_t* valueName;
  DWORD type;
  const char16_t* suffix;
};

class GetShellFolderTest : public ShellTest, public testing::WithParamInterface<TFolderCase> {};

TEST_P(GetShellFolderTest, ReadsTheShellFoldersValue) {
  const TFolderCase& c = GetParam();
  const TSavedRegValue saved(HKEY_CURRENT_USER, kShellFolders, c.valueName);
  const std::wstring probe = std::wstring(L"%TesseraProbe%\\") + c.valueName;
  SetRawRegValue(HKEY_CURRENT_USER, kShellFolders, c.valueName, c.type, probe.c_str(),
                 static_cast<DWORD>((probe.size() + 1) * sizeof(wchar_t)));
  EXPECT_EQ(GetShellFolder(c.kind), std::u16string(probe.begin(), probe.end()) + c.suffix);
}

INSTANTIATE_TEST_SUITE_P(Kinds, GetShellFolderTest,
                         testing::Values(TFolderCase{fkDesktop, L"Desktop", REG_SZ, u""},
                                         TFolderCase{fkQuickLaunch, L"AppData", REG_SZ,
                                                     kQuickLaunchSuffix},
                                         TFolderCase{fkSendTo, L"SendTo", REG_SZ, u""},
                                         TFolderCase{fkStartMenu, L"Start Menu", REG_SZ, u""},
                                         // Not expanded.
                                         TFolderCase{fkStartup, L"Startup", REG_EXPAND_SZ, u""}));

TEST_F(ShellTest, QuickLaunchWithoutAppData) {
  const TSavedRegValue saved(HKEY_CURRENT_USER, kShellFolders, L"AppData");
  DeleteRegValue(HKEY_CURRENT_USER, kShellFolders, L"AppData");
  EXPECT_EQ(GetShellFolder(fkQuickLaunch), kQuickLaunchSuffix);
  EXPECT_EQ(FindShortcutFolder(u"Tessera", u"QuickLaunch"), u"");
}

TEST_F(ShellTest, ShellFolderOfAnotherTypeRaises) {
  const TSavedRegValue saved(HKEY_CURRENT_USER, kShellFolders, L"SendTo");
  const DWORD number = 1;
  SetRawRegValue(HKEY_CURRENT_USER, kShellFolders, L"SendTo", REG_DWORD, &number, sizeof number);
  for (const auto& call :
       {std::function<void()>([] { GetShellFolder(fkSendTo); }),
        std::function<void()>([] { FindShortcutFolder(u"Tessera", u"SendTo"); })}) {
    try {
      call();
      ADD_FAILURE() << "no error";
    } catch (const ERegistryException& e) {
      EXPECT_EQ(e.Message(), u"Invalid data type for 'SendTo'");
    }
  }
}

TEST_F(ShellTest, FindsALinkOnTheAllUsersDesktop) {
  PlaceLink(fTarget, u"TesseraShellTest", fCommonDesktop);
  ASSERT_FALSE(fs::exists(fDesktop / L"TesseraShellTest.lnk"));
  EXPECT_EQ(FindShortcutFolder(u"TesseraShellTest", u"Desktop"),
            U16(fTarget.parent_path()) + u"\\");
}

// A user entry that gives no folder: a file that is no link, or a folder.
class FindPastUserEntryTest : public ShellTest, public testing::WithParamInterface<bool> {};

TEST_P(FindPastUserEntryTest, GoesOnToTheAllUsersDesktop) {
  PlaceLink(fOtherTarget, u"TesseraShellTest", fCommonDesktop);
  const fs::path userEntry = fDesktop / L"TesseraShellTest.lnk";
  if (GetParam()) {
    std::ofstream(userEntry) << "not a shell link";
  } else {
    fs::create_directory(userEntry);
  }
  EXPECT_EQ(FindShortcutFolder(u"TesseraShellTest", u"Desktop"),
            U16(fOtherTarget.parent_path()) + u"\\");
}

INSTANTIATE_TEST_SUITE_P(Entries, FindPastUserEntryTest, testing::Values(true, false));

TEST_F(ShellTest, FindsALinkOnTheQuickLaunchBar) {
  const fs::path quickLaunch = fAppData / L"Microsoft\\Internet Explorer\\Quick Launch";
  fs::create_directories(quickLaunch);
  CreateShortcut(U16(fTarget), u"TesseraShellTest", fkQuickLaunch, u"");
  ASSERT_TRUE(fs::exists(quickLaunch / L"TesseraShellTest.lnk"));
  EXPECT_EQ(FindShortcutFolder(u"TesseraShellTest", u"QuickLaunch"),
            U16(fTarget.parent_path()) + u"\\");
  // Another spelling is a "Shell Folders" value name, and there is none.
  EXPECT_EQ(FindShortcutFolder(u"TesseraShellTest", u"quicklaunch"), u"");
}

TEST_F(ShellTest, FindsNothingWithoutALink) {
  EXPECT_EQ(FindShortcutFolder(u"TesseraNoSuchLink", u"Desktop"), u"");
}

// A missing value names no folder; it is not the root of the current drive.
TEST_F(ShellTest, MissingLocationIsNotTheDriveRoot) {
  struct TCurrentFolder {
    fs::path previous = fs::current_path();
    ~TCurrentFolder() { fs::current_path(previous); }
  } restore;
  const fs::path root = fScratch.root_path();
  fs::current_path(root);
  PlaceLink(fTarget, u"TesseraShellTest", root);
  Created(root / L"TesseraShellTest.lnk");
  EXPECT_EQ(FindShortcutFolder(u"TesseraShellTest", u"TesseraNoSuchValue"), u"");
}

TEST_F(ShellTest, WhatIsNoLinkDoesNotResolve) {
  const fs::path text = fScratch / L"text.lnk";
  std::ofstream(text) << "not a shell link";
  EXPECT_EQ(ResolveShortcut(U16(text)), kUnresolved);
  EXPECT_EQ(ResolveShortcut(U16(fScratch / L"missing.lnk")), kUnresolved);
  EXPECT_EQ(ResolveShortcut(U16(fScratch)), kUnresolved);
}

// Without COM on the calling thread the link object cannot be made.
TEST(ShellWithoutCom, RaisesTheOleError) {
  std::u16string created, resolved;
  std::int32_t createdCode = 0, resolvedCode = 0;
  std::thread([&] {
    try {
      CreateShortcut(u"C:\\Tessera.exe", u"Tessera", fkDesktop, u"");
    } catch (const EOleError& e) {
      created = e.Message();
      createdCode = e.ErrorCode();
    }
    try {
      ResolveShortcut(u"C:\\Tessera.lnk");
    } catch (const EOleError& e) {
      resolved = e.Message();
      resolvedCode = e.ErrorCode();
    }
  }).join();
  EXPECT_EQ(createdCode, CO_E_NOTINITIALIZED);
  EXPECT_EQ(resolvedCode, CO_E_NOTINITIALIZED);
  ASSERT_FALSE(resolved.empty());
  // The system's text, or the code when the system has none.
  if (resolved.starts_with(u"OLE error ")) {
    EXPECT_EQ(resolved, u"OLE error 800401f0");
  }
  EXPECT_NE(resolved.back(), u'.');
  EXPECT_NE(resolved.back(), u'\n');
  EXPECT_EQ(created, resolved + u", ClassID: {00021401-0000-0000-C000-000000000046}");
}

}  // namespace
