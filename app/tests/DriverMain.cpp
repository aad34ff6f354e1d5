// wizard_driver walk <TesseraSetup.exe> <shots folder>
//
// Walks through the wizard with the default choices as a user would, saves a
// screenshot of every page as page1.png to page4.png (and installing.png with
// the progress bar, when it can be caught), prints each step and
// then what the installation made: files, shortcuts and the uninstall entry.
#include <objbase.h>

#include <cstdio>
#include <filesystem>

#include "app/tests/Installation.h"
#include "app/tests/WizardDriver.h"
#include "support/Errors.h"
#include "support/Registry.h"
#include "support/Shell.h"
#include "support/Text.h"
#include "support/Win32.h"
#include "toolkit/Toolkit.h"

namespace {

struct TWalkStep {
  int page;
  const char16_t* nextCaption;
};

constexpr TWalkStep kWalk[] = {
    {1, u"&Next >"},
    {2, u"I &Agree"},
    {3, u"&Install"},
    {4, u"&Finish"},
};

// Installing can take a while before the next page shows.
constexpr DWORD kPageTimeout = 120000;

void Say(const std::u16string& line) {
  std::printf("%s\n", Utf16ToUtf8(line).c_str());
  std::fflush(stdout);
}

void WaitForPage(TWizardProcess& setup, const TWalkStep& step) {
  const DWORD start = GetTickCount();
  while (setup.VisiblePage() != step.page || setup.Text(u"btnNext") != step.nextCaption) {
    if (!setup.Running()) throw Exception(u"The setup ended before page " + IntToStr(step.page));
    if (GetTickCount() - start >= kPageTimeout) {
      throw Exception(u"Page " + IntToStr(step.page) + u" with Next \"" + step.nextCaption +
                      u"\" did not show; the wizard shows page " + IntToStr(setup.VisiblePage()) +
                      u" with \"" + setup.Text(u"btnNext") + u"\"");
    }
    Sleep(50);
  }
  setup.Settle();
}

// The progress bar shows from the start of the extraction until just before
// page 4. The screen is taken again and again while it shows, so the shot
// kept is the latest state that could be caught.
void CatchProgress(const TWizardProcess& setup, const std::u16string& shot) {
  bool caught = false;
  for (const DWORD start = GetTickCount(); GetTickCount() - start < kPageTimeout; Sleep(5)) {
    if (!setup.Running() || setup.VisiblePage() == 4) break;
    if (setup.Visible(u"ProgressBar1")) {
      setup.SaveScreenshotNow(shot);
      caught = true;
    } else if (caught) {
      break;
    }
  }
  Say(caught ? u"installing: saved " + shot
             : u"installing: over before the progress bar could be caught");
}

void ReportInstallation(const std::u16string& folder) {
  namespace fs = std::filesystem;
  Say(u"Installed into " + folder + u":");
  std::error_code error;
  for (const auto& entry : fs::recursive_directory_iterator(fs::path(folder), error)) {
    if (!entry.is_regular_file()) continue;
    Say(u"  " + fs::relative(entry.path(), fs::path(folder)).u16string() + u"  " +
        IntToStr(static_cast<std::int64_t>(entry.file_size())) + u" bytes");
  }
  for (const TFolderKind kind : {fkDesktop, fkQuickLaunch}) {
    const std::u16string link = TesseraLink(kind);
    if (GetFileAttributesW(win::Wide(link)) != INVALID_FILE_ATTRIBUTES) {
      Say(u"Shortcut " + link + u" -> " + ResolveShortcut(link));
    }
  }
  const std::u16string key = kUninstallKey;
  Say(u"Uninstall entry HKLM\\" + key + u":");
  for (const char16_t* name : {u"DisplayIcon", u"DisplayName", u"DisplayVersion", u"Publisher",
                               u"URLInfoAbout", u"UninstallString"}) {
    Say(u"  " + std::u16string(name) + u" = " + ReadRegString(rrLocalMachine, key, name));
  }
}

int Walk(const std::u16string& exePath, const std::u16string& shotsFolder) {
  CreateDirectoryW(win::Wide(shotsFolder), nullptr);
  TWizardProcess setup(exePath);
  Say(u"started " + exePath);
  setup.WaitForWizard();
  Say(u"wizard window shown");
  std::u16string folder;
  for (const TWalkStep& step : kWalk) {
    WaitForPage(setup, step);
    if (step.page == 3) folder = setup.Text(u"editSetupDir") + u"\\";
    const std::u16string shot = shotsFolder + u"\\page" + IntToStr(step.page) + u".png";
    setup.SaveScreenshot(shot);
    Say(u"page " + IntToStr(step.page) + u": saved " + shot);
    setup.Press(u"btnNext");
    Say(u"page " + IntToStr(step.page) + u": clicked \"" + step.nextCaption + u"\"");
    if (step.page == 3) CatchProgress(setup, shotsFolder + u"\\installing.png");
    setup.Settle();
  }
  const DWORD exitCode = setup.WaitForExit(30000);
  Say(u"setup ended with exit code " + IntToStr(exitCode));
  ReportInstallation(folder);
  return exitCode == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4 || win::FromWide(argv[1]) != u"walk") {
    std::fprintf(stderr, "usage: wizard_driver walk <TesseraSetup.exe> <shots folder>\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  try {
    return Walk(win::FromWide(argv[2]), win::FromWide(argv[3]));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "wizard_driver: %s\n", error.what());
    return 1;
  }
}
