#include "app/SetupForm.h"

#include <utility>

#include "package/FileAccess.h"
#include "package/Package.h"
#include "payload/Product.h"
#include "support/Format.h"
#include "support/Registry.h"
#include "support/Shell.h"
#include "support/System.h"
#include "support/Text.h"
#include "support/Web.h"
#include "support/Win32.h"

namespace {

const TColor kCream = RgbColor(255, 251, 240);
const TFont kBold8{u"Tahoma", 8, true};
const TFont kBold16{u"Tahoma", 12, true};  // 16 pixels high at 96 dots per inch

constexpr char16_t kNextCaption[] = u"&Next >";
constexpr char16_t kAgreeCaption[] = u"I &Agree";
constexpr char16_t kInstallCaption[] = u"&Install";
constexpr char16_t kFinishCaption[] = u"&Finish";

constexpr char16_t kPackageName[] = u"Tessera.stp";

// Both fixed at build time.
constexpr char16_t kReportUrl[] =
    u"http://" TESSERA_REPORT_HOST "/php/UserSetup.php?lang=2&fid=br&ver=4.25";
constexpr char16_t kAboutUrl[] = u"" TESSERA_ABOUT_URL;

constexpr DWORD kPause = 100;             // ms
constexpr DWORD kAfterExtractPause = 50;  // ms
constexpr int kFinishPauses = 91;         // the longest wait for the report: 9.1 s

// The real version: the manifest declares the systems that we know, so that
// Windows does not pretend to be an older one.
DWORD WindowsMajorVersion() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  GetVersionExW(&info);
  return info.dwMajorVersion;
}

// The design-time properties of each page and of the button row.

void DesignWelcomePage(TForm1& form) {
  form.pnlStep1.SetColor(clWhite);
  form.pnlStep1.SetAlign(alTop);
  form.pnlStep1.SetTabOrder(1);
  form.Image1.SetAlign(alLeft);
  form.Image1.LoadFromResource(u"WELCOME");
  form.lblWelcome.SetFont(kBold16);
}

void DesignHeaderBand(TPanel& band, TLabel& title, TImage& picture, const std::u16string& bitmap,
                      TBevel& line) {
  band.SetColor(kCream);
  band.SetAlign(alTop);
  band.SetTabOrder(0);
  title.SetFont(kBold8);
  picture.SetAlign(alRight);
  picture.SetCenter(true);
  picture.LoadFromResource(bitmap);
  line.SetAlign(alTop);
}

void DesignLicensePage(TForm1& form) {
  form.pnlStep2.SetVisible(false);
  form.pnlStep2.SetTabOrder(3);
  DesignHeaderBand(form.Panel3, form.lblLicense, form.Image2, u"HEADER_LICENSE", form.Bevel2);
  form.Memo2.SetTabOrder(1);
  form.Memo2.SetText(Utf8ToUtf16(ResourceBytes(u"LICENSE", RT_RCDATA)));
}

void DesignFolderPage(TForm1& form) {
  form.pnlStep3.SetVisible(false);
  form.pnlStep3.SetTabOrder(2);
  DesignHeaderBand(form.Panel4, form.lblFolder, form.Image3, u"HEADER_FOLDER", form.Bevel3);
  form.gbFolder.SetTabOrder(1);
  form.editSetupDir.SetTabOrder(0);
  form.btnBrowse.SetTabOrder(1);
  // Shown only once a folder has been checked: a start-up cut short must not
  // allow an Install into "\\".
  form.lblFreeSize.SetVisible(false);
  form.chkSCOnDesktop.SetChecked(true);
  form.chkSCOnDesktop.SetTabOrder(2);
  form.chkSCOnQuick.SetChecked(true);
  form.chkSCOnQuick.SetTabOrder(3);
}

void DesignCompletionPage(TForm1& form) {
  form.pnlStep4.SetColor(clWhite);
  form.pnlStep4.SetVisible(false);
  form.pnlStep4.SetTabOrder(4);
  form.lblComplete.SetFont(kBold16);
  form.chkRunOnExit.SetChecked(true);
  form.chkRunOnExit.SetTabOrder(0);
}

void DesignButtonRow(TForm1& form) {
  form.ProgressBar1.SetRange(0, 100);
  form.ProgressBar1.SetStep(5);
  form.ProgressBar1.SetVisible(false);
  form.ProgressBar1.SetTabOrder(7);
  form.btnNext.SetTabOrder(0);
  form.btnPrev.SetTabOrder(5);
  form.btnClose.SetTabOrder(6);
}

// Without the leading and trailing characters whose code is at most the space's.
std::u16string Trim(const std::u16string& text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && text[first] <= u' ') ++first;
  while (last > first && text[last - 1] <= u' ') --last;
  return text.substr(first, last - first);
}

void ProcessMessages() { Application().ProcessMessages(); }

}  // namespace

TForm1::TForm1()
    : TForm(u"TForm1", u"Form1"),
      pnlStep1(*this, u"pnlStep1", {0, 0, 0, 308}),
      Image1(pnlStep1, u"Image1", {0, 0, 160, 308}),
      lblWelcome(pnlStep1, u"lblWelcome", {183, 20, 305, 53}, true),
      lblWillInstall(pnlStep1, u"lblWillInstall", {184, 96, 304, 148}, true),
      pnlStep2(*this, u"pnlStep2", {0, 0, 0, 308}),
      Panel3(pnlStep2, u"Panel3", {0, 0, 0, 56}),
      lblLicense(Panel3, u"lblLicense", {17, 9, 0, 0}),
      lblLicenseTip(Panel3, u"lblLicenseTip", {36, 28, 0, 0}),
      Image2(Panel3, u"Image2", {0, 0, 67, 56}),
      Bevel2(pnlStep2, u"Bevel2", {0, 56, 0, 2}),
      Memo2(pnlStep2, u"Memo2", {20, 75, 454, 177}),
      lblAgreement(pnlStep2, u"lblAgreement", {23, 267, 437, 32}, true),
      pnlStep3(*this, u"pnlStep3", {0, 0, 0, 308}),
      Panel4(pnlStep3, u"Panel4", {0, 0, 0, 56}),
      lblFolder(Panel4, u"lblFolder", {17, 9, 0, 0}),
      lblFolderTip(Panel4, u"lblFolderTip", {36, 28, 0, 0}),
      Image3(Panel4, u"Image3", {0, 0, 67, 56}),
      Bevel3(pnlStep3, u"Bevel3", {0, 56, 0, 2}),
      lblSetupToFolder(pnlStep3, u"lblSetupToFolder", {40, 75, 420, 49}, true),
      gbFolder(pnlStep3, u"gbFolder", {40, 132, 419, 63}),
      editSetupDir(gbFolder, u"editSetupDir", {17, 24, 305, 21}),
      btnBrowse(gbFolder, u"btnBrowse", {325, 24, 77, 21}),
      lblNeedSize(pnlStep3, u"lblNeedSize", {41, 221, 0, 0}),
      lblFreeSize(pnlStep3, u"lblFreeSize", {41, 247, 0, 0}),
      chkSCOnDesktop(pnlStep3, u"chkSCOnDesktop", {237, 217, 151, 20}),
      chkSCOnQuick(pnlStep3, u"chkSCOnQuick", {237, 243, 184, 20}),
      pnlStep4(*this, u"pnlStep4", {0, 0, 0, 308}),
      lblComplete(pnlStep4, u"lblComplete", {183, 20, 305, 53}, true),
      lblClose(pnlStep4, u"lblClose", {184, 89, 302, 65}, true),
      chkRunOnExit(pnlStep4, u"chkRunOnExit", {186, 170, 254, 14}),
      Bevel1(*this, u"Bevel1", {-1, 308, 555, 2}),
      ProgressBar1(*this, u"ProgressBar1", {35, 328, 185, 12}),
      btnPrev(*this, u"btnPrev", {253, 323, 77, 22}),
      btnNext(*this, u"btnNext", {330, 323, 77, 22}),
      btnClose(*this, u"btnClose", {417, 323, 62, 22}) {
  DesignWelcomePage(*this);
  DesignLicensePage(*this);
  DesignFolderPage(*this);
  DesignCompletionPage(*this);
  DesignButtonRow(*this);
  OnCreate = [this](TObject* sender) { FormCreate(sender); };
  ApplicationEvents1.OnIdle = [this](TObject* sender, bool& done) {
    ApplicationEvents1Idle(sender, done);
  };
  btnNext.OnClick = [this](TObject* sender) { btnNextClick(sender); };
  btnPrev.OnClick = [this](TObject* sender) { btnPrevClick(sender); };
  btnClose.OnClick = [this](TObject* sender) { btnCloseClick(sender); };
  editSetupDir.OnChange = [this](TObject* sender) { editSetupDirChange(sender); };
  btnBrowse.OnClick = [this](TObject* sender) { btnBrowseClick(sender); };
}

void TForm1::FormCreate(TObject* /*Sender*/) {
  const std::pair<TControl*, const char16_t*> texts[] = {
      {this, u"Setup - Brindle Tessera"},
      {&btnPrev, u"< &Back"},
      {&btnNext, kNextCaption},
      {&btnClose, u"Cancel"},
      {&lblWelcome, u"Welcome to the Brindle Tessera 4.25 Setup Wizard"},
      {&lblWillInstall,
       u"This will install Brindle Tessera 4.25 on your computer.\n\n"
       u"Click Next to continue, or Cancel to exit Setup."},
      {&lblLicense, u"License Agreement"},
      {&lblLicenseTip, u"Please read the following important infomation before continuing."},
      {&lblAgreement,
       u"If you accept the terms of the agreement, click I Agree to continue. You must accept "
       u"the agreement to install Brindle Tessera."},
      {&lblFolder, u"Select Destination Location"},
      {&lblFolderTip, u"Where should Brindle Tessera be installed?"},
      {&lblSetupToFolder,
       u"Setup will install Brindle Tessera 4.25 into the following folder.\n\n"
       u"To continue, click Next. If you would like to select a different folder, click Browse."},
      {&gbFolder, u"Destination Folder"},
      {&btnBrowse, u"&Browse..."},
      {&lblNeedSize, u"Space required: 15 MB"},
      {&chkSCOnDesktop, u"Create a desktop icon"},
      {&chkSCOnQuick, u"Create a Quick Launch icon"},
      {&lblComplete, u"Completing the Brindle Tessera Setup Wizard"},
      {&lblClose,
       u"Setup has finished installing Brindle Tessera 4.25 on your computer.\n\n"
       u"Click Finish to close this wizard."},
      {&chkRunOnExit, u"Launch Tessera 4.25"},
  };
  for (const auto& [control, text] : texts) control->SetText(text);
  SetSize(503, WindowsMajorVersion() >= 6 ? 398 : 385);
  pnlStep2.SetAlign(alTop);
  pnlStep3.SetAlign(alTop);
  pnlStep4.SetAlign(alTop);
  FStep = 1;
  ProgressBar1.SetPosition(0);
  chkSCOnQuick.SetVisible(WindowsMajorVersion() < 6);
  FFixedDrives = GetFixedDrives();
  std::u16string folder = FindShortcutFolder(kShortcutName, u"QuickLaunch");
  if (folder.empty()) folder = FindShortcutFolder(kShortcutName, u"Desktop");
  if (!folder.empty()) {
    folder.pop_back();
  } else {
    const wchar_t* programFiles = _wgetenv(L"PROGRAMFILES");
    folder = (programFiles ? win::FromWide(programFiles) : std::u16string()) + u"\\Tessera";
  }
  editSetupDir.SetText(folder);
}

// The only place where the page state is derived from FStep.
void TForm1::ApplicationEvents1Idle(TObject* /*Sender*/, bool& /*Done*/) {
  TPanel* const pages[] = {&pnlStep1, &pnlStep2, &pnlStep3, &pnlStep4};
  for (int page = 1; page <= 4; ++page) pages[page - 1]->SetVisible(FStep == page);
  btnPrev.SetVisible(FStep == 2 || FStep == 3);
  btnClose.SetVisible(FStep < 4);
  btnNext.SetEnabled(FStep != 3 || lblFreeSize.Visible());
}

void TForm1::UpdateNextCaption() {
  switch (FStep) {
    case 2:
      btnNext.SetText(kAgreeCaption);
      break;
    case 3:
      btnNext.SetText(kInstallCaption);
      break;
    case 4:
      btnNext.SetText(kFinishCaption);
      break;
    default:
      btnNext.SetText(kNextCaption);
  }
}

// The caption, not the page, decides what Next does.
void TForm1::btnNextClick(TObject* /*Sender*/) {
  const std::u16string caption = btnNext.Text();
  if (caption == kFinishCaption) {
    Finish();
    return;
  }
  if (caption == kInstallCaption) {
    Install();
    return;
  }
  FStep = FStep + 1;
  UpdateNextCaption();
}

void TForm1::btnPrevClick(TObject* /*Sender*/) {
  FStep = FStep - 1;
  UpdateNextCaption();
  // Back is hidden on the first page; the focus would pass on to Cancel,
  // where Enter would end the setup.
  ::SetFocus(btnNext.Handle());
}

void TForm1::btnCloseClick(TObject* /*Sender*/) { Close(); }

// Accepted: a fixed drive's letter, then ":\\"; nothing else is checked.
void TForm1::editSetupDirChange(TObject* /*Sender*/) {
  const std::u16string text = editSetupDir.Text();
  const bool accepted = text.size() >= 3 && text.compare(1, 2, u":\\") == 0 &&
                        FFixedDrives.find(AsciiUpperCase(text[0])) != std::u16string::npos;
  if (accepted) {
    UpdateFreeSpace();
  } else {
    lblFreeSize.SetVisible(false);
  }
}

void TForm1::UpdateFreeSpace() {
  lblFreeSize.SetText(u"Space available: " + FormatSize(DriveFreeSpace(editSetupDir.Text()[0])));
  lblFreeSize.SetVisible(true);
}

// A chosen folder is taken whatever its drive.
void TForm1::btnBrowseClick(TObject* /*Sender*/) {
  const std::u16string path = SelectFolderDialog(Handle(), u"Select or create a new folder:");
  if (path.empty()) return;
  editSetupDir.SetText(path);
  UpdateFreeSpace();
}

void TForm1::Install() {
  // Trimmed before the backslash is added: Windows drops a trailing space when
  // it makes the folder, so "C:\\Tessera \\" would name one that is not there.
  const std::u16string folder = Trim(editSetupDir.Text());
  FSetupDir = folder.empty() || folder.back() != u'\\' ? folder + u"\\" : folder;
  if (!fileaccess::DirectoryExists(FSetupDir) && !fileaccess::ForceDirectories(FSetupDir)) {
    ShowMessage(u"Destination folder can't be created, need to select another folder.");
    return;
  }
  for (TButton* button : {&btnNext, &btnPrev, &btnClose, &btnBrowse}) button->SetEnabled(false);
  ProgressBar1.SetVisible(true);
  ProcessMessages();
  if (!ExtractFiles()) {
    ShowInfoBox(u"Extracting files to destination folder when the error occurred.", u"");
    Close();
    return;
  }
  CreateShortcutsAndUninstallEntry();
  Image1.SetParent(pnlStep4);
  FReportThread = new TGetUrlStrThread;
  FReportThread->OnTerminate = [this](TGetUrlStrThread*) { ReportThreadTerminate(nullptr); };
  FReportThread->FUrl = kReportUrl;
  FReportThread->Start();
  ProcessMessages();
  Sleep(kPause);
  ProgressBar1.SetVisible(false);
  FStep = FStep + 1;
  UpdateNextCaption();
  // Disabling Next took the focus away; it goes back, so that Enter finishes.
  btnNext.SetEnabled(true);
  ::SetFocus(btnNext.Handle());
}

// The package file is made new and held from its first byte to its deletion,
// and the extractor reads the very file that was written: others who can
// write the folder cannot swap it meanwhile.
bool TForm1::ExtractFiles() {
  try {
    bool deleted = false;
    {
      const auto package = fileaccess::CreateBelow(FSetupDir, kPackageName);
      const std::string_view bytes = ResourceBytes(u"SetupPackage", L"StpFile");
      package->Write(bytes.data(), bytes.size());
      ExtractPackage(*package, FSetupDir, u"", [this](std::int32_t value) { SetProgress(value); });
      Sleep(kAfterExtractPause);
      deleted = package->DeleteWhenClosed();
    }
    if (!deleted) DeleteFileW(win::Wide(FSetupDir + kPackageName));
    return true;
  } catch (...) {
    return false;
  }
}

// Failures here are not the user's concern: the rest of the stage is skipped.
void TForm1::CreateShortcutsAndUninstallEntry() {
  const std::u16string program = FSetupDir + u"Tessera.exe";
  try {
    if (chkSCOnDesktop.Checked()) CreateShortcut(program, kShortcutName, fkDesktop, u"");
    if (chkSCOnQuick.Visible() && chkSCOnQuick.Checked()) {
      CreateShortcut(program, kShortcutName, fkQuickLaunch, u"");
    }
    CreateRegKey(rrLocalMachine, kUninstallKey);
    const std::pair<const char16_t*, std::u16string> values[] = {
        {u"DisplayIcon", program},    {u"DisplayName", u"Brindle Tessera"},
        {u"DisplayVersion", u"4.25"}, {u"Publisher", u"Brindle Software"},
        {u"URLInfoAbout", kAboutUrl}, {u"UninstallString", FSetupDir + u"Uninst.exe"},
    };
    for (const auto& [name, data] : values)
      WriteRegString(rrLocalMachine, kUninstallKey, name, data);
  } catch (...) {
  }
}

void TForm1::SetProgress(std::int32_t Value) { ProgressBar1.SetPosition(Value); }

void TForm1::ReportThreadTerminate(TObject* /*Sender*/) { FReportDone = true; }

void TForm1::Finish() {
  if (chkRunOnExit.Checked()) {
    if (const HANDLE process = RunProgram(FSetupDir + u"Tessera.exe", u"")) CloseHandle(process);
  }
  Hide();
  for (int pauses = 0; pauses < kFinishPauses; ++pauses) {
    Sleep(kPause);
    ProcessMessages();
    if (FReportDone) break;
  }
  Close();
}
