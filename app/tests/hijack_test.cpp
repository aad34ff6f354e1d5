// The elevated setup and its uninstaller against the three attacks of a user
// who can write where they run and where they install: DLLs planted where
// they are looked for, links planted below the destination, and files
// swapped between their writing and their reading. Under Wine: a Unix
// symbolic link in the prefix is a reparse point to the programs.
#include <gtest/gtest.h>
#include <objbase.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

#include "app/tests/Installation.h"
#include "app/tests/WizardDriver.h"
#include "support/Errors.h"
#include "support/Text.h"
#include "support/Win32.h"
#include "support/testing/RegistryValue.h"
#include "toolkit/Toolkit.h"

namespace {

namespace fs = std::filesystem;

constexpr char16_t kExtractError[] =
    u"Extracting files to destination folder when the error occurred.";
constexpr DWORD kInstallTimeout = 60000;
constexpr DWORD kUninstallTimeout = 30000;

// The DLLs that an installation and an uninstallation load (WINEDEBUG=+loaddll)
// that are not KnownDLLs. Left out are Wine's own, which only its builtins
// load and which break Wine itself when replaced: ntdll, kernelbase, win32u,
// ucrtbase, zlib1 and the display driver winex11.drv; and version, which
// Wine's user32 imports (Windows' does not), so that Wine loads it with the
// import table, before the program's first line can restrict the search.
constexpr const char16_t* kPlantedDlls[] = {u"comctl32", u"wininet", u"uxtheme",       u"mpr",
                                            u"msimg32",  u"propsys", u"windowscodecs", u"actxprxy"};

// The programs that run elevated: the setup, the uninstaller and its copy.
constexpr const wchar_t* kElevatedPrograms[] = {L"TesseraSetup.exe", L"Uninst.exe",
                                                L"TesseraUninst.exe"};

std::u16string SetupPath() { return ExecutableFolder() + u"..\\TesseraSetupLoopback.exe"; }

std::u16string TempFolder() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  return win::FromWide(temp);
}

void WriteFileBytes(const std::u16string& path, const std::string& bytes) {
  std::ofstream(fs::path(path), std::ios::binary) << bytes;
}

// The files of a folder by name: what a victim folder holds.
std::vector<std::string> FolderFiles(const std::u16string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(fs::path(folder))) {
    names.push_back(Narrow(entry.path().filename().u16string()));
  }
  return names;
}

// Whether the folder lists an entry of that name, a link whose target is
// missing included.
bool Listed(const std::u16string& path) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW(win::Wide(path), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

// Starts a program of the machine that Wine runs on. Wine does not let us
// wait for its end: the caller waits for its effect.
void RunUnix(const std::vector<std::string>& arguments) {
  std::u16string command;
  for (const std::string& argument : arguments) command += u"\"" + Utf8ToUtf16(argument) + u"\" ";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, win::Wide(command.data()), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    throw Exception(u"Cannot run " + command);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

// The path of a file of the prefix on the machine that Wine runs on.
std::string UnixPath(const std::u16string& path) {
  using TUnixName = char* CDECL(const wchar_t*);
  auto* const unixName =
      win::ProcAddress<TUnixName>(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
  char* name = unixName ? unixName(win::Wide(path)) : nullptr;
  if (!name) throw Exception(u"No Unix path for " + path);
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// Links, victims and the installation, made for one test and removed after it.
class HijackTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }

  void SetUp() override { RemoveInstallation(); }

  void TearDown() override {
    fSetups.clear();
    // Links first, by the machine's own rm: Windows' deletion would take what
    // they point at.
    for (const std::u16string& link : fLinks) {
      RunUnix({"/bin/rm", "-f", UnixPath(link)});
      EXPECT_TRUE(Eventually([&] { return !Listed(link); }, testing_windows::kPatience))
          << Narrow(link);
    }
    RemoveInstallation();
    std::error_code ignored;
    for (const std::u16string& path : fMade) fs::remove_all(fs::path(path), ignored);
  }

  std::u16string Made(const std::u16string& path) {
    fMade.push_back(path);
    return path;
  }

  // A symbolic link at link, a free name, to target, both in the prefix. One
  // program makes it: Wine lets us wait for neither of two, so that a remover
  // started first could still run after the linker.
  void PlantLink(const std::u16string& link, const std::u16string& target) {
    ASSERT_FALSE(Listed(link)) << "the name is taken: " << Narrow(link);
    fLinks.push_back(link);
    RunUnix({"/bin/ln", "-s", UnixPath(target), UnixPath(link)});
    ASSERT_TRUE(Eventually([&] { return Listed(link); }, testing_windows::kPatience))
        << "no link at " << Narrow(link);
  }

  // A victim file of known bytes, and a victim folder holding one.
  std::u16string VictimFile(const std::u16string& path) {
    fs::create_directories(fs::path(path).parent_path());
    WriteFileBytes(Made(path), "victim's own bytes");
    return path;
  }
  std::u16string VictimFolder(const std::u16string& folder, const std::u16string& file) {
    fs::create_directories(fs::path(Made(folder)));
    WriteFileBytes(folder + file, "victim's own bytes");
    return folder;
  }
  static void ExpectVictimFile(const std::u16string& path) {
    EXPECT_EQ(FileBytes(path), "victim's own bytes") << Narrow(path);
  }

  TWizardProcess& StartAtFolderPage(const std::u16string& exe, const std::u16string& folder) {
    fSetups.push_back(std::make_unique<TWizardProcess>(exe));
    TWizardProcess& setup = *fSetups.back();
    setup.WaitForWizard();
    setup.Click(u"btnNext");
    setup.Click(u"btnNext");
    setup.Type(u"editSetupDir", Made(folder));
    return setup;
  }

  // Waits after Install for page 4 (true), or for the extraction box (false),
  // which it closes; in both cases the setup then ends cleanly.
  static bool WaitForTheInstallation(TWizardProcess& setup) {
    const bool ended = Eventually([&] { return InstallationOver(setup); }, kInstallTimeout);
    const bool box = testing_windows::FindMessageBox(setup.ProcessId()).handle != nullptr;
    EXPECT_TRUE(ended) << "the installation did not end in time";
    if (box) {
      const TMessageBoxInfo shown = setup.WaitForMessageBox();
      EXPECT_EQ(shown.text, kExtractError);
      setup.PressMessageBoxButton(shown, u"OK");
    } else {
      setup.CloseBox();
    }
    EXPECT_EQ(setup.WaitForExit(), 0u);
    return ended && !box;
  }

  bool Install(const std::u16string& folder, const std::u16string& exe = SetupPath()) {
    TWizardProcess& setup = StartAtFolderPage(exe, folder);
    setup.Press(u"btnNext");
    return WaitForTheInstallation(setup);
  }

  // Runs the installed uninstaller silently and waits for its copy's work.
  static void Uninstall(const std::u16string& folder) {
    ASSERT_TRUE(StartSilentUninstall(folder));
    const auto done = [&] { return !UninstallKeyExists() && !Exists(folder + u"Tessera.exe"); };
    EXPECT_TRUE(Eventually(done, kUninstallTimeout)) << "the uninstallation did not end";
  }

  static void ExpectPayloadIn(const std::u16string& folder) {
    for (const TPayloadFile& file : PayloadFiles()) {
      const std::u16string target = InstalledPath(file, folder);
      EXPECT_TRUE(FileBytes(target) == FileBytes(file.source.u16string())) << Narrow(target);
    }
  }

  std::vector<std::unique_ptr<TWizardProcess>> fSetups;
  std::vector<std::u16string> fLinks;
  std::vector<std::u16string> fMade;
};

// ---------------------------------------------------------------------------
// Planted DLLs

// An environment variable of the test's processes while the object lives.
class TEnvironmentVariable {
 public:
  TEnvironmentVariable(const wchar_t* name, const std::u16string& value) : fName(name) {
    SetEnvironmentVariableW(name, win::Wide(value));
  }
  ~TEnvironmentVariable() { SetEnvironmentVariableW(fName, nullptr); }
  TEnvironmentVariable(const TEnvironmentVariable&) = delete;
  TEnvironmentVariable& operator=(const TEnvironmentVariable&) = delete;

 private:
  const wchar_t* fName;
};

// Wine's per-program DLL overrides, as WINEDLLOVERRIDES gives them, which
// Wine reads from the registry for every process that a program starts.
class TPreferNative {
 public:
  TPreferNative() {
    for (const wchar_t* program : kElevatedPrograms) {
      for (const char16_t* dll : kPlantedDlls) {
        SetRegText(HKEY_CURRENT_USER, Key(program), win::Wide(dll), L"native,builtin");
      }
    }
  }
  ~TPreferNative() {
    for (const wchar_t* program : kElevatedPrograms) {
      RegDeleteTreeW(HKEY_CURRENT_USER,
                     (L"Software\\Wine\\AppDefaults\\" + std::wstring(program)).c_str());
    }
  }
  TPreferNative(const TPreferNative&) = delete;
  TPreferNative& operator=(const TPreferNative&) = delete;

 private:
  static std::wstring Key(const wchar_t* program) {
    return L"Software\\Wine\\AppDefaults\\" + std::wstring(program) + L"\\DllOverrides";
  }
};

// Beside the setup, in the temporary folder where the uninstaller copies
// itself, and in the installation folder; Wine told to prefer native DLLs of
// those names, as Windows does for a DLL that is not a KnownDLL.
TEST_F(HijackTest, PlantedDllsAreNotLoadedByTheSetupOrTheUninstaller) {
  const std::u16string downloads = Made(u"C:\\HijackDownloads\\");
  const std::u16string folder = u"C:\\HijackDlls\\";
  fs::create_directories(fs::path(downloads));
  fs::create_directories(fs::path(Made(folder)));
  const std::u16string setup = downloads + u"TesseraSetup.exe";
  ASSERT_TRUE(CopyFileW(win::Wide(SetupPath()), win::Wide(setup), FALSE));
  const std::u16string recorder = ExecutableFolder() + u"" TESSERA_PLANT_RECORDER;
  for (const std::u16string& place : {downloads, TempFolder(), folder}) {
    for (const char16_t* dll : kPlantedDlls) {
      const std::u16string planted = Made(place + dll + u".dll");
      ASSERT_TRUE(CopyFileW(win::Wide(recorder), win::Wide(planted), FALSE)) << Narrow(planted);
    }
  }
  const std::u16string log = Made(downloads + u"loaded.log");
  const TEnvironmentVariable logName(L"TESSERA_PLANTED_LOG", log);
  const TPreferNative preferNative;

  EXPECT_TRUE(Install(folder, setup));
  ExpectPayloadIn(folder);
  Uninstall(folder);
  EXPECT_EQ(FileBytes(log), "") << "planted DLLs were loaded";
}

// ---------------------------------------------------------------------------
// Links below the destination

// Refused before anything goes through the link: the extraction box.
TEST_F(HijackTest, AFolderLinkInTheDestinationIsNotWrittenThrough) {
  const std::u16string victims = VictimFolder(u"C:\\HijackVictims\\", u"kept.txt");
  const std::u16string folder = u"C:\\HijackDocsLink\\";
  fs::create_directories(fs::path(folder));
  PlantLink(folder + u"docs", victims);
  EXPECT_FALSE(Install(folder));
  EXPECT_EQ(FolderFiles(victims), std::vector<std::string>{"kept.txt"});
  ExpectVictimFile(victims + u"kept.txt");
}

// The package file's own name: neither written through nor removed.
TEST_F(HijackTest, APackageFileLinkIsNotWrittenThrough) {
  const std::u16string victim = VictimFile(u"C:\\HijackVictims\\system.dat");
  const std::u16string folder = u"C:\\HijackStpLink\\";
  fs::create_directories(fs::path(folder));
  PlantLink(folder + u"Tessera.stp", victim);
  EXPECT_FALSE(Install(folder));
  ExpectVictimFile(victim);
  EXPECT_EQ(FolderFiles(u"C:\\HijackVictims\\"), std::vector<std::string>{"system.dat"});
}

// After the installation docs\ becomes a link to another folder that holds a
// file of the same name: the uninstaller deletes nothing there, and still
// removes the rest.
TEST_F(HijackTest, TheUninstallerDeletesNothingThroughAFolderLink) {
  const std::u16string folder = u"C:\\HijackUninstall\\";
  ASSERT_TRUE(Install(folder));
  const std::u16string victims = VictimFolder(u"C:\\HijackVictims\\", u"readme.txt");
  fs::remove_all(fs::path(folder + u"docs"));
  PlantLink(folder + u"docs", victims);
  Uninstall(folder);
  EXPECT_EQ(FolderFiles(victims), std::vector<std::string>{"readme.txt"});
  ExpectVictimFile(victims + u"readme.txt");
  EXPECT_FALSE(Exists(folder + u"Uninst.exe"));
}

// The uninstaller's copy goes into a folder of its own: a link of the old
// copy's name in the temporary folder is not written through.
TEST_F(HijackTest, TheUninstallersCopyIsNotWrittenThroughALink) {
  const std::u16string folder = u"C:\\HijackUninstCopy\\";
  ASSERT_TRUE(Install(folder));
  const std::u16string victim = VictimFile(u"C:\\HijackVictims\\system.dat");
  PlantLink(TempFolder() + u"TesseraUninst.exe", victim);
  Uninstall(folder);
  ExpectVictimFile(victim);
}

// ---------------------------------------------------------------------------
// The package file between its writing and its reading

struct TProbe {
  const char* name;
  bool (*tryIt)(const std::u16string& path);
};

bool OpenForWriting(const std::u16string& path) {
  const HANDLE file = CreateFileW(win::Wide(path), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool Rename(const std::u16string& path) {
  if (!MoveFileW(win::Wide(path), win::Wide(path + u".moved"))) return false;
  MoveFileW(win::Wide(path + u".moved"), win::Wide(path));
  return true;
}

bool Delete(const std::u16string& path) { return DeleteFileW(win::Wide(path)); }

// Watched from another process from the moment Install is pressed: every
// try to write, rename or delete the package file while it exists is refused
// as a sharing violation, and the installation completes.
TEST_F(HijackTest, ThePackageFileIsHeldFromItsWritingToItsDeletion) {
  const std::u16string folder = u"C:\\HijackHeld\\";
  const std::u16string package = folder + u"Tessera.stp";
  TWizardProcess& setup = StartAtFolderPage(SetupPath(), folder);
  const TProbe probes[] = {
      {"open for writing", &OpenForWriting}, {"rename", &Rename}, {"delete", &Delete}};
  std::vector<int> refused(std::size(probes));
  setup.Press(u"btnNext");
  // The file lives for the extraction and a 50 ms pause: it is looked for in
  // a tight loop, and the wizard's state, which takes longer to ask, only
  // while it is not there.
  bool seen = false;
  DWORD lastLook = 0;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kInstallTimeout) {
    if (Exists(package)) {
      seen = true;
      for (std::size_t i = 0; i < std::size(probes); ++i) {
        if (probes[i].tryIt(package)) {
          ADD_FAILURE() << "another process could " << probes[i].name << " the package file";
        } else if (GetLastError() == ERROR_SHARING_VIOLATION) {
          ++refused[i];
        }
      }
      continue;
    }
    if (seen) break;
    if (GetTickCount() - lastLook >= 200) {
      lastLook = GetTickCount();
      if (setup.VisiblePage() == 4 || testing_windows::FindMessageBox(setup.ProcessId()).handle) {
        break;
      }
    }
  }
  for (std::size_t i = 0; i < std::size(probes); ++i) {
    EXPECT_GT(refused[i], 0) << probes[i].name << " was never tried while the file was held";
  }
  EXPECT_TRUE(WaitForTheInstallation(setup));
  ExpectPayloadIn(folder);
  EXPECT_FALSE(Exists(package));
}

}  // namespace
