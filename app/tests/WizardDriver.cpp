#include "app/tests/WizardDriver.h"

#include <cstdint>
#include <memory>

#include "app/SetupForm.h"
#include "support/Errors.h"
#include "support/Text.h"
#include "support/Win32.h"
#include "toolkit/Toolkit.h"

using testing_windows::ChildWindows;
using testing_windows::kPatience;
using testing_windows::TopLevelWindows;
using testing_windows::WindowText;

namespace {

// Looks in a row that find the wizard unchanged and painted before it counts
// as settled.
constexpr int kSettledLooks = 3;

// Our own windows keep answering while we wait for the setup.
void PumpOwnMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

template <class Condition>
bool WaitUntil(Condition condition, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start >= milliseconds) return false;
    PumpOwnMessages();
    Sleep(20);
  }
  return true;
}

// One round trip through the setup's message queue: it returns once the
// setup has looked at its queue again.
bool RoundTrip(HWND window) {
  DWORD_PTR result = 0;
  const bool answered =
      SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kPatience, &result) != 0;
  PumpOwnMessages();
  return answered;
}

// What a settled wizard no longer changes: for each of its windows whether it
// is visible, enabled and waiting to be painted, and which window has the focus.
struct TAppearance {
  std::vector<std::uintptr_t> states;
  HWND focus = nullptr;
  bool painted = true;
  bool operator==(const TAppearance&) const = default;
};

TAppearance AppearanceOf(HWND form, HWND focus) {
  TAppearance look;
  look.focus = focus;
  std::vector<HWND> windows = ChildWindows(form);
  windows.push_back(form);
  for (HWND window : windows) {
    const bool visible = IsWindowVisible(window);
    const bool unpainted = visible && GetUpdateRect(window, nullptr, FALSE);
    look.painted = look.painted && !unpainted;
    look.states.push_back(reinterpret_cast<std::uintptr_t>(window) << 3 | visible << 2 |
                          IsWindowEnabled(window) << 1 | unpainted);
  }
  return look;
}

// The designer name that the toolkit gave the window, or empty.
std::u16string NameOf(HWND window) {
  const auto atom =
      static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropW(window, win::Wide(kNameProperty))));
  wchar_t name[256] = {};
  if (atom == 0 || GlobalGetAtomNameW(atom, name, 256) == 0) return {};
  return win::FromWide(name);
}

RECT ScreenRectInParent(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, GetAncestor(window, GA_PARENT), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

TScreenImage CaptureScreen(const RECT& area) {
  TScreenImage image;
  image.width = area.right - area.left;
  image.height = area.bottom - area.top;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, image.width, image.height, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  const auto* bgra = static_cast<const std::uint8_t*>(bits);
  const std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
  image.rgb.resize(pixels * 3);
  for (std::size_t i = 0; i < pixels; ++i) {
    image.rgb[3 * i] = bgra[4 * i + 2];
    image.rgb[3 * i + 1] = bgra[4 * i + 1];
    image.rgb[3 * i + 2] = bgra[4 * i];
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return image;
}

}  // namespace

COLORREF TScreenImage::Pixel(int x, int y) const {
  const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
  return RGB(rgb[at], rgb[at + 1], rgb[at + 2]);
}

std::u16string ExecutableFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::u16string folder = win::FromWide(path);
  return folder.substr(0, folder.rfind(u'\\') + 1);
}

TWizardProcess::TWizardProcess(const std::u16string& exePath, const std::u16string& arguments) {
  std::u16string commandLine = u"\"" + exePath + u"\"";
  if (!arguments.empty()) commandLine += u" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessW(win::Wide(exePath), win::Wide(commandLine.data()), nullptr, nullptr, FALSE, 0,
                      nullptr, nullptr, &startup, &fInfo)) {
    throw Exception(u"Cannot start " + exePath + u" (error " + IntToStr(GetLastError()) + u")");
  }
}

TWizardProcess::~TWizardProcess() {
  if (Running()) {
    TerminateProcess(fInfo.hProcess, 1);
    WaitForSingleObject(fInfo.hProcess, kPatience);
  }
  CloseHandle(fInfo.hThread);
  CloseHandle(fInfo.hProcess);
}

bool TWizardProcess::Running() const {
  return WaitForSingleObject(fInfo.hProcess, 0) == WAIT_TIMEOUT;
}

void TWizardProcess::WaitForWizard() {
  const bool shown = WaitUntil(
      [this] {
        for (HWND window : TopLevelWindows(ProcessId(), u"TForm1")) {
          if (IsWindowVisible(window) && WindowText(window) == u"Setup - Brindle Tessera") {
            fForm = window;
            return true;
          }
        }
        return !Running();
      },
      kPatience);
  if (!fForm) {
    throw Exception(shown ? u"The setup ended without showing its window"
                          : u"The setup did not show its window in time");
  }
  Settle();
}

bool TWizardProcess::HasWizardWindow() const {
  return !TopLevelWindows(ProcessId(), u"TForm1").empty();
}

HWND TWizardProcess::Control(const std::u16string& name) const {
  if (!fForm) throw Exception(u"The wizard window is not there");
  if (NameOf(fForm) == name) return fForm;
  for (HWND child : ChildWindows(fForm)) {
    if (NameOf(child) == name) return child;
  }
  throw Exception(u"The wizard has no control " + name);
}

std::u16string TWizardProcess::Text(const std::u16string& name) const {
  return WindowText(Control(name));
}

bool TWizardProcess::Visible(const std::u16string& name) const {
  return IsWindowVisible(Control(name));
}

bool TWizardProcess::Enabled(const std::u16string& name) const {
  return IsWindowEnabled(Control(name));
}

RECT TWizardProcess::BoundsInParent(const std::u16string& name) const {
  return ScreenRectInParent(Control(name));
}

RECT TWizardProcess::BoundsInClient(const std::u16string& name) const {
  const HWND control = Control(name);
  RECT rect{};
  if (control == fForm) {
    GetClientRect(fForm, &rect);
    return rect;
  }
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, fForm, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

RECT TWizardProcess::WindowRect() const {
  RECT rect{};
  GetWindowRect(fForm, &rect);
  return rect;
}

RECT TWizardProcess::ClientRect() const {
  RECT rect{};
  GetClientRect(fForm, &rect);
  return rect;
}

HWND TWizardProcess::Focus() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(fForm, nullptr), &info);
  return info.hwndFocus;
}

std::u16string TWizardProcess::FocusName() const { return NameOf(Focus()); }

int TWizardProcess::VisiblePage() const {
  int visible = 0;
  int count = 0;
  for (int page = 1; page <= 4; ++page) {
    if (Visible(u"pnlStep" + IntToStr(page))) {
      visible = page;
      ++count;
    }
  }
  return count == 1 ? visible : 0;
}

void TWizardProcess::Click(const std::u16string& name) {
  Press(name);
  Settle();
}

void TWizardProcess::Press(const std::u16string& name) {
  const HWND control = Control(name);
  if (!IsWindowVisible(control) || !IsWindowEnabled(control)) {
    throw Exception(name + u" cannot be clicked: it is hidden or disabled");
  }
  PostMessageW(control, BM_CLICK, 0, 0);
}

void TWizardProcess::Type(const std::u16string& name, const std::u16string& text) {
  const HWND edit = Control(name);
  DWORD_PTR result = 0;
  SendMessageTimeoutW(edit, EM_SETSEL, 0, -1, SMTO_NORMAL, kPatience, &result);
  // Typing replaces the selection; an empty text deletes it.
  const std::u16string keys = text.empty() ? std::u16string(1, u'\b') : text;
  for (const char16_t key : keys) {
    SendMessageTimeoutW(edit, WM_CHAR, key, 1, SMTO_NORMAL, kPatience, &result);
  }
  Settle();
}

void TWizardProcess::PressKey(WORD key) {
  const HWND focus = Focus();
  if (!focus) throw Exception(u"No control of the setup has the focus");
  const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
  PostMessageW(focus, WM_KEYDOWN, key, scan | 1);
  PostMessageW(focus, WM_KEYUP, key, scan | 0xC0000001);
  Settle();
}

void TWizardProcess::CloseBox() {
  PostMessageW(fForm, WM_SYSCOMMAND, SC_CLOSE, 0);
  Settle();
}

// Messages sent from another thread are handled only where the setup looks
// at its queue: before each message it takes, and before it goes idle after
// its idle pass. What was posted before, the idle pass and the painting that
// they cause are over when several looks in a row find the wizard unchanged
// with nothing left to paint.
void TWizardProcess::Settle() const {
  const DWORD start = GetTickCount();
  TAppearance last;
  for (int settled = 0; settled < kSettledLooks;) {
    if (!IsWindow(fForm)) return;  // the setup has ended
    const bool answered = RoundTrip(fForm);
    TAppearance look = AppearanceOf(fForm, Focus());
    settled = answered && look.painted && look == last ? settled + 1 : 0;
    last = std::move(look);
    if (settled < kSettledLooks && GetTickCount() - start >= kPatience) {
      throw Exception(u"The wizard did not settle");
    }
  }
}

TMessageBoxInfo TWizardProcess::WaitForMessageBox() const {
  TMessageBoxInfo box;
  WaitUntil(
      [&] {
        box = testing_windows::FindMessageBox(ProcessId());
        return box.handle != nullptr || !Running();
      },
      kPatience);
  if (!box.handle) throw Exception(u"The setup showed no message box");
  return box;
}

void TWizardProcess::PressMessageBoxButton(const TMessageBoxInfo& box,
                                           const std::u16string& caption) const {
  if (!testing_windows::PressMessageBoxButton(box, caption)) {
    throw Exception(u"The message box has no button " + caption);
  }
}

DWORD TWizardProcess::WaitForExit(DWORD milliseconds) {
  if (WaitForSingleObject(fInfo.hProcess, milliseconds) != WAIT_OBJECT_0) {
    throw Exception(u"The setup did not end in time");
  }
  DWORD code = 0;
  GetExitCodeProcess(fInfo.hProcess, &code);
  fForm = nullptr;
  return code;
}

TScreenImage TWizardProcess::CaptureWindow() const {
  Settle();
  return CaptureScreen(WindowRect());
}

TScreenImage TWizardProcess::CaptureClient() const {
  Settle();
  RECT client = ClientRect();
  MapWindowPoints(fForm, nullptr, reinterpret_cast<POINT*>(&client), 2);
  return CaptureScreen(client);
}

void TWizardProcess::SaveScreenshot(const std::u16string& pngPath) const {
  WritePng(pngPath, CaptureWindow());
}

void TWizardProcess::SaveScreenshotNow(const std::u16string& pngPath) const {
  WritePng(pngPath, CaptureScreen(WindowRect()));
}

std::string ReadResourceOf(const std::u16string& exePath, const std::u16string& name) {
  struct TFree {
    void operator()(HMODULE module) const { FreeLibrary(module); }
  };
  const std::unique_ptr<std::remove_pointer_t<HMODULE>, TFree> module(
      LoadLibraryExW(win::Wide(exePath), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  const HRSRC resource = module ? FindResourceW(module.get(), win::Wide(name), RT_RCDATA) : nullptr;
  const HGLOBAL loaded = resource ? LoadResource(module.get(), resource) : nullptr;
  if (!loaded) throw Exception(exePath + u" has no resource " + name);
  return {static_cast<const char*>(LockResource(loaded)), SizeofResource(module.get(), resource)};
}
