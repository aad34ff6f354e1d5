// The real setup program, started and driven from this process.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <vector>

#include "app/tests/Installation.h"
#include "app/tests/WizardDriver.h"
#include "support/Text.h"
#include "support/Win32.h"
#include "toolkit/Toolkit.h"

namespace {

// The build puts the tests in a folder below the program's.
std::u16string SetupPath() { return ExecutableFolder() + u"..\\TesseraSetup.exe"; }

struct TBox {
  long left, top, width, height;
  bool operator==(const TBox&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TBox& box) {
  return out << "{" << box.left << ", " << box.top << ", " << box.width << ", " << box.height
             << "}";
}

TBox BoxOf(const RECT& rect) {
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

class WizardTest : public testing::Test {
 protected:
  TWizardProcess& Launch(const std::u16string& arguments = u"") {
    fSetup = std::make_unique<TWizardProcess>(SetupPath(), arguments);
    fSetup->WaitForWizard();
    return *fSetup;
  }

  // Installing into the default folder leaves nothing behind.
  void TearDown() override {
    fSetup.reset();
    RemoveInstallation(win::FromWide(_wgetenv(L"PROGRAMFILES")) + u"\\Tessera");
  }

  // Clicks Next; Install returns once the installation has shown page 4.
  void Next() {
    const bool installs = fSetup->Text(u"btnNext") == u"&Install";
    fSetup->Click(u"btnNext");
    if (!installs) return;
    for (DWORD start = GetTickCount(); GetTickCount() - start < testing_windows::kPatience;
         Sleep(50)) {
      if (!fSetup->Running() || (fSetup->VisiblePage() == 4 && fSetup->Enabled(u"btnNext"))) break;
    }
    fSetup->Settle();
  }

  // Clicks Next until the page shows.
  void GoToPage(int page) {
    for (int shown = fSetup->VisiblePage(); shown > 0 && shown < page; ++shown) Next();
    ASSERT_EQ(fSetup->VisiblePage(), page);
  }

  std::unique_ptr<TWizardProcess> fSetup;
};

// ---------------------------------------------------------------------------
// Page flow

struct TPageState {
  int page;
  const char16_t* nextCaption;
  bool backShown;
  bool cancelShown;
};

constexpr TPageState kPageFlow[] = {
    {1, u"&Next >", false, true},
    {2, u"I &Agree", true, true},
    {3, u"&Install", true, true},
    {4, u"&Finish", false, false},
};

TEST_F(WizardTest, NextLeadsThroughTheFourPagesAndFinishCloses) {
  TWizardProcess& setup = Launch();
  const long clientWidth = setup.ClientRect().right;
  for (const TPageState& expected : kPageFlow) {
    SCOPED_TRACE(testing::Message() << "page " << expected.page);
    if (expected.page > 1) Next();
    EXPECT_EQ(setup.VisiblePage(), expected.page);
    EXPECT_EQ(BoxOf(setup.BoundsInParent(u"pnlStep" + IntToStr(expected.page))),
              (TBox{0, 0, clientWidth, 308}));
    EXPECT_EQ(setup.Text(u"btnNext"), expected.nextCaption);
    EXPECT_TRUE(setup.Enabled(u"btnNext"));
    EXPECT_EQ(setup.Visible(u"btnPrev"), expected.backShown);
    EXPECT_EQ(setup.Visible(u"btnClose"), expected.cancelShown);
    EXPECT_FALSE(setup.Visible(u"ProgressBar1"));
  }
  setup.Click(u"btnNext");
  EXPECT_EQ(setup.WaitForExit(), 0u);
}

TEST_F(WizardTest, BackReturnsOnePageWithItsCaption) {
  TWizardProcess& setup = Launch();
  GoToPage(3);
  const TPageState kBack[] = {{2, u"I &Agree", true, true}, {1, u"&Next >", false, true}};
  for (const TPageState& expected : kBack) {
    SCOPED_TRACE(testing::Message() << "back to page " << expected.page);
    setup.Click(u"btnPrev");
    EXPECT_EQ(setup.VisiblePage(), expected.page);
    EXPECT_EQ(setup.Text(u"btnNext"), expected.nextCaption);
    EXPECT_EQ(setup.Visible(u"btnPrev"), expected.backShown);
  }
  setup.Click(u"btnNext");
  EXPECT_EQ(setup.VisiblePage(), 2);
  EXPECT_EQ(setup.Text(u"btnNext"), u"I &Agree");
}

// ---------------------------------------------------------------------------
// Closing

enum class TCloseBy { cbCancel, cbCloseBox };

struct TCloseCase {
  int page;
  TCloseBy by;
};

void PrintTo(const TCloseCase& c, std::ostream* out) {
  *out << (c.by == TCloseBy::cbCancel ? "Cancel" : "close box") << " on page " << c.page;
}

class WizardCloseTest : public WizardTest, public testing::WithParamInterface<TCloseCase> {};

// A question would keep the program running past the wait.
TEST_P(WizardCloseTest, EndsAtOnceWithExitCodeZero) {
  TWizardProcess& setup = Launch();
  GoToPage(GetParam().page);
  if (GetParam().by == TCloseBy::cbCancel) {
    setup.Click(u"btnClose");
  } else {
    setup.CloseBox();
  }
  EXPECT_EQ(setup.WaitForExit(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Pages, WizardCloseTest,
                         testing::Values(TCloseCase{1, TCloseBy::cbCancel},
                                         TCloseCase{2, TCloseBy::cbCancel},
                                         TCloseCase{3, TCloseBy::cbCancel},
                                         TCloseCase{1, TCloseBy::cbCloseBox},
                                         TCloseCase{4, TCloseBy::cbCloseBox}));

// ---------------------------------------------------------------------------
// Running-instance guard and arguments

// A hidden top-level window of this process, standing in for another program's.
class TForeignWindow {
 public:
  TForeignWindow(const wchar_t* className, const wchar_t* title) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = DefWindowProcW;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = className;
    RegisterClassW(&cls);  // fails harmlessly when an earlier case registered it
    fHandle = CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                              nullptr, cls.hInstance, nullptr);
  }
  TForeignWindow(const TForeignWindow&) = delete;
  TForeignWindow& operator=(const TForeignWindow&) = delete;
  ~TForeignWindow() { DestroyWindow(fHandle); }
  HWND Handle() const { return fHandle; }

 private:
  HWND fHandle;
};

struct TGuardCase {
  const wchar_t* className;
  const wchar_t* title;
  bool blocks;
};

void PrintTo(const TGuardCase& c, std::ostream* out) {
  *out << Narrow(win::FromWide(c.className)) << " \"" << Narrow(win::FromWide(c.title)) << "\"";
}

class GuardTest : public testing::TestWithParam<TGuardCase> {};

TEST_P(GuardTest, OnlyTesserasMainWindowStopsTheSetup) {
  const TForeignWindow other(GetParam().className, GetParam().title);
  ASSERT_TRUE(other.Handle());
  TWizardProcess setup(SetupPath());
  if (GetParam().blocks) {
    const TMessageBoxInfo box = setup.WaitForMessageBox();
    EXPECT_EQ(box.text, u"Tessera is running, you first need to close it.");
    EXPECT_EQ(box.caption, u"Setup");
    EXPECT_FALSE(box.hasIcon);
    EXPECT_EQ(box.buttons, std::vector<std::u16string>{u"OK"});
    EXPECT_FALSE(setup.HasWizardWindow());
    setup.PressMessageBoxButton(box, u"OK");
  } else {
    setup.WaitForWizard();
    setup.Click(u"btnClose");
  }
  EXPECT_EQ(setup.WaitForExit(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Windows, GuardTest,
                         testing::Values(TGuardCase{L"TfrmMain", L"Tessera", true},
                                         TGuardCase{L"TfrmMain", L"Tessera 4.25", false},
                                         TGuardCase{L"TfrmOther", L"Tessera", false}));

TEST_F(WizardTest, ArgumentsAreIgnored) {
  TWizardProcess& setup = Launch(u"/S /D=C:\\Elsewhere --help");
  EXPECT_EQ(setup.VisiblePage(), 1);
  EXPECT_EQ(setup.Text(u"btnNext"), u"&Next >");
  setup.Click(u"btnNext");
  EXPECT_EQ(setup.VisiblePage(), 2);
  setup.Click(u"btnClose");
  EXPECT_EQ(setup.WaitForExit(), 0u);
}

// ---------------------------------------------------------------------------
// Windows version

constexpr wchar_t kAppDefaults[] = L"Software\\Wine\\AppDefaults\\TesseraSetup.exe";

// The Windows version that Wine reports to the setup alone, for one test.
class TReportedVersion {
 public:
  explicit TReportedVersion(const std::wstring& version) : fSet(!version.empty()) {
    if (!fSet) return;
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kAppDefaults, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                    nullptr);
    RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                   static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  TReportedVersion(const TReportedVersion&) = delete;
  TReportedVersion& operator=(const TReportedVersion&) = delete;
  ~TReportedVersion() {
    if (fSet) RegDeleteKeyW(HKEY_CURRENT_USER, kAppDefaults);
  }

 private:
  bool fSet;
};

struct TVersionCase {
  const wchar_t* version;  // empty: Wine's default, Windows 7
  long height;
  bool quickLaunchShown;
};

void PrintTo(const TVersionCase& c, std::ostream* out) {
  *out << (*c.version ? Narrow(win::FromWide(c.version)) : "default");
}

class VersionTest : public WizardTest, public testing::WithParamInterface<TVersionCase> {};

TEST_P(VersionTest, WindowHeightAndQuickLaunchBoxFollowTheMajorVersion) {
  const TReportedVersion reported(GetParam().version);
  TWizardProcess& setup = Launch();
  const TBox window = BoxOf(setup.WindowRect());
  EXPECT_EQ(window.width, 503);
  EXPECT_EQ(window.height, GetParam().height);
  GoToPage(3);
  EXPECT_TRUE(setup.Visible(u"chkSCOnDesktop"));
  EXPECT_EQ(setup.Visible(u"chkSCOnQuick"), GetParam().quickLaunchShown);
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionTest,
                         testing::Values(TVersionCase{L"", 398, false},
                                         TVersionCase{L"vista", 398, false},
                                         TVersionCase{L"winxp64", 385, true}));

// ---------------------------------------------------------------------------
// Layout and texts

constexpr long kFull = -1;       // as wide as the parent's client area
constexpr long kRightEdge = -2;  // against the parent's right edge

struct TLayoutCase {
  int page;
  const char16_t* name;
  TBox box;
};

constexpr TLayoutCase kLayout[] = {
    {1, u"Bevel1", {-1, 308, 555, 2}},           {1, u"ProgressBar1", {35, 328, 185, 12}},
    {1, u"btnPrev", {253, 323, 77, 22}},         {1, u"btnNext", {330, 323, 77, 22}},
    {1, u"btnClose", {417, 323, 62, 22}},        {1, u"Image1", {0, 0, 160, 308}},
    {1, u"lblWelcome", {183, 20, 305, 53}},      {1, u"lblWillInstall", {184, 96, 304, 148}},
    {2, u"Panel3", {0, 0, kFull, 56}},           {2, u"Image2", {kRightEdge, 0, 67, 56}},
    {2, u"Bevel2", {0, 56, kFull, 2}},           {2, u"Memo2", {20, 75, 454, 177}},
    {2, u"lblAgreement", {23, 267, 437, 32}},    {3, u"Panel4", {0, 0, kFull, 56}},
    {3, u"Image3", {kRightEdge, 0, 67, 56}},     {3, u"Bevel3", {0, 56, kFull, 2}},
    {3, u"lblSetupToFolder", {40, 75, 420, 49}}, {3, u"gbFolder", {40, 132, 419, 63}},
    {3, u"editSetupDir", {17, 24, 305, 21}},     {3, u"btnBrowse", {325, 24, 77, 21}},
    {3, u"chkSCOnDesktop", {237, 217, 151, 20}}, {3, u"chkSCOnQuick", {237, 243, 184, 20}},
    {4, u"lblComplete", {183, 20, 305, 53}},     {4, u"lblClose", {184, 89, 302, 65}},
    {4, u"chkRunOnExit", {186, 170, 254, 14}},
};

long ParentClientWidth(HWND control) {
  RECT parent{};
  GetClientRect(GetAncestor(control, GA_PARENT), &parent);
  return parent.right;
}

TEST_F(WizardTest, ControlsSitWhereTheLayoutPutsThem) {
  TWizardProcess& setup = Launch();
  for (int page = 1; page <= 4; ++page) {
    GoToPage(page);
    for (const TLayoutCase& c : kLayout) {
      if (c.page != page) continue;
      const long parentWidth = ParentClientWidth(setup.Control(c.name));
      TBox expected = c.box;
      if (expected.width == kFull) expected.width = parentWidth;
      if (expected.left == kRightEdge) expected.left = parentWidth - expected.width;
      EXPECT_EQ(BoxOf(setup.BoundsInParent(c.name)), expected) << Narrow(c.name);
    }
  }
}

// Labels without word wrap take the size of their text in their font.
struct TAutoSizeCase {
  int page;
  const char16_t* name;
  long left, top;
  bool bold;
};

constexpr TAutoSizeCase kAutoSized[] = {
    {2, u"lblLicense", 17, 9, true},     {2, u"lblLicenseTip", 36, 28, false},
    {3, u"lblFolder", 17, 9, true},      {3, u"lblFolderTip", 36, 28, false},
    {3, u"lblNeedSize", 41, 221, false},
};

TBox TextBox(long left, long top, const std::u16string& text, bool bold) {
  const HDC dc = GetDC(nullptr);
  const HFONT font =
      CreateFontW(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0,
                  bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  const HGDIOBJ old = SelectObject(dc, font);
  RECT extent{};
  DrawTextW(dc, win::Wide(text), -1, &extent, DT_CALCRECT | DT_NOPREFIX);
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
  return {left, top, extent.right, extent.bottom};
}

TEST_F(WizardTest, LabelsWithoutWrapFitTheirTextInTheirFont) {
  TWizardProcess& setup = Launch();
  for (const TAutoSizeCase& c : kAutoSized) {
    GoToPage(c.page);
    EXPECT_EQ(BoxOf(setup.BoundsInParent(c.name)),
              TextBox(c.left, c.top, setup.Text(c.name), c.bold))
        << Narrow(c.name);
  }
}

struct TTextCase {
  const char16_t* name;
  const char16_t* text;
};

constexpr TTextCase kTexts[] = {
    {u"Form1", u"Setup - Brindle Tessera"},
    {u"btnPrev", u"< &Back"},
    {u"btnNext", u"&Next >"},
    {u"btnClose", u"Cancel"},
    {u"lblWelcome", u"Welcome to the Brindle Tessera 4.25 Setup Wizard"},
    {u"lblWillInstall",
     u"This will install Brindle Tessera 4.25 on your computer.\n\n"
     u"Click Next to continue, or Cancel to exit Setup."},
    {u"lblLicense", u"License Agreement"},
    {u"lblLicenseTip", u"Please read the following important infomation before continuing."},
    {u"lblAgreement",
     u"If you accept the terms of the agreement, click I Agree to continue. You must accept the "
     u"agreement to install Brindle Tessera."},
    {u"lblFolder", u"Select Destination Location"},
    {u"lblFolderTip", u"Where should Brindle Tessera be installed?"},
    {u"lblSetupToFolder",
     u"Setup will install Brindle Tessera 4.25 into the following folder.\n\n"
     u"To continue, click Next. If you would like to select a different folder, click Browse."},
    {u"gbFolder", u"Destination Folder"},
    {u"btnBrowse", u"&Browse..."},
    {u"lblNeedSize", u"Space required: 15 MB"},
    {u"chkSCOnDesktop", u"Create a desktop icon"},
    {u"chkSCOnQuick", u"Create a Quick Launch icon"},
    {u"lblComplete", u"Completing the Brindle Tessera Setup Wizard"},
    {u"lblClose",
     u"Setup has finished installing Brindle Tessera 4.25 on your computer.\n\n"
     u"Click Finish to close this wizard."},
    {u"chkRunOnExit", u"Launch Tessera 4.25"},
};

TEST_F(WizardTest, ShowsEveryTextOfTheLayout) {
  TWizardProcess& setup = Launch();
  for (const TTextCase& c : kTexts) EXPECT_EQ(setup.Text(c.name), c.text) << Narrow(c.name);
}

TEST_F(WizardTest, CheckBoxesStartChecked) {
  TWizardProcess& setup = Launch();
  for (const char16_t* name : {u"chkSCOnDesktop", u"chkSCOnQuick", u"chkRunOnExit"}) {
    EXPECT_EQ(SendMessageW(setup.Control(name), BM_GETCHECK, 0, 0), BST_CHECKED) << Narrow(name);
  }
}

TEST_F(WizardTest, LicenceMemoShowsTheLicenceReadOnlyAndWrapped) {
  TWizardProcess& setup = Launch();
  std::u16string expected;
  for (const char16_t c : Utf8ToUtf16(ReadResourceOf(SetupPath(), u"LICENSE"))) {
    if (c == u'\n') expected += u'\r';
    expected += c;
  }
  EXPECT_EQ(setup.Text(u"Memo2"), expected);
  const LONG style = GetWindowLongW(setup.Control(u"Memo2"), GWL_STYLE);
  EXPECT_NE(style & WS_VSCROLL, 0);
  EXPECT_EQ(style & (ES_AUTOHSCROLL | WS_HSCROLL), 0) << "lines must wrap";
  GoToPage(2);
  setup.Type(u"Memo2", u"changed");
  EXPECT_EQ(setup.Text(u"Memo2"), expected);
}

// ---------------------------------------------------------------------------
// Window and keyboard

TEST_F(WizardTest, WindowIsCentredWithMinimiseButNoMaximiseBox) {
  TWizardProcess& setup = Launch();
  const LONG style = GetWindowLongW(setup.Form(), GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_NE(style & WS_SYSMENU, 0);
  EXPECT_NE(style & WS_MINIMIZEBOX, 0);
  EXPECT_NE(style & WS_THICKFRAME, 0);
  EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);
  const TBox window = BoxOf(setup.WindowRect());
  EXPECT_EQ(window.left, (GetSystemMetrics(SM_CXSCREEN) - window.width) / 2);
  EXPECT_EQ(window.top, (GetSystemMetrics(SM_CYSCREEN) - window.height) / 2);
}

// The taskbar entry is the application window, titled with the application
// title; it owns the wizard, which therefore has no entry of its own.
TEST_F(WizardTest, ApplicationWindowTitledSetupOwnsTheWizard) {
  TWizardProcess& setup = Launch();
  const HWND entry = GetWindow(setup.Form(), GW_OWNER);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(testing_windows::ClassOf(entry), u"TApplication");
  EXPECT_EQ(testing_windows::WindowText(entry), u"Setup");
  EXPECT_TRUE(IsWindowVisible(entry));
  EXPECT_EQ(GetWindow(entry, GW_OWNER), nullptr);
  EXPECT_EQ(GetWindowLongW(entry, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
  EXPECT_EQ(GetWindowLongW(setup.Form(), GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
}

struct TTabCase {
  int page;
  std::vector<std::u16string> order;
};

TEST_F(WizardTest, TabMovesThroughTheShownControlsInTabOrder) {
  TWizardProcess& setup = Launch();
  const TTabCase cases[] = {
      {1, {u"btnNext", u"btnClose", u"btnNext"}},
      {2, {u"btnNext", u"Memo2", u"btnPrev", u"btnClose", u"btnNext"}},
      {3,
       {u"btnNext", u"editSetupDir", u"btnBrowse", u"chkSCOnDesktop", u"btnPrev", u"btnClose",
        u"btnNext"}},
      {4, {u"btnNext", u"chkRunOnExit", u"btnNext"}},
  };
  for (const TTabCase& c : cases) {
    GoToPage(c.page);
    std::vector<std::u16string> focused{setup.FocusName()};
    for (std::size_t i = 1; i < c.order.size(); ++i) {
      setup.PressKey(VK_TAB);
      focused.push_back(setup.FocusName());
    }
    EXPECT_EQ(focused, c.order) << "page " << c.page;
  }
}

struct TFocusCase {
  const char* name;
  int page;
  std::vector<WORD> keys;  // pressed in turn, from the focus that the page starts with
  int pageAfter;
  const char16_t* focusAfter;
};

// Keys that move between pages or through the controls leave the focus on a
// control that can take Tab and Enter.
TEST_F(WizardTest, KeysLeaveTheFocusOnAUsableControl) {
  const TFocusCase cases[] = {
      {"BackToTheFirstPage", 2, {VK_TAB, VK_TAB, VK_RETURN}, 1, u"btnNext"},
      {"ArrowDownFromNext", 1, {VK_DOWN}, 1, u"btnNext"},
      {"ArrowUpFromNext", 1, {VK_UP}, 1, u"btnNext"},
      {"ArrowRightInTheMemoPage", 2, {VK_RIGHT, VK_RIGHT}, 2, u"btnNext"},
  };
  for (const TFocusCase& c : cases) {
    SCOPED_TRACE(c.name);
    TWizardProcess& setup = Launch();
    GoToPage(c.page);
    for (const WORD key : c.keys) setup.PressKey(key);
    EXPECT_EQ(setup.VisiblePage(), c.pageAfter);
    EXPECT_EQ(setup.FocusName(), c.focusAfter);
    fSetup.reset();
  }
}

TEST_F(WizardTest, EnterPressesTheFocusedButtonAndEscapeDoesNothing) {
  TWizardProcess& setup = Launch();
  setup.PressKey(VK_RETURN);
  EXPECT_EQ(setup.VisiblePage(), 2);
  setup.PressKey(VK_ESCAPE);
  setup.PressKey(VK_TAB);
  ASSERT_EQ(setup.FocusName(), u"Memo2");
  // In the memo too: the edit control would close its parent on Escape.
  setup.PressKey(VK_ESCAPE);
  setup.PressKey(VK_RETURN);
  EXPECT_TRUE(setup.Running());
  EXPECT_EQ(setup.VisiblePage(), 2);
  EXPECT_TRUE(setup.Visible(u"Memo2"));
  EXPECT_EQ(setup.Text(u"btnNext"), u"I &Agree");
}

// ---------------------------------------------------------------------------
// Colours and pictures

enum TExpectedColor {
  ecWhite,
  ecCream,
  ecFace,
  ecWindow,
  ecShadow,
  ecHighlight,
  ecPicture,
  ecTile
};

COLORREF ColorOf(TExpectedColor color) {
  switch (color) {
    case ecWhite:
      return RGB(255, 255, 255);
    case ecCream:
      return RGB(255, 251, 240);
    case ecFace:
      return GetSysColor(COLOR_BTNFACE);
    case ecWindow:
      return GetSysColor(COLOR_WINDOW);
    case ecShadow:
      return GetSysColor(COLOR_BTNSHADOW);
    case ecHighlight:
      return GetSysColor(COLOR_BTNHIGHLIGHT);
    case ecTile:
      return RGB(0xE7, 0x6F, 0x51);  // a tile of the licence header bitmap
    case ecPicture:
      break;
  }
  return CLR_INVALID;
}

// A point given from a control's top left, or from its right edge when x is
// negative.
struct TPixelCase {
  int page;
  const char16_t* control;
  int x, y;
  TExpectedColor color;
};

constexpr TPixelCase kPixels[] = {
    {1, u"pnlStep1", 300, 290, ecWhite},
    {1, u"lblWillInstall", -2, 2, ecWhite},
    {1, u"Image1", 80, 150, ecPicture},
    {1, u"Form1", 10, 350, ecFace},
    {1, u"Bevel1", 100, 0, ecShadow},
    {1, u"Bevel1", 100, 1, ecHighlight},
    {2, u"Panel3", -80, 5, ecCream},
    {2, u"lblLicenseTip", -1, 0, ecCream},
    {2, u"Image2", 2, 2, ecCream},
    {2, u"Image2", 17 + 18, 12 + 21, ecTile},  // the bitmap centred in its box
    {2, u"Bevel2", 100, 0, ecShadow},
    {2, u"pnlStep2", 10, 150, ecFace},
    {2, u"Memo2", 2, 2, ecWindow},
    {3, u"Panel4", -80, 5, ecCream},
    {3, u"pnlStep3", 10, 150, ecFace},
    {3, u"gbFolder", 10, 55, ecFace},
    {3, u"chkSCOnDesktop", -2, 2, ecFace},
    {4, u"pnlStep4", 300, 290, ecWhite},
    {4, u"Image1", 80, 150, ecPicture},  // moved here by the installation
    {4, u"lblClose", -2, 2, ecWhite},
    {4, u"chkRunOnExit", -2, 2, ecWhite},
};

TEST_F(WizardTest, PagesShowTheirColoursAndPictures) {
  TWizardProcess& setup = Launch();
  for (int page = 1; page <= 4; ++page) {
    GoToPage(page);
    const TScreenImage shot = setup.CaptureClient();
    for (const TPixelCase& c : kPixels) {
      if (c.page != page) continue;
      const RECT box = setup.BoundsInClient(c.control);
      const int x = c.x >= 0 ? box.left + c.x : box.right + c.x;
      const COLORREF pixel = shot.Pixel(x, box.top + c.y);
      SCOPED_TRACE(testing::Message() << Narrow(c.control) << " at " << c.x << ", " << c.y << ": "
                                      << std::hex << pixel);
      if (c.color == ecPicture) {
        EXPECT_NE(pixel, ColorOf(ecWhite));
        EXPECT_NE(pixel, ColorOf(ecFace));
      } else {
        EXPECT_EQ(pixel, ColorOf(c.color));
      }
    }
  }
}

}  // namespace
