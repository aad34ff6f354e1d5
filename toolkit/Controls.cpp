// The form and the controls on it.
#include "support/Win32.h"
#include "toolkit/Toolkit.h"

#include <commctrl.h>

#include "support/Win32.h"

// ---------------------------------------------------------------------------
// Form

TForm::TForm(const std::u16string& className, std::u16string name)
    : TControl(nullptr, std::move(name), {0, 0, 320, 240},
               {win::Wide(className),
                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME |
                    WS_CLIPCHILDREN,
                WS_EX_CONTROLPARENT, cfFillsBackground},
               Application().Handle()) {
  SetColor(clBtnFace);
}

void TForm::SetVisible(bool visible) {
  if (!Handle() || Visible() == visible) return;
  if (visible && !fShown) {
    fShown = true;
    const TBounds bounds = Bounds();
    SetBounds({(GetSystemMetrics(SM_CXSCREEN) - bounds.width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - bounds.height) / 2, bounds.width, bounds.height});
  }
  if (visible && Application().MainForm() == this) Application().ShowEntry();
  ShowWindow(Handle(), visible ? SW_SHOW : SW_HIDE);
}

// The main form goes with the loop's end; another one only hides.
void TForm::Close() {
  if (Application().MainForm() == this) {
    Application().Terminate();
  } else {
    Hide();
  }
}

void TForm::DoCreate() {
  if (!OnCreate) return;
  try {
    OnCreate(this);
  } catch (...) {
    ShowException();
  }
}

void TForm::RestoreFocus() {
  const bool restore = fLastFocus && IsChild(Handle(), fLastFocus) && IsWindowVisible(fLastFocus) &&
                       IsWindowEnabled(fLastFocus);
  const HWND focus = restore ? fLastFocus : GetNextDlgTabItem(Handle(), nullptr, FALSE);
  if (focus) SetFocus(focus);
}

LRESULT TForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_SYSCOMMAND:
      // The main form goes down with the application, into its taskbar entry.
      if ((wParam & 0xFFF0) == SC_MINIMIZE && Application().MainForm() == this) {
        ShowWindow(Application().Handle(), SW_MINIMIZE);
        return 0;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (IsChild(Handle(), focus)) fLastFocus = focus;
      } else if (HIWORD(wParam) == 0) {
        RestoreFocus();
      }
      return 0;
    case WM_SETFOCUS:
      // The frame itself (after a restore from minimised, say) hands it on.
      RestoreFocus();
      return 0;
    case WM_NEXTDLGCTL: {
      const HWND next = LOWORD(lParam) != 0 ? reinterpret_cast<HWND>(wParam)
                                            : GetNextDlgTabItem(Handle(), GetFocus(), wParam != 0);
      // The arrow keys name any control of the group, labels and pictures
      // too; only a tab stop may take the focus.
      if (next && (GetWindowLongW(next, GWL_STYLE) & WS_TABSTOP)) SetFocus(next);
      return 0;
    }
    case WM_COMMAND:
      // Enter without a default button: a focused push button is pressed.
      if (LOWORD(wParam) == IDOK && lParam == 0) {
        const HWND focus = GetFocus();
        if (dynamic_cast<TButton*>(FromHandle(focus))) SendMessageW(focus, BM_CLICK, 0, 0);
        return 0;
      }
      break;
  }
  return TControl::WndProc(message, wParam, lParam);
}

// ---------------------------------------------------------------------------
// Containers

TPanel::TPanel(TControl& parent, std::u16string name, const TBounds& bounds)
    : TControl(&parent, std::move(name), bounds,
               {L"TPanel", WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, cfFillsBackground}) {
  SetColor(clBtnFace);
}

TGroupBox::TGroupBox(TControl& parent, std::u16string name, const TBounds& bounds)
    : TControl(&parent, std::move(name), bounds,
               {L"BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT,
                cfFillsBackground | cfTransparent}) {}

// ---------------------------------------------------------------------------
// Text

TLabel::TLabel(TControl& parent, std::u16string name, const TBounds& bounds, bool wordWrap)
    : TControl(
          &parent, std::move(name), bounds,
          {L"STATIC", static_cast<DWORD>(SS_NOPREFIX | (wordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP)), 0,
           cfTransparent}),
      fAutoSize(!wordWrap) {
  AdjustSize();
}

void TLabel::AdjustSize() {
  if (!fAutoSize) return;
  const std::u16string text = Text();
  const HDC dc = GetDC(Handle());
  const HGDIOBJ old = SelectObject(dc, Font());
  RECT extent{};
  DrawTextW(dc, win::Wide(text), -1, &extent, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | DT_LEFT);
  SelectObject(dc, old);
  ReleaseDC(Handle(), dc);
  SetSize(extent.right, extent.bottom);
}

TEdit::TEdit(TControl& parent, std::u16string name, const TBounds& bounds)
    : TControl(&parent, std::move(name), bounds,
               {L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE}) {}

// The edit control reports typing and a new text alike.
void TEdit::Notify(WORD code) {
  if (code == EN_CHANGE && OnChange) OnChange(this);
}

TMemo::TMemo(TControl& parent, std::u16string name, const TBounds& bounds)
    : TControl(&parent, std::move(name), bounds,
               {L"EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
                WS_EX_CLIENTEDGE}) {}

void TMemo::SetText(const std::u16string& text) {
  std::u16string lines;
  lines.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\n' || c == u'\r') {
      lines += u"\r\n";
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else {
      lines += c;
    }
  }
  TControl::SetText(lines);
}

// Read-only, the edit control would take the face colour.
HBRUSH TMemo::ControlColor(HDC dc) {
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  return GetSysColorBrush(COLOR_WINDOW);
}

// ---------------------------------------------------------------------------
// Buttons

TButton::TButton(TControl& parent, std::u16string name, const TBounds& bounds)
    : TControl(&parent, std::move(name), bounds, {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP}) {}

void TButton::Notify(WORD code) {
  if (code == BN_CLICKED && OnClick) OnClick(this);
}

TCheckBox::TCheckBox(TControl& parent, std::u16string name, const TBounds& bounds)
    : TControl(&parent, std::move(name), bounds,
               {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP, 0, cfTransparent}) {}

bool TCheckBox::Checked() const { return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TCheckBox::SetChecked(bool checked) {
  SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// ---------------------------------------------------------------------------
// Decoration and progress

TBevel::TBevel(TControl& parent, std::u16string name, const TBounds& bounds)
    : TControl(&parent, std::move(name), bounds, {L"TBevel", 0}) {}

LRESULT TBevel::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      return PaintClientArea([](HDC dc, const RECT& area) {
        RECT line{area.left, area.top, area.right, area.top + 1};
        FillRect(dc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
        OffsetRect(&line, 0, 1);
        FillRect(dc, &line, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
      });
  }
  return TControl::WndProc(message, wParam, lParam);
}

namespace {

// The progress bar's window class is registered by comctl32 on request;
// comctl32 is loaded at run time, from the system directory only. It draws
// through uxtheme and msimg32, which Wine's own DLLs load on first use by a
// search that starts in the program's folder whatever the process restricts:
// loaded first from the system directory, they are found loaded.
BOOL RegisterProgressClass() {
  static const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  for (const wchar_t* drawing : {L"uxtheme.dll", L"msimg32.dll"}) win::LoadSystemLibrary(drawing);
  auto* const init = win::ProcAddress<decltype(InitCommonControlsEx)>(
      win::LoadSystemLibrary(L"comctl32.dll"), "InitCommonControlsEx");
  return init && init(&controls);
}

const wchar_t* ProgressClass() {
  [[maybe_unused]] static const BOOL registered = RegisterProgressClass();
  return PROGRESS_CLASSW;
}

}  // namespace

TProgressBar::TProgressBar(TControl& parent, std::u16string name, const TBounds& bounds)
    : TControl(&parent, std::move(name), bounds, {ProgressClass(), 0}) {}

void TProgressBar::SetRange(int min, int max) {
  SendMessageW(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(min), max);
}

void TProgressBar::SetStep(int step) {
  SendMessageW(Handle(), PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}

void TProgressBar::SetPosition(int position) {
  SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}
