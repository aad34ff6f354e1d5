// A thin layer over the classic Win32 controls: the application with its
// window and message loop, forms, and the few controls that the wizard is
// made of.
//
// Every control is a window of its own, created with the object and, when the
// application names a property for it, given its designer name as that window
// property (a global atom) so that other processes can find it. Notifications
// that Windows sends to a parent (commands, control colours) are handed back
// to the child control.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/Win32.h"

class TObject {
 public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* sender)>;
// Done left true lets the loop wait for the next message.
using TIdleEvent = std::function<void(TObject* sender, bool& done)>;

// An RGB colour, or a system colour index with kSystemColor set.
using TColor = std::uint32_t;
inline constexpr TColor kSystemColor = 0x80000000u;
inline constexpr TColor clBtnFace = kSystemColor | COLOR_BTNFACE;
inline constexpr TColor clWhite = 0x00FFFFFFu;
constexpr TColor RgbColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return red | (green << 8) | (blue << 16);
}

struct TFont {
  std::u16string name = u"Tahoma";
  int size = 8;  // points
  bool bold = false;
};

enum TAlign { alNone, alTop, alLeft, alRight };

// Position and size in the parent's client area; outer screen position and
// size for a form.
struct TBounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const TBounds&) const = default;
};

// The bytes of a resource of the running executable; raises when it is missing.
std::string_view ResourceBytes(const std::u16string& name, const wchar_t* type);

// ---------------------------------------------------------------------------
// Controls

class TControl : public TObject {
 public:
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;
  ~TControl() override;

  // The control that owns this window, or null.
  static TControl* FromHandle(HWND handle);

  const std::u16string& Name() const noexcept { return fName; }
  HWND Handle() const noexcept { return fHandle; }
  TControl* Parent() const noexcept { return fParent; }
  // Moves the control, keeping its position, into another parent.
  void SetParent(TControl& parent);

  std::u16string Text() const;
  // Changes the window text when it differs.
  virtual void SetText(const std::u16string& text);

  // The control's own flag: a control on a hidden page is still Visible.
  bool Visible() const;
  virtual void SetVisible(bool visible);
  bool Enabled() const;
  void SetEnabled(bool enabled);

  TBounds Bounds() const;
  void SetBounds(const TBounds& bounds);
  void SetSize(int width, int height);

  // Aligned controls fill the parent's client area from its edges in the order
  // top, left, right, each in creation order; hidden ones take no room.
  void SetAlign(TAlign align);
  // Position among the siblings for the Tab key; controls without one follow.
  void SetTabOrder(int order);
  void SetFont(const TFont& font);
  void SetColor(TColor color);
  // The colour that the control shows behind its content: its own, or its
  // parent's.
  HBRUSH BackgroundBrush() const;

 protected:
  enum TControlFlags : unsigned {
    cfFillsBackground = 1,  // erases with BackgroundBrush
    cfTransparent = 2,      // shows the parent's colour behind its text
  };
  struct TWindowClass {
    const wchar_t* name;
    DWORD style;
    DWORD exStyle = 0;
    unsigned flags = 0;
  };

  // A child of parent, or, when parent is null, a top-level window that owner
  // owns (none when null).
  TControl(TControl* parent, std::u16string name, const TBounds& bounds, const TWindowClass& cls,
           HWND owner = nullptr);

  virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Answers WM_PAINT for a control that draws itself: the background over the
  // whole client area, then draw on top of it.
  LRESULT PaintClientArea(const std::function<void(HDC dc, const RECT& area)>& draw);
  LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);
  // A WM_COMMAND notification that the control sent to its parent.
  virtual void Notify(WORD code);
  // The brush for a WM_CTLCOLOR* message that the control sent, or null for
  // the default colours.
  virtual HBRUSH ControlColor(HDC dc);
  // Text or font changed: a control that sizes itself measures again.
  virtual void AdjustSize();
  HFONT Font() const noexcept { return fFont; }
  bool HasFocus() const;
  void PassFocusOn();

 private:
  class TNameTag;
  static LRESULT CALLBACK ControlProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  void Realign();
  void ArrangeTabOrder();
  void Place(const TBounds& bounds);
  void Detach(TControl& child);

  std::u16string fName;
  HWND fHandle = nullptr;
  WNDPROC fDefaultProc = nullptr;
  TControl* fParent = nullptr;
  std::vector<TControl*> fChildren;
  std::unique_ptr<TNameTag> fNameTag;
  unsigned fFlags = 0;
  TAlign fAlign = alNone;
  int fTabOrder = -1;
  HFONT fFont = nullptr;  // owned by the font cache
  bool fHasColor = false;
  TColor fColor = clBtnFace;
  win::TOwned<HBRUSH, &DeleteObject> fOwnBrush;
};

// A top-level window with a caption, system menu, minimise box and resizable
// frame, centred on the screen when it is first shown. The application window
// owns it, so it has no taskbar entry of its own; showing the main form shows
// that of the application, and minimising the main form minimises the
// application. Closing the main form ends the message loop.
class TForm : public TControl {
 public:
  TForm(const std::u16string& className, std::u16string name);

  TNotifyEvent OnCreate;

  void SetVisible(bool visible) override;
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  void Close();

 protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  friend class TApplication;
  void DoCreate();
  // The focus comes back to the control that had it, at first the first
  // control in the tab order.
  void RestoreFocus();
  bool fShown = false;
  HWND fLastFocus = nullptr;
};

class TPanel : public TControl {
 public:
  TPanel(TControl& parent, std::u16string name, const TBounds& bounds);
};

class TGroupBox : public TControl {
 public:
  TGroupBox(TControl& parent, std::u16string name, const TBounds& bounds);
};

// Static text on its parent's colour. Without word wrap the label sizes
// itself to its text; with it, it breaks the text into lines in its box.
class TLabel : public TControl {
 public:
  TLabel(TControl& parent, std::u16string name, const TBounds& bounds, bool wordWrap = false);

 protected:
  void AdjustSize() override;

 private:
  bool fAutoSize;
};

class TButton : public TControl {
 public:
  TButton(TControl& parent, std::u16string name, const TBounds& bounds);
  TNotifyEvent OnClick;

 protected:
  void Notify(WORD code) override;
};

class TCheckBox : public TControl {
 public:
  TCheckBox(TControl& parent, std::u16string name, const TBounds& bounds);
  bool Checked() const;
  void SetChecked(bool checked);
};

// A single-line edit. OnChange follows every change of the text, typed or set.
class TEdit : public TControl {
 public:
  TEdit(TControl& parent, std::u16string name, const TBounds& bounds);
  TNotifyEvent OnChange;

 protected:
  void Notify(WORD code) override;
};

// A read-only multi-line text with a vertical scroll bar and word wrap.
class TMemo : public TControl {
 public:
  TMemo(TControl& parent, std::u16string name, const TBounds& bounds);
  // Any line break of the text becomes CR LF, the edit control's own.
  void SetText(const std::u16string& text) override;

 protected:
  HBRUSH ControlColor(HDC dc) override;
};

// A sunken horizontal line along the top of its box.
class TBevel : public TControl {
 public:
  TBevel(TControl& parent, std::u16string name, const TBounds& bounds);

 protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// A bitmap or JPEG picture on its parent's colour, drawn at the top left of
// the box or centred in it.
class TImage : public TControl {
 public:
  TImage(TControl& parent, std::u16string name, const TBounds& bounds);
  // Decodes a picture file's bytes; raises when they are no picture.
  void LoadFromBytes(std::string_view bytes);
  void LoadFromResource(const std::u16string& name);
  void SetCenter(bool center);
  SIZE PictureSize() const noexcept { return fPictureSize; }

 protected:
  LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  win::TOwned<HBITMAP, &DeleteObject> fBitmap;
  SIZE fPictureSize{};
  bool fCenter = false;
};

class TProgressBar : public TControl {
 public:
  TProgressBar(TControl& parent, std::u16string name, const TBounds& bounds);
  void SetRange(int min, int max);
  void SetStep(int step);
  void SetPosition(int position);
};

// ---------------------------------------------------------------------------
// Application

// Receives the application's events while it exists.
class TApplicationEvents : public TObject {
 public:
  TApplicationEvents();
  TApplicationEvents(const TApplicationEvents&) = delete;
  TApplicationEvents& operator=(const TApplicationEvents&) = delete;
  ~TApplicationEvents() override;

  // Raised by the message loop whenever it has emptied the queue.
  TIdleEvent OnIdle;
};

// The one application object of the process. It owns the forms; the first
// form created is the main form. Its window, titled with the application
// title and of no size, owns the forms and is the program's taskbar entry,
// from the moment the main form is first shown until the program ends.
class TApplication {
 public:
  TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;
  ~TApplication();

  // COM for the main thread, in a single-threaded apartment.
  void Initialize();
  // The caption of the message boxes and the text of the taskbar entry.
  void SetTitle(std::u16string title);
  // The product's details, given before the forms are created: the icon
  // resource of the executable for the windows and the taskbar entry, and the
  // window property that holds each control's designer name (none when empty).
  void SetIcon(const std::u16string& resourceName);
  void SetNameProperty(std::u16string property);
  HICON Icon() const noexcept { return fIcon; }
  HICON SmallIcon() const noexcept { return fSmallIcon; }
  const std::u16string& NameProperty() const noexcept { return fNameProperty; }

  // The application window.
  HWND Handle() const noexcept { return fHandle; }

  // Constructs the form, then runs its OnCreate; an error there is shown and
  // the form stays.
  template <class Form>
  Form& CreateForm() {
    auto form = std::make_unique<Form>();
    Form& created = *form;
    AddForm(std::move(form));
    return created;
  }
  TForm* MainForm() const noexcept { return fMainForm; }

  // Shows the main form and runs the message loop until it closes.
  void Run();
  // Handles the messages that are waiting, without raising OnIdle.
  void ProcessMessages();
  // Ends the message loop.
  void Terminate();
  bool Terminated() const noexcept { return fTerminated; }

 private:
  friend class TApplicationEvents;
  friend class TForm;
  static LRESULT CALLBACK WindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  void AddForm(std::unique_ptr<TForm> form);
  bool ProcessMessage();
  void Idle();
  // The main form shows: so does the taskbar entry.
  void ShowEntry();
  // The application window has the focus: it goes on to the form last active.
  void PassFocusOn();

  HWND fHandle = nullptr;
  HICON fIcon = nullptr;
  HICON fSmallIcon = nullptr;
  std::u16string fNameProperty;
  std::vector<std::unique_ptr<TForm>> fForms;
  TForm* fMainForm = nullptr;
  std::vector<TApplicationEvents*> fEvents;
  bool fTerminated = false;
  bool fComInitialized = false;
};

// The application object; there must be one.
TApplication& Application();

// The plain message dialog: the application title as caption, one OK button,
// no icon.
void ShowMessage(const std::u16string& text);
// The standard error box for the exception being handled: its message, the
// application title as caption, an error icon and one OK button. Call it
// inside a catch block.
void ShowException();
