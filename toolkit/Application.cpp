// The application object with its window, its message loop and the standard
// message boxes.
#include "toolkit/Toolkit.h"

#include <objbase.h>

#include <algorithm>
#include <exception>

#include "support/Errors.h"
#include "support/Synchronize.h"
#include "support/System.h"
#include "support/Text.h"
#include "support/Win32.h"

namespace {

TApplication* gApplication = nullptr;

constexpr wchar_t kWindowClass[] = L"TApplication";
// A popup, not an overlapped window: it takes no size of the system's choosing.
constexpr DWORD kWindowStyle =
    WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX;

void ShowBox(const std::u16string& text, UINT flags) {
  MessageBoxW(win::ModalOwner(), win::Wide(text), win::Wide(ApplicationTitle()), flags);
}

// Dialog keys (Tab, arrows, mnemonics) of a form go to the dialog manager.
bool IsDialogKey(MSG& message) {
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST || !message.hwnd) {
    return false;
  }
  const HWND root = GetAncestor(message.hwnd, GA_ROOT);
  return dynamic_cast<TForm*>(TControl::FromHandle(root)) && IsDialogMessageW(root, &message);
}

}  // namespace

TApplication& Application() {
  if (!gApplication) std::terminate();
  return *gApplication;
}

// The window of no size, in the middle of the screen, that stands for the
// application in the taskbar and owns its forms.
TApplication::TApplication() {
  gApplication = this;
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  static const bool registered = [instance] {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = &WindowProc;
    cls.hInstance = instance;
    cls.lpszClassName = kWindowClass;
    return RegisterClassExW(&cls) != 0;
  }();
  fHandle = registered ? CreateWindowExW(0, kWindowClass, win::Wide(ApplicationTitle()),
                                         kWindowStyle, GetSystemMetrics(SM_CXSCREEN) / 2,
                                         GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr, nullptr,
                                         instance, nullptr)
                       : nullptr;
  if (!fHandle) {
    gApplication = nullptr;
    throw Exception(u"Cannot create the application window (error " + IntToStr(GetLastError()) +
                    u")");
  }
}

TApplication::~TApplication() {
  fForms.clear();
  DestroyWindow(fHandle);
  if (fComInitialized) CoUninitialize();
  gApplication = nullptr;
}

LRESULT CALLBACK TApplication::WindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (gApplication && handle == gApplication->fHandle) {
    switch (message) {
      // "Close window" on the taskbar entry closes the main form.
      case WM_CLOSE:
        if (gApplication->fMainForm) gApplication->fMainForm->Close();
        return 0;
      case WM_SETFOCUS:
        gApplication->PassFocusOn();
        return 0;
    }
  }
  return DefWindowProcW(handle, message, wParam, lParam);
}

void TApplication::PassFocusOn() {
  if (IsIconic(fHandle)) return;
  HWND target = GetLastActivePopup(fHandle);
  if (target == fHandle && fMainForm) target = fMainForm->Handle();
  if (target != fHandle && IsWindowVisible(target) && IsWindowEnabled(target)) SetFocus(target);
}

void TApplication::ShowEntry() {
  if (!IsWindowVisible(fHandle)) ShowWindow(fHandle, SW_SHOWNA);
}

void TApplication::SetIcon(const std::u16string& resourceName) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  fIcon = LoadIconW(instance, win::Wide(resourceName));
  fSmallIcon = static_cast<HICON>(
      LoadImageW(instance, win::Wide(resourceName), IMAGE_ICON, 16, 16, LR_SHARED));
  SendMessageW(fHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(fIcon));
  SendMessageW(fHandle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(fSmallIcon));
}

void TApplication::SetNameProperty(std::u16string property) { fNameProperty = std::move(property); }

void TApplication::Initialize() {
  fComInitialized = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

void TApplication::SetTitle(std::u16string title) {
  SetWindowTextW(fHandle, win::Wide(title));
  SetApplicationTitle(std::move(title));
}

void TApplication::AddForm(std::unique_ptr<TForm> form) {
  TForm& added = *form;
  fForms.push_back(std::move(form));
  if (!fMainForm) fMainForm = &added;
  added.DoCreate();
}

void TApplication::Run() {
  if (!fMainForm) return;
  fMainForm->Show();
  while (!fTerminated) {
    try {
      if (!ProcessMessage()) Idle();
    } catch (...) {
      ShowException();
    }
  }
}

void TApplication::ProcessMessages() {
  while (ProcessMessage()) {
  }
  // A thread message posted while a modal loop ran is dropped, so the wake-up
  // for a hand-over may never come: look for waiting ones all the same.
  CheckSynchronize();
}

void TApplication::Terminate() { PostQuitMessage(0); }

bool TApplication::ProcessMessage() {
  MSG message;
  if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return false;
  if (message.message == WM_QUIT) {
    fTerminated = true;
  } else if (!IsDialogKey(message)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  CheckSynchronize();
  return true;
}

void TApplication::Idle() {
  bool done = true;
  // A handler may create or end application events while the list is walked.
  const std::vector<TApplicationEvents*> events = fEvents;
  for (TApplicationEvents* receiver : events) {
    if (std::find(fEvents.begin(), fEvents.end(), receiver) != fEvents.end() && receiver->OnIdle) {
      receiver->OnIdle(receiver, done);
    }
  }
  CheckSynchronize();
  if (done) WaitMessage();
}

TApplicationEvents::TApplicationEvents() { Application().fEvents.push_back(this); }

TApplicationEvents::~TApplicationEvents() {
  if (gApplication) std::erase(gApplication->fEvents, this);
}

void ShowMessage(const std::u16string& text) { ShowBox(text, MB_OK); }

void ShowException() {
  std::u16string message;
  try {
    throw;
  } catch (const Exception& error) {
    message = error.Message();
  } catch (const std::exception& error) {
    message = Utf8ToUtf16(error.what());
  } catch (...) {
    message = u"Unknown error";
  }
  ShowBox(message, MB_OK | MB_ICONERROR);
}
