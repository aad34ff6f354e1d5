// The toolkit in this process: alignment, events, the message loop with its
// error box and hand-overs, focus, labels, memos and pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <ostream>
#include <thread>
#include <vector>

#include "support/Errors.h"
#include "support/Synchronize.h"
#include "support/Text.h"
#include "support/Win32.h"
#include "toolkit/Toolkit.h"
#include "toolkit/testing/WindowQueries.h"

void PrintTo(const TBounds& bounds, std::ostream* out) {
  *out << "{" << bounds.left << ", " << bounds.top << ", " << bounds.width << ", " << bounds.height
       << "}";
}

namespace {

class TTestForm : public TForm {
 public:
  TTestForm() : TForm(u"TToolkitTestForm", u"TestForm") { SetSize(420, 300); }

  TPanel panel{*this, u"panel", {10, 10, 200, 100}};
  TButton first{*this, u"first", {10, 150, 60, 22}};
  TButton second{*this, u"second", {80, 150, 60, 22}};
  TButton third{*this, u"third", {150, 150, 60, 22}};
  TGroupBox group{*this, u"group", {220, 10, 150, 60}};
  TEdit edit{group, u"edit", {10, 24, 120, 21}};
};

constexpr char16_t kNameProperty[] = u"ToolkitTestName";
using testing_windows::kPatience;

std::atomic<bool> gWatchdogFired{false};

void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD) {
  gWatchdogFired = true;
  Application().Terminate();
}

// Answers the next message box of this process with OK and keeps what it
// showed. Timers run in the box's own loop too.
class TMessageBoxAnswer {
 public:
  TMessageBoxAnswer() : fTimer(SetTimer(nullptr, 0, 50, &Tick)) { gAnswer = this; }
  TMessageBoxAnswer(const TMessageBoxAnswer&) = delete;
  TMessageBoxAnswer& operator=(const TMessageBoxAnswer&) = delete;
  ~TMessageBoxAnswer() {
    KillTimer(nullptr, fTimer);
    gAnswer = nullptr;
  }

  testing_windows::TMessageBoxInfo shown;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!gAnswer || gAnswer->shown.handle) return;
    const auto box = testing_windows::FindMessageBox(GetCurrentProcessId());
    if (box.handle && testing_windows::PressMessageBoxButton(box, u"OK")) gAnswer->shown = box;
  }
  static inline TMessageBoxAnswer* gAnswer = nullptr;
  UINT_PTR fTimer;
};

class ToolkitTest : public testing::Test {
 protected:
  ToolkitTest() {
    fApplication.Initialize();
    fApplication.SetTitle(u"Toolkit test");
    fApplication.SetNameProperty(kNameProperty);
    fForm = &fApplication.CreateForm<TTestForm>();
  }

  // Runs the loop until the test's handlers close the main form; a watchdog
  // ends a loop that hangs.
  void RunLoop() {
    gWatchdogFired = false;
    const UINT_PTR watchdog = SetTimer(nullptr, 0, kPatience, &Watchdog);
    fApplication.Run();
    KillTimer(nullptr, watchdog);
    EXPECT_FALSE(gWatchdogFired) << "the message loop did not end by itself";
  }

  static void Click(const TButton& button) { PostMessageW(button.Handle(), BM_CLICK, 0, 0); }

  TApplication fApplication;
  TTestForm* fForm;
};

// ---------------------------------------------------------------------------
// Layout

struct TExpectedBounds {
  const TControl* control;
  TBounds bounds;
};

void ExpectBounds(std::initializer_list<TExpectedBounds> expected) {
  for (const TExpectedBounds& e : expected) {
    EXPECT_EQ(e.control->Bounds(), e.bounds) << Utf16ToUtf8(e.control->Name());
  }
}

TEST_F(ToolkitTest, AlignedControlsFillTheParentFromItsEdgesAndHiddenOnesTakeNoRoom) {
  TPanel& parent = fForm->panel;  // 200 x 100
  TPanel top(parent, u"top", {5, 5, 50, 10});
  TPanel hiddenTop(parent, u"hiddenTop", {0, 0, 50, 20});
  TPanel left(parent, u"left", {50, 50, 30, 5});
  TPanel right(parent, u"right", {0, 0, 40, 5});
  TPanel loose(parent, u"loose", {100, 40, 10, 10});
  hiddenTop.SetVisible(false);
  right.SetAlign(alRight);
  left.SetAlign(alLeft);
  hiddenTop.SetAlign(alTop);
  top.SetAlign(alTop);
  ExpectBounds({{&top, {0, 0, 200, 10}},
                {&left, {0, 10, 30, 90}},
                {&right, {160, 10, 40, 90}},
                {&loose, {100, 40, 10, 10}}});

  hiddenTop.SetVisible(true);
  ExpectBounds({{&top, {0, 0, 200, 10}},
                {&hiddenTop, {0, 10, 200, 20}},
                {&left, {0, 30, 30, 70}},
                {&right, {160, 30, 40, 70}}});

  parent.SetSize(300, 120);
  ExpectBounds({{&top, {0, 0, 300, 10}}, {&left, {0, 30, 30, 90}}, {&right, {260, 30, 40, 90}}});

  // Moved to another parent, a control leaves its room to the others.
  top.SetParent(fForm->group);
  RECT groupArea;
  GetClientRect(fForm->group.Handle(), &groupArea);
  ExpectBounds({{&top, {0, 0, groupArea.right, 10}},
                {&hiddenTop, {0, 0, 300, 20}},
                {&left, {0, 20, 30, 100}}});
}

TEST_F(ToolkitTest, LabelSizesItselfToItsTextAndFontUnlessItWraps) {
  TLabel sized(*fForm, u"sized", {5, 200, 0, 0});
  TLabel wrapped(*fForm, u"wrapped", {5, 230, 80, 30}, true);
  sized.SetText(u"Space required: 15 MB");
  const TBounds regular = sized.Bounds();
  EXPECT_EQ(regular.left, 5);
  EXPECT_EQ(regular.top, 200);
  EXPECT_GT(regular.width, 0);
  EXPECT_GT(regular.height, 0);

  sized.SetFont({u"Tahoma", 8, true});
  EXPECT_GT(sized.Bounds().width, regular.width);
  sized.SetText(u"Space required: 15 MB\nSpace available: 2 GB");
  EXPECT_EQ(sized.Bounds().height, 2 * regular.height);

  wrapped.SetText(u"a text much longer than the eighty pixels of its box");
  wrapped.SetFont({u"Tahoma", 12, true});
  EXPECT_EQ(wrapped.Bounds(), (TBounds{5, 230, 80, 30}));
}

TEST_F(ToolkitTest, MemoTurnsEveryLineBreakIntoCrLf) {
  TMemo memo(*fForm, u"memo", {0, 0, 100, 50});
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"one\ntwo", u"one\r\ntwo"},   {u"one\r\ntwo", u"one\r\ntwo"},
      {u"one\rtwo", u"one\r\ntwo"},   {u"\n\nend\n", u"\r\n\r\nend\r\n"},
      {u"\r\n\n\r", u"\r\n\r\n\r\n"},
  };
  for (const auto& [text, shown] : cases) {
    memo.SetText(text);
    EXPECT_EQ(memo.Text(), shown) << Utf16ToUtf8(text);
  }
}

// ---------------------------------------------------------------------------
// Events and the message loop

TEST_F(ToolkitTest, EditReportsEveryChangeOfItsTextTypedOrSet) {
  std::vector<std::u16string> seen;
  fForm->edit.OnChange = [&](TObject* sender) {
    seen.push_back(static_cast<TEdit*>(sender)->Text());
  };
  fForm->edit.SetText(u"C:\\Apps");
  fForm->edit.SetText(u"C:\\Apps");  // unchanged: nothing to report
  SendMessageW(fForm->edit.Handle(), EM_SETSEL, 0, -1);
  SendMessageW(fForm->edit.Handle(), WM_CHAR, u'D', 1);
  fForm->edit.SetText(u"");
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"C:\\Apps", u"D", u""}));
}

TEST_F(ToolkitTest, IdleEventRepeatsWithoutMessagesWhileDoneIsFalse) {
  TApplicationEvents events;
  int calls = 0;
  // Were the loop to wait after each pass, only the watchdog would end it.
  events.OnIdle = [&](TObject*, bool& done) {
    done = ++calls >= 50;
    if (calls == 50) fForm->Close();
  };
  RunLoop();
  EXPECT_GE(calls, 50);
}

TEST_F(ToolkitTest, ProcessMessagesHandlesWaitingMessagesWithoutTheIdleEvent) {
  TApplicationEvents events;
  int idleCalls = 0;
  events.OnIdle = [&](TObject*, bool&) { ++idleCalls; };
  bool secondClicked = false;
  int idleCallsInside = -1;
  fForm->second.OnClick = [&](TObject*) { secondClicked = true; };
  fForm->first.OnClick = [&](TObject*) {
    Click(fForm->second);
    const int before = idleCalls;
    Application().ProcessMessages();
    idleCallsInside = idleCalls - before;
    EXPECT_TRUE(secondClicked);
    fForm->Close();
  };
  Click(fForm->first);
  RunLoop();
  EXPECT_EQ(idleCallsInside, 0);
}

TEST_F(ToolkitTest, HandOversFromOtherThreadsRunInTheLoopAndInProcessMessages) {
  std::atomic<bool> handedInside{false};
  fForm->first.OnClick = [&](TObject*) {
    std::thread worker([&] { Synchronize([&] { handedInside = true; }); });
    for (const DWORD start = GetTickCount(); !handedInside && GetTickCount() - start < kPatience;) {
      Application().ProcessMessages();
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    CheckSynchronize();  // releases the worker should ProcessMessages have failed
    worker.join();
  };
  Click(fForm->first);
  std::thread closer([&] { Synchronize([&] { fForm->Close(); }); });
  RunLoop();
  CheckSynchronize();
  closer.join();
  EXPECT_TRUE(handedInside);
}

TEST_F(ToolkitTest, ErrorInAHandlerIsShownInTheErrorBoxAndTheLoopGoesOn) {
  const TMessageBoxAnswer answer;
  TApplicationEvents events;
  events.OnIdle = [&](TObject*, bool&) {
    if (answer.shown.handle) fForm->Close();
  };
  fForm->first.OnClick = [](TObject*) { throw EConvertError(u"'x' is not a valid integer value"); };
  Click(fForm->first);
  RunLoop();
  EXPECT_EQ(answer.shown.text, u"'x' is not a valid integer value");
  EXPECT_EQ(answer.shown.caption, u"Toolkit test");
  EXPECT_TRUE(answer.shown.hasIcon);
  EXPECT_EQ(answer.shown.buttons, std::vector<std::u16string>{u"OK"});
}

class TFailingForm : public TForm {
 public:
  TFailingForm() : TForm(u"TToolkitFailingForm", u"FailingForm") {
    OnCreate = [this](TObject*) {
      label.SetText(u"before the error");
      throw Exception(u"Cannot read the shortcut");
    };
  }
  TLabel label{*this, u"label", {0, 0, 0, 0}};
};

TEST_F(ToolkitTest, ErrorInOnCreateIsShownAndTheFormStays) {
  const TMessageBoxAnswer answer;
  TFailingForm& form = fApplication.CreateForm<TFailingForm>();
  EXPECT_EQ(answer.shown.text, u"Cannot read the shortcut");
  EXPECT_TRUE(answer.shown.hasIcon);
  EXPECT_NE(form.Handle(), nullptr);
  EXPECT_EQ(form.label.Text(), u"before the error");
}

TEST_F(ToolkitTest, PlainMessageHasTheTitleOneOkAndNoIcon) {
  const TMessageBoxAnswer answer;
  ShowMessage(u"Destination folder can't be created, need to select another folder.");
  EXPECT_EQ(answer.shown.text,
            u"Destination folder can't be created, need to select another folder.");
  EXPECT_EQ(answer.shown.caption, u"Toolkit test");
  EXPECT_FALSE(answer.shown.hasIcon);
  EXPECT_EQ(answer.shown.buttons, std::vector<std::u16string>{u"OK"});
}

TEST_F(ToolkitTest, ClosingTheMainFormEndsTheLoopAndAnotherFormOnlyHides) {
  TTestForm& other = fApplication.CreateForm<TTestForm>();
  other.Show();
  bool loopWentOn = false;
  fForm->first.OnClick = [&](TObject*) {
    other.Close();
    Click(fForm->second);
  };
  fForm->second.OnClick = [&](TObject*) {
    loopWentOn = true;
    fForm->Close();
  };
  Click(fForm->first);
  RunLoop();
  EXPECT_TRUE(loopWentOn);
  EXPECT_FALSE(other.Visible());
  EXPECT_NE(other.Handle(), nullptr);
  EXPECT_TRUE(fApplication.Terminated());
}

// ---------------------------------------------------------------------------
// Application window

// As the taskbar entry it is unowned and titled with the title; every form is
// owned by it, and it stays shown when the main form hides.
TEST_F(ToolkitTest, ApplicationWindowOwnsTheFormsAndStaysWhenTheMainFormHides) {
  const HWND entry = fApplication.Handle();
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(testing_windows::WindowText(entry), u"Toolkit test");
  EXPECT_EQ(GetWindow(entry, GW_OWNER), nullptr);
  TTestForm& other = fApplication.CreateForm<TTestForm>();
  for (const TForm* form : {static_cast<TForm*>(fForm), static_cast<TForm*>(&other)}) {
    EXPECT_EQ(GetWindow(form->Handle(), GW_OWNER), entry);
  }
  EXPECT_FALSE(IsWindowVisible(entry)) << "no entry before the main form shows";
  other.Show();
  EXPECT_FALSE(IsWindowVisible(entry)) << "only the main form shows the entry";
  fForm->Show();
  EXPECT_TRUE(IsWindowVisible(entry));
  fForm->Hide();
  EXPECT_TRUE(IsWindowVisible(entry));
  fApplication.SetTitle(u"Another title");
  EXPECT_EQ(testing_windows::WindowText(entry), u"Another title");
}

// "Close window" on the taskbar entry closes the main form, which ends the loop.
TEST_F(ToolkitTest, ClosingTheApplicationWindowClosesTheMainForm) {
  fForm->first.OnClick = [&](TObject*) { PostMessageW(fApplication.Handle(), WM_CLOSE, 0, 0); };
  Click(fForm->first);
  RunLoop();
  EXPECT_TRUE(fApplication.Terminated());
  EXPECT_TRUE(IsWindow(fApplication.Handle()));
}

// Each control carries its designer name in the property that the application
// names, as a global atom that other processes can read. (Atoms ignore case:
// a name such as "edit" would read back as the class name "Edit".)
TEST_F(ToolkitTest, ControlsCarryTheirDesignerNamesInTheNamedProperty) {
  for (const TControl* control :
       {static_cast<TControl*>(fForm), static_cast<TControl*>(&fForm->second)}) {
    const auto atom = static_cast<ATOM>(
        reinterpret_cast<ULONG_PTR>(GetPropW(control->Handle(), win::Wide(kNameProperty))));
    wchar_t name[64] = {};
    ASSERT_NE(GlobalGetAtomNameW(atom, name, 64), 0u);
    EXPECT_EQ(win::FromWide(name), control->Name());
  }
}

// ---------------------------------------------------------------------------
// Focus

TEST_F(ToolkitTest, TabOrderDecidesTheNextControlAndAHiddenControlPassesTheFocusOn) {
  fForm->third.SetTabOrder(0);
  fForm->first.SetTabOrder(1);
  fForm->second.SetTabOrder(2);
  fForm->group.SetTabOrder(3);
  fForm->Show();
  std::vector<HWND> order;
  for (HWND control = nullptr; order.size() < 4;) {
    control = GetNextDlgTabItem(fForm->Handle(), control, FALSE);
    order.push_back(control);
  }
  EXPECT_EQ(order, (std::vector<HWND>{fForm->third.Handle(), fForm->first.Handle(),
                                      fForm->second.Handle(), fForm->edit.Handle()}));

  SetFocus(fForm->first.Handle());
  fForm->first.SetVisible(false);
  EXPECT_EQ(GetFocus(), fForm->second.Handle());
}

// ---------------------------------------------------------------------------
// Pictures

// A 24-bit bitmap file; pixels row by row from the top.
std::string BitmapFile(int width, int height, const std::vector<COLORREF>& pixels) {
  const int stride = (width * 3 + 3) / 4 * 4;
  std::string rows;
  for (int y = height - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      const COLORREF pixel = pixels[static_cast<std::size_t>(y * width + x)];
      row += {static_cast<char>(GetBValue(pixel)), static_cast<char>(GetGValue(pixel)),
              static_cast<char>(GetRValue(pixel))};
    }
    row.resize(static_cast<std::size_t>(stride), '\0');
    rows += row;
  }
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + rows.size());
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  return std::string(reinterpret_cast<const char*>(&file), sizeof file) +
         std::string(reinterpret_cast<const char*>(&info), sizeof info) + rows;
}

TEST_F(ToolkitTest, PictureReadsBitmapsAndJpegAndRefusesOtherBytes) {
  TImage image(*fForm, u"image", {0, 0, 20, 20});
  image.LoadFromBytes(BitmapFile(3, 2, std::vector<COLORREF>(6, RGB(1, 2, 3))));
  EXPECT_EQ(image.PictureSize().cx, 3);
  EXPECT_EQ(image.PictureSize().cy, 2);
  image.LoadFromBytes(ResourceBytes(u"BLUE_JPEG", RT_RCDATA));
  EXPECT_EQ(image.PictureSize().cx, 8);
  EXPECT_EQ(image.PictureSize().cy, 6);
  EXPECT_THROW(image.LoadFromBytes("GIF89a, or so it says"), EOleError);
  EXPECT_EQ(image.PictureSize().cx, 8) << "a failed load keeps the picture";
}

TEST_F(ToolkitTest, MissingResourceRaisesWithItsName) {
  try {
    ResourceBytes(u"NO_SUCH_PICTURE", RT_RCDATA);
    FAIL() << "no error";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), u"Resource NO_SUCH_PICTURE not found");
  }
}

COLORREF ScreenPixel(const TControl& control, int x, int y) {
  POINT point{x, y};
  ClientToScreen(control.Handle(), &point);
  const HDC screen = GetDC(nullptr);
  const COLORREF pixel = GetPixel(screen, point.x, point.y);
  ReleaseDC(nullptr, screen);
  return pixel;
}

TEST_F(ToolkitTest, PictureIsDrawnCentredOrAtTheTopLeftOnTheParentsColour) {
  const COLORREF red = RGB(200, 0, 0), green = RGB(0, 200, 0), blue = RGB(0, 0, 200);
  const COLORREF white = RGB(255, 255, 255), band = RGB(255, 251, 240);
  fForm->panel.SetColor(RgbColor(255, 251, 240));
  TImage centred(fForm->panel, u"centred", {0, 0, 10, 10});
  TImage topLeft(fForm->panel, u"topLeft", {20, 0, 10, 10});
  const std::string picture = BitmapFile(2, 2, {red, green, blue, white});
  centred.LoadFromBytes(picture);
  centred.SetCenter(true);
  topLeft.LoadFromBytes(picture);
  const struct {
    const TImage& image;
    int x, y;
    COLORREF color;
  } pixels[] = {
      {centred, 4, 4, red},   {centred, 5, 4, green}, {centred, 4, 5, blue},
      {centred, 5, 5, white}, {centred, 0, 0, band},  {centred, 9, 9, band},
      {topLeft, 0, 0, red},   {topLeft, 1, 1, white}, {topLeft, 2, 2, band},
  };
  fForm->Show();
  // Wine hands what was painted to the display while the loop runs: wait until
  // the screen shows the pictures, or for long enough to see that it never will.
  const auto shown = [&] {
    return std::all_of(std::begin(pixels), std::end(pixels),
                       [](const auto& p) { return ScreenPixel(p.image, p.x, p.y) == p.color; });
  };
  for (const DWORD start = GetTickCount(); !shown() && GetTickCount() - start < kPatience;) {
    Application().ProcessMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  for (const auto& p : pixels) {
    EXPECT_EQ(ScreenPixel(p.image, p.x, p.y), p.color)
        << Utf16ToUtf8(p.image.Name()) << " at " << p.x << ", " << p.y;
  }
}

}  // namespace
