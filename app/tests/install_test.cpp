// Whole installations of the real setup program under Wine, driven as a user
// would, checked on disk, in the registry and at the report server. The
// program under test is the variant that reports to this process.
#include <gtest/gtest.h>
#include <objbase.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "app/tests/Installation.h"
#include "app/tests/ReportServer.h"
#include "app/tests/WizardDriver.h"
#include "support/Format.h"
#include "support/Shell.h"
#include "support/System.h"
#include "support/Text.h"
#include "support/Win32.h"
#include "support/testing/RegistryValue.h"
#include "toolkit/Toolkit.h"

namespace {

namespace fs = std::filesystem;

constexpr char16_t kSetupName[] = u"TesseraSetupLoopback.exe";
constexpr wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr wchar_t kAppDefaults[] = L"Software\\Wine\\AppDefaults\\TesseraSetupLoopback.exe";
constexpr char kReportRequest[] = "GET /php/UserSetup.php?lang=2&fid=br&ver=4.25 HTTP/1.1";
constexpr char16_t kCannotCreate[] =
    u"Destination folder can't be created, need to select another folder.";
constexpr char16_t kExtractError[] =
    u"Extracting files to destination folder when the error occurred.";
// Finish waits for the report at most 91 pauses of 100 ms.
constexpr DWORD kPause = 100;
constexpr DWORD kReportWait = 91 * kPause;
// What ending the program may take beyond the time that it keeps, on a loaded
// machine.
constexpr DWORD kEndMargin = 10000;
using testing_windows::kPatience;

std::u16string SetupPath() { return ExecutableFolder() + u"..\\" + kSetupName; }

// The values of the uninstall key by name, as UTF-8 for readable failures (the
// registry lists values sorted, so the order of writing is not seen).
std::map<std::string, std::string> UninstallValues() {
  std::map<std::string, std::string> values;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, win::Wide(kUninstallKey), 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return values;
  }
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    wchar_t data[1024] = {};
    DWORD nameLength = 256;
    DWORD dataSize = sizeof data - sizeof(wchar_t);
    if (RegEnumValueW(key, index, name, &nameLength, nullptr, nullptr,
                      reinterpret_cast<BYTE*>(data), &dataSize) != ERROR_SUCCESS) {
      break;
    }
    values.emplace(Narrow(win::FromWide(name)), Narrow(win::FromWide(data)));
  }
  RegCloseKey(key);
  return values;
}

// Waits for the setup's message box and checks it: the caption "Setup", the
// text, and an icon or none.
TMessageBoxInfo ExpectMessageBox(const TWizardProcess& setup, const std::u16string& text,
                                 bool hasIcon) {
  const TMessageBoxInfo box = setup.WaitForMessageBox();
  EXPECT_EQ(box.caption, u"Setup");
  EXPECT_EQ(box.text, text);
  EXPECT_EQ(box.hasIcon, hasIcon);
  return box;
}

// The server outlives the tests: its port is fixed.
TReportServer& Server() {
  static TReportServer server(TESSERA_TEST_REPORT_PORT);
  return server;
}

class InstallTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }

  void SetUp() override {
    Server().Reset(true);
    RemoveInstallation();
  }

  void TearDown() override {
    for (auto& setup : fSetups) setup.reset();
    RemoveInstallation();
    for (const std::u16string& path : fMade) fs::remove_all(fs::path(path), fIgnored);
    RegDeleteTreeW(HKEY_CURRENT_USER, kAppDefaults);
  }

  // A path that the test makes or lets the setup make; removed at the end.
  std::u16string Made(const std::u16string& path) {
    fMade.push_back(path);
    return path;
  }

  // Windows XP for the setup: the Quick Launch box shows.
  void ReportWindowsXp() { SetRegText(HKEY_CURRENT_USER, kAppDefaults, L"Version", L"winxp64"); }

  TWizardProcess& Start(const std::u16string& exe = SetupPath()) {
    fSetups.push_back(std::make_unique<TWizardProcess>(exe));
    return *fSetups.back();
  }

  TWizardProcess& LaunchAtFolderPage(const std::u16string& exe = SetupPath()) {
    TWizardProcess& setup = Start(exe);
    setup.WaitForWizard();
    setup.Click(u"btnNext");
    setup.Click(u"btnNext");
    EXPECT_EQ(setup.VisiblePage(), 3);
    return setup;
  }

  // Clicks Install and waits for the completion page.
  static void InstallAndWait(TWizardProcess& setup) {
    setup.Click(u"btnNext");
    const bool done = Eventually([&] { return InstallationOver(setup); }, kPatience);
    ASSERT_TRUE(done) << "the installation did not end in time";
    ASSERT_TRUE(setup.Running()) << "the setup ended during the installation";
    ASSERT_EQ(setup.VisiblePage(), 4)
        << "instead of page 4 a message box: "
        << Narrow(testing_windows::FindMessageBox(setup.ProcessId()).text);
    setup.Settle();
  }

  // Installs into folder with the default choices otherwise.
  TWizardProcess& InstallTo(const std::u16string& folder) {
    TWizardProcess& setup = LaunchAtFolderPage();
    setup.Type(u"editSetupDir", folder);
    Made(folder);
    InstallAndWait(setup);
    return setup;
  }

  void ExpectPayloadIn(const std::u16string& folder) {
    for (const TPayloadFile& file : PayloadFiles()) {
      const std::u16string target = InstalledPath(file, folder);
      SCOPED_TRACE(Narrow(target));
      ASSERT_TRUE(Exists(target));
      EXPECT_TRUE(FileBytes(fs::path(target)) == FileBytes(file.source)) << "other bytes";
    }
    EXPECT_FALSE(Exists(folder + u"Tessera.stp"));
  }

  static void ExpectUninstallEntry(const std::u16string& folder) {
    const std::map<std::string, std::string> expected = {
        {"DisplayIcon", Narrow(folder + u"Tessera.exe")},
        {"DisplayName", "Brindle Tessera"},
        {"DisplayVersion", "4.25"},
        {"Publisher", "Brindle Software"},
        {"URLInfoAbout", TESSERA_ABOUT_URL},
        {"UninstallString", Narrow(folder + u"Uninst.exe")},
    };
    EXPECT_EQ(UninstallValues(), expected);
  }

  // Finish and the time until the setup has ended.
  static DWORD FinishAndTime(TWizardProcess& setup) {
    const DWORD start = GetTickCount();
    setup.Click(u"btnNext");
    EXPECT_EQ(setup.WaitForExit(), 0u);
    return GetTickCount() - start;
  }

  std::vector<std::unique_ptr<TWizardProcess>> fSetups;
  std::vector<std::u16string> fMade;
  std::error_code fIgnored;
};

// ---------------------------------------------------------------------------
// The default installation and its end

TEST_F(InstallTest, DefaultInstallPutsEveryPartInPlaceAndReportsOnce) {
  ReportWindowsXp();
  fs::create_directories(fs::path(GetShellFolder(fkQuickLaunch)));
  TWizardProcess& setup = LaunchAtFolderPage();
  const std::u16string folder = win::FromWide(_wgetenv(L"PROGRAMFILES")) + u"\\Tessera\\";
  ASSERT_EQ(setup.Text(u"editSetupDir") + u"\\", folder);
  ASSERT_TRUE(setup.Visible(u"chkSCOnQuick"));
  Made(folder);
  InstallAndWait(setup);

  ExpectPayloadIn(folder);
  for (const TFolderKind kind : {fkDesktop, fkQuickLaunch}) {
    SCOPED_TRACE(Narrow(TesseraLink(kind)));
    ASSERT_TRUE(Exists(TesseraLink(kind)));
    EXPECT_EQ(Narrow(ResolveShortcut(TesseraLink(kind))), Narrow(folder + u"Tessera.exe"));
  }
  ExpectUninstallEntry(folder);
  ASSERT_TRUE(Server().WaitForRequest(kPatience));
  EXPECT_EQ(Server().RequestLines(), std::vector<std::string>{kReportRequest});

  EXPECT_EQ(setup.Text(u"btnNext"), u"&Finish");
  EXPECT_TRUE(setup.Enabled(u"btnNext"));
  EXPECT_FALSE(setup.Visible(u"btnPrev"));
  EXPECT_FALSE(setup.Visible(u"btnClose"));
  EXPECT_FALSE(setup.Visible(u"ProgressBar1"));
  EXPECT_EQ(GetParent(setup.Control(u"Image1")), setup.Control(u"pnlStep4"));
  EXPECT_TRUE(setup.Visible(u"Image1"));
}

// The report has been answered: Finish waits one pause, not the whole wait
// for the report, and the program that it started keeps a second setup from
// running.
TEST_F(InstallTest, FinishLaunchesTesseraWhichThenBlocksAnotherSetup) {
  TWizardProcess& setup = InstallTo(u"C:\\TesseraLaunch\\");
  ASSERT_TRUE(Server().WaitForRequest(kPatience));
  EXPECT_LT(FinishAndTime(setup), kReportWait);
  ASSERT_TRUE(Eventually([] { return TesseraWindow() != nullptr; }, kPatience));

  TWizardProcess& second = Start();
  const TMessageBoxInfo box =
      ExpectMessageBox(second, u"Tessera is running, you first need to close it.", false);
  EXPECT_FALSE(second.HasWizardWindow());
  second.PressMessageBoxButton(box, u"OK");
  EXPECT_EQ(second.WaitForExit(), 0u);
}

TEST_F(InstallTest, FinishUncheckedLaunchesNothingAndGivesUpOnASilentServerAfterNineSeconds) {
  Server().Reset(false);
  TWizardProcess& setup = InstallTo(u"C:\\TesseraSilent");
  ASSERT_TRUE(Server().WaitForRequest(kPatience));
  setup.Click(u"chkRunOnExit");
  const DWORD elapsed = FinishAndTime(setup);
  EXPECT_GE(elapsed, kReportWait - kPause);  // the clock ticks coarsely
  EXPECT_LT(elapsed, kReportWait + kEndMargin);
  EXPECT_FALSE(TesseraProcessRuns());
}

// The wizard hides while Finish waits for the report; the program's taskbar
// entry, the application window that owns the wizard, stays until it ends.
TEST_F(InstallTest, WhileFinishWaitsTheTaskbarEntryStays) {
  Server().Reset(false);
  TWizardProcess& setup = InstallTo(u"C:\\TesseraWaiting");
  ASSERT_TRUE(Server().WaitForRequest(10000));
  setup.Click(u"chkRunOnExit");
  const HWND entry = GetWindow(setup.Form(), GW_OWNER);
  ASSERT_NE(entry, nullptr);
  setup.Press(u"btnNext");
  ASSERT_TRUE(Eventually([&] { return !IsWindowVisible(setup.Form()); }, 5000));
  EXPECT_TRUE(setup.Running());
  EXPECT_TRUE(IsWindowVisible(entry));
  EXPECT_EQ(testing_windows::WindowText(entry), u"Setup");
  EXPECT_EQ(setup.WaitForExit(20000), 0u);
}

// Unlike Finish, the close box neither launches nor waits for the report.
TEST_F(InstallTest, TheCloseBoxOnTheLastPageEndsAtOnce) {
  Server().Reset(false);
  TWizardProcess& setup = InstallTo(u"C:\\TesseraClosed");
  ASSERT_TRUE(Server().WaitForRequest(kPatience));
  const DWORD start = GetTickCount();
  setup.CloseBox();
  EXPECT_EQ(setup.WaitForExit(), 0u);
  EXPECT_LT(GetTickCount() - start, kReportWait);
  // A launch would have started the process before the setup ended.
  EXPECT_FALSE(TesseraProcessRuns());
}

TEST_F(InstallTest, WithoutTheDesktopBoxNoShortcutIsMadeButTheEntryIs) {
  TWizardProcess& setup = LaunchAtFolderPage();
  ASSERT_FALSE(setup.Visible(u"chkSCOnQuick"));
  setup.Click(u"chkSCOnDesktop");
  setup.Type(u"editSetupDir", Made(u"C:\\TesseraNoLink"));
  InstallAndWait(setup);
  EXPECT_FALSE(Exists(TesseraLink(fkDesktop)));
  EXPECT_FALSE(Exists(TesseraLink(fkQuickLaunch)));
  ExpectUninstallEntry(u"C:\\TesseraNoLink\\");
  setup.CloseBox();
  EXPECT_EQ(setup.WaitForExit(), 0u);
}

// ---------------------------------------------------------------------------
// The destination folder

struct TFolderCase {
  const char16_t* text;
  bool accepted;
};

TEST_F(InstallTest, OnlyAFolderOnAFixedDriveEnablesInstall) {
  ASSERT_EQ(GetDriveTypeW(L"Q:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
  const TFolderCase cases[] = {
      {u"C:\\Program Files\\Tessera", true},
      {u"", false},
      {u"c:\\tools", true},
      {u"C:", false},
      {u"C:\\", true},
      {u"C:/tools", false},
      {u"\\\\server\\share\\Tessera", false},
      {u"Q:\\Tessera", false},
  };
  TWizardProcess& setup = LaunchAtFolderPage();
  for (const TFolderCase& c : cases) {
    SCOPED_TRACE("typed \"" + Narrow(c.text) + "\"");
    setup.Type(u"editSetupDir", c.text);
    EXPECT_EQ(setup.Text(u"editSetupDir"), c.text);
    EXPECT_EQ(setup.Visible(u"lblFreeSize"), c.accepted);
    EXPECT_EQ(setup.Enabled(u"btnNext"), c.accepted);
    if (c.accepted) {
      EXPECT_EQ(setup.Text(u"lblFreeSize"),
                u"Space available: " + FormatSize(DriveFreeSpace(u'C')));
    }
  }
}

TEST_F(InstallTest, BrowseThenCancelChangesNothing) {
  TWizardProcess& setup = LaunchAtFolderPage();
  setup.Type(u"editSetupDir", u"C:");
  setup.Click(u"btnBrowse");
  std::vector<HWND> dialogs;
  ASSERT_TRUE(Eventually(
      [&] {
        return !(dialogs = testing_windows::TopLevelWindows(setup.ProcessId(), u"#32770")).empty();
      },
      kPatience));
  PostMessageW(dialogs.front(), WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(Eventually([&] { return !IsWindow(dialogs.front()); }, kPatience));
  setup.Settle();
  EXPECT_EQ(setup.Text(u"editSetupDir"), u"C:");
  EXPECT_FALSE(setup.Visible(u"lblFreeSize"));
  EXPECT_FALSE(setup.Enabled(u"btnNext"));
}

// The start-up lookup raises: the error box, then the wizard with no folder.
TEST_F(InstallTest, AShellFolderValueOfAnotherTypeLeavesTheFolderEmpty) {
  const TSavedRegValue saved(HKEY_CURRENT_USER, kShellFolders, L"AppData");
  const DWORD number = 1;
  SetRawRegValue(HKEY_CURRENT_USER, kShellFolders, L"AppData", REG_DWORD, &number, sizeof number);
  TWizardProcess& setup = Start();
  const TMessageBoxInfo box = ExpectMessageBox(setup, u"Invalid data type for 'AppData'", true);
  setup.PressMessageBoxButton(box, u"OK");
  setup.WaitForWizard();
  setup.Click(u"btnNext");
  setup.Click(u"btnNext");
  ASSERT_EQ(setup.VisiblePage(), 3);
  EXPECT_EQ(setup.Text(u"editSetupDir"), u"");
  EXPECT_FALSE(setup.Visible(u"lblFreeSize"));
  EXPECT_FALSE(setup.Enabled(u"btnNext"));
}

struct TEarlierCase {
  const char* name;
  std::vector<std::pair<TFolderKind, std::u16string>> shortcuts;  // to a Tessera.exe
  std::u16string proposed;
  bool accepted;
};

void PrintTo(const TEarlierCase& c, std::ostream* out) { *out << c.name; }

class EarlierInstallTest : public InstallTest, public testing::WithParamInterface<TEarlierCase> {};

// The folder of an earlier installation is proposed again.
TEST_P(EarlierInstallTest, ProposesTheFolderOfTheShortcut) {
  fs::create_directories(fs::path(GetShellFolder(fkQuickLaunch)));
  for (const auto& [kind, target] : GetParam().shortcuts) {
    fs::create_directories(fs::path(target).parent_path());
    std::ofstream(fs::path(Made(target))).put('M');
    CreateShortcut(target, u"Tessera", kind, u"");
    ASSERT_TRUE(Exists(TesseraLink(kind)));
  }
  TWizardProcess& setup = LaunchAtFolderPage();
  EXPECT_EQ(setup.Text(u"editSetupDir"), GetParam().proposed);
  EXPECT_EQ(setup.Visible(u"lblFreeSize"), GetParam().accepted);
  EXPECT_EQ(setup.Enabled(u"btnNext"), GetParam().accepted);
  // Also where Install is disabled under it, the focus stays where keys work.
  const std::u16string focus = setup.FocusName();
  ASSERT_FALSE(focus.empty());
  EXPECT_TRUE(setup.Visible(focus) && setup.Enabled(focus)) << Narrow(focus);
}

INSTANTIATE_TEST_SUITE_P(
    Shortcuts, EarlierInstallTest,
    testing::Values(TEarlierCase{"QuickLaunchBeforeDesktop",
                                 {{fkDesktop, u"C:\\TesseraOnDesktop\\Tessera.exe"},
                                  {fkQuickLaunch, u"C:\\TesseraQuick\\Tessera.exe"}},
                                 u"C:\\TesseraQuick",
                                 true},
                    TEarlierCase{"Desktop",
                                 {{fkDesktop, u"C:\\TesseraOnDesktop\\Tessera.exe"}},
                                 u"C:\\TesseraOnDesktop",
                                 true},
                    TEarlierCase{"DriveRoot", {{fkDesktop, u"C:\\Tessera.exe"}}, u"C:", false}),
    [](const testing::TestParamInfo<TEarlierCase>& info) { return info.param.name; });

struct TNormaliseCase {
  const char* name;
  const char16_t* typed;
  const char16_t* folder;  // what the uninstall entry names
};

void PrintTo(const TNormaliseCase& c, std::ostream* out) { *out << c.name; }

class NormaliseTest : public InstallTest, public testing::WithParamInterface<TNormaliseCase> {};

// Spaces around the text go before the one backslash is added.
TEST_P(NormaliseTest, TheFolderEndsInOneBackslash) {
  // Only the folder made is removed: a path with trailing spaces would name
  // it too, and the removal would not end.
  const std::u16string folder = Made(GetParam().folder);
  TWizardProcess& setup = LaunchAtFolderPage();
  setup.Type(u"editSetupDir", GetParam().typed);
  InstallAndWait(setup);
  EXPECT_TRUE(Exists(folder + u"Tessera.exe"));
  EXPECT_EQ(UninstallValues()["DisplayIcon"], Narrow(folder + u"Tessera.exe"));
  setup.CloseBox();
  EXPECT_EQ(setup.WaitForExit(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NormaliseTest,
    testing::Values(
        TNormaliseCase{"Plain", u"C:\\TesseraNorm", u"C:\\TesseraNorm\\"},
        TNormaliseCase{"EndingInBackslash", u"C:\\TesseraNorm\\", u"C:\\TesseraNorm\\"},
        TNormaliseCase{"TrailingSpacesTrimmed", u"C:\\TesseraNorm  ", u"C:\\TesseraNorm\\"},
        TNormaliseCase{"SpaceAfterBackslash", u"C:\\TesseraNorm\\ ", u"C:\\TesseraNorm\\"}),
    [](const testing::TestParamInfo<TNormaliseCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// Failures

struct TBlockedCase {
  const char* name;
  const char16_t* typed;  // with the file C:\TesseraBlocker in the way
};

void PrintTo(const TBlockedCase& c, std::ostream* out) { *out << c.name; }

class BlockedFolderTest : public InstallTest, public testing::WithParamInterface<TBlockedCase> {};

TEST_P(BlockedFolderTest, KeepsThePageForAnotherTry) {
  std::ofstream(fs::path(Made(u"C:\\TesseraBlocker"))).put('x');
  TWizardProcess& setup = LaunchAtFolderPage();
  setup.Type(u"editSetupDir", GetParam().typed);
  setup.Click(u"btnNext");
  const TMessageBoxInfo box = ExpectMessageBox(setup, kCannotCreate, false);
  setup.PressMessageBoxButton(box, u"OK");
  setup.Settle();
  EXPECT_EQ(setup.VisiblePage(), 3);
  for (const char16_t* name : {u"btnPrev", u"btnNext", u"btnClose", u"btnBrowse"}) {
    SCOPED_TRACE(Narrow(name));
    EXPECT_TRUE(setup.Visible(name) && setup.Enabled(name));
  }
  EXPECT_EQ(setup.Text(u"btnNext"), u"&Install");

  setup.Type(u"editSetupDir", Made(u"C:\\TesseraRetry\\Deep\\Folder"));
  InstallAndWait(setup);
  ExpectPayloadIn(u"C:\\TesseraRetry\\Deep\\Folder\\");
  setup.CloseBox();
  EXPECT_EQ(setup.WaitForExit(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, BlockedFolderTest,
    testing::Values(TBlockedCase{"AFileAsParent", u"C:\\TesseraBlocker\\Tessera"},
                    TBlockedCase{"AFileOfThatName", u"C:\\TesseraBlocker"}),
    [](const testing::TestParamInfo<TBlockedCase>& info) { return info.param.name; });

BOOL CALLBACK TakeLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
  *reinterpret_cast<WORD*>(found) = language;
  return FALSE;
}

// A copy of the setup whose package has a broken first member.
std::u16string DamagedSetup(const std::u16string& copy) {
  if (!CopyFileW(win::Wide(SetupPath()), win::Wide(copy), FALSE)) return {};
  std::string package;
  WORD language = 0;
  {
    const HMODULE module = LoadLibraryExW(win::Wide(copy), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const HRSRC resource = FindResourceW(module, L"SetupPackage", L"StpFile");
    if (!resource) return {};
    EnumResourceLanguagesW(module, L"StpFile", L"SetupPackage", TakeLanguage,
                           reinterpret_cast<LONG_PTR>(&language));
    package.assign(static_cast<const char*>(LockResource(LoadResource(module, resource))),
                   SizeofResource(module, resource));
    FreeLibrary(module);
  }
  // A final block of the reserved type: zlib refuses it.
  std::fill(package.begin() + 2, package.begin() + 40, '\xFF');
  const HANDLE update = BeginUpdateResourceW(win::Wide(copy), FALSE);
  // The resource compiler stores the names upper-cased.
  if (!update ||
      !UpdateResourceW(update, L"STPFILE", L"SETUPPACKAGE", language, package.data(),
                       static_cast<DWORD>(package.size())) ||
      !EndUpdateResourceW(update, FALSE)) {
    return {};
  }
  return copy;
}

TEST_F(InstallTest, ADamagedPackageEndsTheSetupAndLeavesNoEntry) {
  const std::u16string exe = DamagedSetup(Made(ExecutableFolder() + u"TesseraSetupDamaged.exe"));
  ASSERT_FALSE(exe.empty()) << "the test copy could not be made";
  TWizardProcess& setup = LaunchAtFolderPage(exe);
  setup.Type(u"editSetupDir", Made(u"C:\\TesseraDamaged"));
  setup.Click(u"btnNext");
  const TMessageBoxInfo box = ExpectMessageBox(setup, kExtractError, true);
  setup.PressMessageBoxButton(box, u"OK");
  EXPECT_EQ(setup.WaitForExit(), 0u);
  EXPECT_TRUE(Exists(u"C:\\TesseraDamaged\\Tessera.stp"));
  EXPECT_FALSE(UninstallKeyExists());
  EXPECT_FALSE(Exists(TesseraLink(fkDesktop)));
}

// ---------------------------------------------------------------------------
// The uninstaller removes what the setup made

TEST_F(InstallTest, UninstallerRemovesTheInstallation) {
  ReportWindowsXp();
  fs::create_directories(fs::path(GetShellFolder(fkQuickLaunch)));
  const std::u16string folder = u"C:\\TesseraUninstall\\";
  TWizardProcess& setup = InstallTo(folder);
  setup.CloseBox();
  ASSERT_EQ(setup.WaitForExit(), 0u);
  ASSERT_TRUE(UninstallKeyExists());
  ASSERT_TRUE(Exists(TesseraLink(fkQuickLaunch)));

  ASSERT_TRUE(StartSilentUninstall(folder));
  const std::vector<TPayloadFile> files = PayloadFiles();
  const auto everythingGone = [&] {
    for (const TPayloadFile& file : files) {
      if (Exists(InstalledPath(file, folder))) return false;
    }
    return !Exists(folder) && !Exists(TesseraLink(fkDesktop)) &&
           !Exists(TesseraLink(fkQuickLaunch)) && !UninstallKeyExists();
  };
  EXPECT_TRUE(Eventually(everythingGone, kPatience));
}

}  // namespace
