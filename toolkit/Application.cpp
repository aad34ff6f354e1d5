// The application object, its message loop and the standard message boxes.
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

TApplication::TApplication() { gApplication = this; }

TApplication::~TApplication() {
  fForms.clear();
  if (fComInitialized) CoUninitialize();
  gApplication = nullptr;
}

void TApplication::Initialize() {
  fComInitialized = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

void TApplication::SetTitle(std::u16string title) { SetApplicationTitle(std::move(title)); }

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
