// The wizard window: four pages (welcome, licence agreement, destination
// folder, completion) above a row of Back, Next and Cancel buttons.
#pragma once

#include <cstdint>
#include <string>

#include "support/Web.h"
#include "toolkit/Toolkit.h"

// The window property in which the wizard's controls carry their designer
// names, for programs that drive the wizard from outside.
inline constexpr char16_t kNameProperty[] = u"TesseraName";

class TForm1 : public TForm {
 public:
  TForm1();

  TApplicationEvents ApplicationEvents1;

  TPanel pnlStep1;
  TImage Image1;
  TLabel lblWelcome;
  TLabel lblWillInstall;

  TPanel pnlStep2;
  TPanel Panel3;
  TLabel lblLicense;
  TLabel lblLicenseTip;
  TImage Image2;
  TBevel Bevel2;
  TMemo Memo2;
  TLabel lblAgreement;

  TPanel pnlStep3;
  TPanel Panel4;
  TLabel lblFolder;
  TLabel lblFolderTip;
  TImage Image3;
  TBevel Bevel3;
  TLabel lblSetupToFolder;
  TGroupBox gbFolder;
  TEdit editSetupDir;
  TButton btnBrowse;
  TLabel lblNeedSize;
  TLabel lblFreeSize;
  TCheckBox chkSCOnDesktop;
  TCheckBox chkSCOnQuick;

  TPanel pnlStep4;
  TLabel lblComplete;
  TLabel lblClose;
  TCheckBox chkRunOnExit;

  TBevel Bevel1;
  TProgressBar ProgressBar1;
  TButton btnPrev;
  TButton btnNext;
  TButton btnClose;

  void FormCreate(TObject* Sender);
  void ApplicationEvents1Idle(TObject* Sender, bool& Done);
  void btnNextClick(TObject* Sender);
  void btnPrevClick(TObject* Sender);
  void btnCloseClick(TObject* Sender);
  void editSetupDirChange(TObject* Sender);
  void btnBrowseClick(TObject* Sender);

 private:
  std::u16string FSetupDir;
  std::int32_t FStep = 1;
  std::u16string FFixedDrives;
  TGetUrlStrThread* FReportThread = nullptr;  // frees itself when it ends
  bool FReportDone = false;

  void UpdateNextCaption();
  void UpdateFreeSpace();
  void Install();
  bool ExtractFiles();
  void CreateShortcutsAndUninstallEntry();
  void Finish();
  void SetProgress(std::int32_t Value);
  void ReportThreadTerminate(TObject* Sender);
};

// The shell's folder browser below the computer's drives, modal to owner: the
// chosen folder's path, or empty when cancelled or when it has no path.
std::u16string SelectFolderDialog(HWND owner, const std::u16string& title);

// Starts a program through the shell: the new process's handle, or null.
HANDLE RunProgram(const std::u16string& FileName, const std::u16string& Parameters);
