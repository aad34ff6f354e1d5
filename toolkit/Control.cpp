// The control base: its window, the hand-back of parent notifications,
// geometry with alignment, tab order, font and colour.
#include "toolkit/Toolkit.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <list>
#include <set>

#include "support/Errors.h"
#include "support/Text.h"
#include "support/Win32.h"

namespace {

constexpr wchar_t kObjectProperty[] = L"ToolkitControl";

// Our own window classes leave everything to the control's WndProc.
void RegisterOwnClass(const wchar_t* name) {
  static std::set<std::wstring> registered;
  if (!registered.insert(name).second) return;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  cls.lpfnWndProc = DefWindowProcW;
  cls.hInstance = instance;
  cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  cls.lpszClassName = name;
  cls.hIcon = Application().Icon();
  cls.hIconSm = Application().SmallIcon();
  RegisterClassExW(&cls);
}

bool IsSystemClass(const wchar_t* name) {
  for (const wchar_t* system : {L"STATIC", L"BUTTON", L"EDIT", PROGRESS_CLASSW}) {
    if (lstrcmpiW(name, system) == 0) return true;
  }
  return false;
}

// Fonts live as long as the program; few distinct ones are ever asked for.
HFONT FontHandle(const TFont& font) {
  struct TEntry {
    TEntry(const TFont& font, HFONT handle) : font(font), handle(handle) {}
    TEntry(const TEntry&) = delete;
    TEntry& operator=(const TEntry&) = delete;
    ~TEntry() { DeleteObject(handle); }
    TFont font;
    HFONT handle;
  };
  static std::list<TEntry> cache;
  for (const TEntry& entry : cache) {
    if (entry.font.name == font.name && entry.font.size == font.size &&
        entry.font.bold == font.bold) {
      return entry.handle;
    }
  }
  // Points at 96 dots per inch, as the layout's pixel sizes are: at a larger
  // system setting the text would outgrow its fixed boxes.
  LOGFONTW log{};
  log.lfHeight = -MulDiv(font.size, 96, 72);
  log.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  log.lfCharSet = DEFAULT_CHARSET;
  log.lfQuality = DEFAULT_QUALITY;
  lstrcpynW(log.lfFaceName, win::Wide(font.name), LF_FACESIZE);
  cache.emplace_back(font, CreateFontIndirectW(&log));
  return cache.back().handle;
}

}  // namespace

// The designer name as a global atom in a window property, so that other
// processes can read it.
class TControl::TNameTag {
 public:
  TNameTag(HWND window, std::u16string property, const std::u16string& name)
      : fProperty(std::move(property)), fAtom(GlobalAddAtomW(win::Wide(name))) {
    SetPropW(window, win::Wide(fProperty), reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(fAtom)));
  }
  TNameTag(const TNameTag&) = delete;
  TNameTag& operator=(const TNameTag&) = delete;
  ~TNameTag() {
    if (fAtom != 0) GlobalDeleteAtom(fAtom);
  }
  void Remove(HWND window) const { RemovePropW(window, win::Wide(fProperty)); }

 private:
  std::u16string fProperty;
  ATOM fAtom;
};

TControl::TControl(TControl* parent, std::u16string name, const TBounds& bounds,
                   const TWindowClass& cls, HWND owner)
    : fName(std::move(name)), fParent(parent), fFlags(cls.flags) {
  if (!IsSystemClass(cls.name)) RegisterOwnClass(cls.name);
  const DWORD style = cls.style | (parent ? WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE : 0);
  fHandle = CreateWindowExW(cls.exStyle, cls.name, L"", style, bounds.left, bounds.top,
                            bounds.width, bounds.height, parent ? parent->fHandle : owner, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  if (!fHandle) {
    throw Exception(u"Cannot create the window of " + fName + u" (error " +
                    IntToStr(GetLastError()) + u")");
  }
  SetPropW(fHandle, kObjectProperty, this);
  if (const std::u16string& property = Application().NameProperty(); !property.empty()) {
    fNameTag = std::make_unique<TNameTag>(fHandle, property, fName);
  }
  fDefaultProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(fHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlProc)));
  if (parent) parent->fChildren.push_back(this);
  SetFont(TFont{});
}

TControl::~TControl() {
  if (fParent) fParent->Detach(*this);
  for (TControl* child : fChildren) child->fParent = nullptr;
  if (fHandle) DestroyWindow(fHandle);
}

TControl* TControl::FromHandle(HWND handle) {
  return static_cast<TControl*>(GetPropW(handle, kObjectProperty));
}

LRESULT CALLBACK TControl::ControlProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  TControl* control = FromHandle(handle);
  if (!control) return DefWindowProcW(handle, message, wParam, lParam);
  // An error must not unwind through the system's code: it is shown here and
  // the message counts as handled.
  try {
    return control->WndProc(message, wParam, lParam);
  } catch (...) {
    ShowException();
    return 0;
  }
}

LRESULT TControl::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcW(fDefaultProc, fHandle, message, wParam, lParam);
}

LRESULT TControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (TControl* child = lParam ? FromHandle(reinterpret_cast<HWND>(lParam)) : nullptr) {
        child->Notify(HIWORD(wParam));
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      if (TControl* child = FromHandle(reinterpret_cast<HWND>(lParam))) {
        if (HBRUSH brush = child->ControlColor(reinterpret_cast<HDC>(wParam))) {
          return reinterpret_cast<LRESULT>(brush);
        }
      }
      break;
    case WM_ERASEBKGND:
      if ((fFlags & cfFillsBackground) != 0) {
        RECT area;
        GetClientRect(fHandle, &area);
        FillRect(reinterpret_cast<HDC>(wParam), &area, BackgroundBrush());
        return 1;
      }
      break;
    case WM_SIZE:
      Realign();
      break;
    // A multi-line edit takes its parent for the dialog: Tab moves the focus
    // on the form, and Escape must not close a panel.
    case WM_NEXTDLGCTL:
      if (fParent) return SendMessageW(GetAncestor(fHandle, GA_ROOT), message, wParam, lParam);
      break;
    case WM_CLOSE:
      if (fParent) return 0;
      break;
    case WM_NCDESTROY: {
      const LRESULT result = DefaultProc(message, wParam, lParam);
      if (fNameTag) fNameTag->Remove(fHandle);
      RemovePropW(fHandle, kObjectProperty);
      fHandle = nullptr;
      return result;
    }
  }
  return DefaultProc(message, wParam, lParam);
}

void TControl::Notify(WORD /*code*/) {}

HBRUSH TControl::ControlColor(HDC dc) {
  if ((fFlags & cfTransparent) == 0) return nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  return BackgroundBrush();
}

void TControl::AdjustSize() {}

void TControl::SetParent(TControl& parent) {
  TControl* old = fParent;
  if (old == &parent) return;
  if (old) old->Detach(*this);
  fParent = &parent;
  parent.fChildren.push_back(this);
  ::SetParent(fHandle, parent.fHandle);
  if (old) old->Realign();
  parent.Realign();
  InvalidateRect(fHandle, nullptr, TRUE);
}

void TControl::Detach(TControl& child) { std::erase(fChildren, &child); }

std::u16string TControl::Text() const {
  if (!fHandle) return {};
  const int length = GetWindowTextLengthW(fHandle);
  std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
  const int copied = GetWindowTextW(fHandle, win::Wide(text.data()), length + 1);
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

void TControl::SetText(const std::u16string& text) {
  if (!fHandle || Text() == text) return;
  SetWindowTextW(fHandle, win::Wide(text));
  AdjustSize();
}

bool TControl::Visible() const {
  return fHandle && (GetWindowLongW(fHandle, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool TControl::HasFocus() const {
  const HWND focus = GetFocus();
  return focus && (focus == fHandle || IsChild(fHandle, focus));
}

// A control that can no longer take the focus must not keep it, or no key
// would work: it passes to the next control in the tab order.
void TControl::PassFocusOn() {
  const HWND form = GetAncestor(fHandle, GA_ROOT);
  if (form != fHandle) SetFocus(GetNextDlgTabItem(form, fHandle, FALSE));
}

void TControl::SetVisible(bool visible) {
  if (!fHandle || Visible() == visible) return;
  const bool losesFocus = !visible && HasFocus();
  ShowWindow(fHandle, visible ? SW_SHOWNA : SW_HIDE);
  if (fAlign != alNone && fParent) fParent->Realign();
  if (losesFocus) PassFocusOn();
}

bool TControl::Enabled() const { return fHandle && IsWindowEnabled(fHandle); }

void TControl::SetEnabled(bool enabled) {
  if (!fHandle || Enabled() == enabled) return;
  const bool losesFocus = !enabled && HasFocus();
  EnableWindow(fHandle, enabled);
  if (losesFocus) PassFocusOn();
}

TBounds TControl::Bounds() const {
  RECT rect{};
  GetWindowRect(fHandle, &rect);
  if (fParent) MapWindowPoints(nullptr, fParent->fHandle, reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void TControl::Place(const TBounds& bounds) {
  if (Bounds() == bounds) return;
  SetWindowPos(fHandle, nullptr, bounds.left, bounds.top, bounds.width, bounds.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void TControl::SetBounds(const TBounds& bounds) {
  Place(bounds);
  if (fAlign != alNone && fParent) fParent->Realign();
}

void TControl::SetSize(int width, int height) {
  const TBounds bounds = Bounds();
  SetBounds({bounds.left, bounds.top, width, height});
}

void TControl::SetAlign(TAlign align) {
  if (fAlign == align) return;
  fAlign = align;
  if (fParent) fParent->Realign();
}

void TControl::Realign() {
  if (!fHandle) return;
  RECT area;
  GetClientRect(fHandle, &area);
  for (const TAlign align : {alTop, alLeft, alRight}) {
    for (TControl* child : fChildren) {
      if (child->fAlign != align || !child->Visible()) continue;
      TBounds bounds = child->Bounds();
      if (align == alTop) {
        bounds = {area.left, area.top, area.right - area.left, bounds.height};
        area.top += bounds.height;
      } else if (align == alLeft) {
        bounds = {area.left, area.top, bounds.width, area.bottom - area.top};
        area.left += bounds.width;
      } else {
        bounds = {area.right - bounds.width, area.top, bounds.width, area.bottom - area.top};
        area.right -= bounds.width;
      }
      child->Place(bounds);
    }
  }
}

void TControl::SetTabOrder(int order) {
  fTabOrder = order;
  if (fParent) fParent->ArrangeTabOrder();
}

// The Tab key follows the z-order of the siblings.
void TControl::ArrangeTabOrder() {
  std::vector<TControl*> ordered = fChildren;
  std::stable_sort(ordered.begin(), ordered.end(), [](const TControl* a, const TControl* b) {
    const auto key = [](const TControl* c) { return c->fTabOrder < 0 ? INT_MAX : c->fTabOrder; };
    return key(a) < key(b);
  });
  HWND previous = HWND_TOP;
  for (const TControl* child : ordered) {
    SetWindowPos(child->fHandle, previous, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    previous = child->fHandle;
  }
}

void TControl::SetFont(const TFont& font) {
  fFont = FontHandle(font);
  SendMessageW(fHandle, WM_SETFONT, reinterpret_cast<WPARAM>(fFont), TRUE);
  AdjustSize();
}

void TControl::SetColor(TColor color) {
  fHasColor = true;
  fColor = color;
  fOwnBrush.Reset((color & kSystemColor) != 0 ? nullptr : CreateSolidBrush(color));
  InvalidateRect(fHandle, nullptr, TRUE);
}

LRESULT TControl::PaintClientArea(const std::function<void(HDC dc, const RECT& area)>& draw) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(fHandle, &paint);
  RECT area;
  GetClientRect(fHandle, &area);
  FillRect(dc, &area, BackgroundBrush());
  draw(dc, area);
  EndPaint(fHandle, &paint);
  return 0;
}

HBRUSH TControl::BackgroundBrush() const {
  if (fHasColor) {
    return fOwnBrush ? fOwnBrush.Get() : GetSysColorBrush(static_cast<int>(fColor & 0xFF));
  }
  return fParent ? fParent->BackgroundBrush() : GetSysColorBrush(COLOR_BTNFACE);
}
