// Drives the real setup program from another process, as a user would: finds
// its controls by their designer names, clicks and types through the window
// messages, reads what the window shows and takes screenshots.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/testing/WindowQueries.h"

using testing_windows::TMessageBoxInfo;

// Pixels of a screen area, RGB, rows top-down.
struct TScreenImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
  COLORREF Pixel(int x, int y) const;
};

// The folder of the running executable, with a trailing backslash.
std::u16string ExecutableFolder();

// One run of the setup program. The process is ended when the object goes,
// if it still runs.
class TWizardProcess {
 public:
  // Starts the program with the given command-line arguments.
  explicit TWizardProcess(const std::u16string& exePath, const std::u16string& arguments = u"");
  TWizardProcess(const TWizardProcess&) = delete;
  TWizardProcess& operator=(const TWizardProcess&) = delete;
  ~TWizardProcess();

  DWORD ProcessId() const noexcept { return fInfo.dwProcessId; }

  // Waits until the wizard window is shown; raises when it is not in time.
  void WaitForWizard();
  bool HasWizardWindow() const;
  HWND Form() const noexcept { return fForm; }
  // The control of that designer name; raises when there is none.
  HWND Control(const std::u16string& name) const;

  std::u16string Text(const std::u16string& name) const;
  bool Visible(const std::u16string& name) const;
  bool Enabled(const std::u16string& name) const;
  // Position and size in the parent's client area, and in the window's.
  RECT BoundsInParent(const std::u16string& name) const;
  RECT BoundsInClient(const std::u16string& name) const;
  RECT WindowRect() const;
  RECT ClientRect() const;
  // The setup's focused window, and its designer name.
  HWND Focus() const;
  std::u16string FocusName() const;
  // The visible page, 1 to 4, or 0 unless exactly one page is visible.
  int VisiblePage() const;

  // Clicks a visible and enabled control and waits until the wizard is idle.
  void Click(const std::u16string& name);
  // Clicks without waiting, to watch what the wizard shows while it works.
  void Press(const std::u16string& name);
  // Replaces the text of an edit by typing it character by character.
  void Type(const std::u16string& name, const std::u16string& text);
  // Presses and releases a key in the focused control.
  void PressKey(WORD key);
  // Asks the window to close, as its close box does.
  void CloseBox();
  // Waits until the wizard has handled what was sent to it, gone idle and
  // painted; raises when it does not settle in time.
  void Settle() const;

  // Waits for a message box of the setup; raises when none comes in time.
  TMessageBoxInfo WaitForMessageBox() const;
  // Presses the button of that caption in the box.
  void PressMessageBoxButton(const TMessageBoxInfo& box, const std::u16string& caption) const;

  // Waits for the end of the process and gives its exit code; raises when it
  // does not end in time.
  DWORD WaitForExit(DWORD milliseconds = testing_windows::kPatience);
  bool Running() const;

  TScreenImage CaptureWindow() const;
  TScreenImage CaptureClient() const;
  void SaveScreenshot(const std::u16string& pngPath) const;
  // The window as the screen shows it now, busy or not.
  void SaveScreenshotNow(const std::u16string& pngPath) const;

 private:
  PROCESS_INFORMATION fInfo{};
  HWND fForm = nullptr;
};

// The bytes of a resource in another executable file.
std::string ReadResourceOf(const std::u16string& exePath, const std::u16string& name);

// Writes an 8-bit RGB picture as a PNG file.
void WritePng(const std::u16string& path, const TScreenImage& image);
