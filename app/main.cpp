// The program entry: refuse to run beside Tessera, then show the wizard.
#include <windows.h>

#include <cxxabi.h>
#include <cstdlib>

#include "app/SetupForm.h"
#include "support/Win32.h"
#include "toolkit/Toolkit.h"

// libstdc++'s default terminate handler names the exception's type, which
// links in its demangler and printf, some 70 KB. A program
// without a console shows that text nowhere: it ends as abort() ends it.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
  win::RestrictDllSearch();
  if (FindWindowW(L"TfrmMain", L"Tessera")) {
    MessageBoxW(nullptr, L"Tessera is running, you first need to close it.", L"Setup", 0);
    return 0;
  }
  TApplication application;
  try {
    application.Initialize();
    application.SetTitle(u"Setup");
    application.SetIcon(u"MAINICON");
    application.SetNameProperty(kNameProperty);
    application.CreateForm<TForm1>();
    application.Run();
  } catch (...) {
    ShowException();
  }
  return 0;
}
