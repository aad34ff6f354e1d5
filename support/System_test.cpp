#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/Format.h"
#include "support/System.h"
#include "support/Text.h"
#include "support/Win32.h"
#include "support/testing/RegistryValue.h"

namespace {

TEST(GetFixedDrives, ListsTheFixedDrivesInOrder) {
  const std::u16string drives = GetFixedDrives();
  // Wine's C: (the prefix) and Z: (the file system root) are both fixed.
  EXPECT_NE(drives.find(u'C'), std::u16string::npos) << Utf16ToUtf8(drives);
  EXPECT_TRUE(std::is_sorted(drives.begin(), drives.end()));
  EXPECT_EQ(std::adjacent_find(drives.begin(), drives.end()), drives.end());
  for (const char16_t letter : drives) {
    EXPECT_TRUE(letter >= u'A' && letter <= u'Z') << int(letter);
  }
}

// A letter of no drive, searched from the end of the alphabet.
char16_t MissingDriveLetter() {
  const DWORD mask = GetLogicalDrives();
  for (int i = 25; i >= 0; --i) {
    if ((mask >> i & 1) == 0) return static_cast<char16_t>(u'A' + i);
  }
  return 0;
}

TEST(DriveFreeSpace, GivesTheSameFigureForBothCases) {
  const std::int64_t upper = DriveFreeSpace(u'C');
  const std::int64_t lower = DriveFreeSpace(u'c');
  const std::int64_t upperAgain = DriveFreeSpace(u'C');
  ASSERT_GT(upper, 0);
  // Other processes write to the same disk meanwhile: allow for what changed
  // between the calls, with some room.
  const std::int64_t slack = std::abs(upperAgain - upper) + (64 << 20);
  EXPECT_LE(std::abs(lower - upper), slack);
}

TEST(DriveFreeSpace, AsksAboutTheCurrentDriveForTheCharacterBeforeA) {
  EXPECT_GT(DriveFreeSpace(u'@'), 0);
}

TEST(DriveFreeSpace, FailsForWhatNamesNoDrive) {
  const char16_t missing = MissingDriveLetter();
  ASSERT_NE(missing, 0);
  for (const char16_t letter : {missing, static_cast<char16_t>(missing + 32), u'#', u'['}) {
    EXPECT_EQ(DriveFreeSpace(letter), -1) << int(letter);
  }
}

TEST(GetSystemDir, EndsInABackslashAndHoldsTheSystemLibraries) {
  const std::u16string folder = GetSystemDir();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), u'\\');
  const std::u16string kernel = folder + u"kernel32.dll";
  const DWORD attributes = GetFileAttributesW(win::Wide(kernel));
  EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << Utf16ToUtf8(kernel);
}

TEST(ApplicationTitle, IsEmptyUntilSet) {
  EXPECT_EQ(ApplicationTitle(), u"");
  SetApplicationTitle(u"Setup");
  EXPECT_EQ(ApplicationTitle(), u"Setup");
  SetApplicationTitle(u"");
}

// The regional decimal separator is read when a program starts, so this runs
// the test program again with a comma set, in a child that writes what it
// formats to a file named in its environment. Only the child has that case.
constexpr wchar_t kOutputVariable[] = L"TESSERA_FORMAT_SIZE_OUTPUT";

class RegionalChild : public testing::Test {
 public:
  explicit RegionalChild(const char* output) : fOutput(output) {}
  void TestBody() override {
    std::ofstream(fOutput, std::ios::binary) << Utf16ToUtf8(FormatSize(2684354560));
  }

 private:
  const char* fOutput;
};

[[maybe_unused]] const bool kIsRegionalChild = [] {
  const char* output = std::getenv("TESSERA_FORMAT_SIZE_OUTPUT");
  if (output == nullptr) return false;
  testing::RegisterTest("RegionalChild", "FormatsWithTheStartUpSeparator", nullptr, nullptr,
                        __FILE__, __LINE__, [output] { return new RegionalChild(output); });
  return true;
}();

std::string RunChild(const std::wstring& outputFile) {
  wchar_t program[MAX_PATH];
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::wstring commandLine =
      L"\"" + std::wstring(program) + L"\" --gtest_filter=RegionalChild.* --gtest_color=no";
  SetEnvironmentVariableW(kOutputVariable, outputFile.c_str());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(program, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                      nullptr, nullptr, &startup, &process);
  SetEnvironmentVariableW(kOutputVariable, nullptr);
  if (!started) return "child not started";
  WaitForSingleObject(process.hProcess, 120000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::ifstream in(std::filesystem::path(outputFile), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(FormatSize, UsesTheRegionalDecimalSeparator) {
  const std::wstring international = L"Control Panel\\International";
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  const std::wstring outputFile = std::wstring(folder) + L"TesseraFormatSize.txt";
  DeleteFileW(outputFile.c_str());
  std::string formatted;
  {
    const TSavedRegValue saved(HKEY_CURRENT_USER, international, L"sDecimal");
    SetRegText(HKEY_CURRENT_USER, international, L"sDecimal", L",");
    formatted = RunChild(outputFile);
  }
  DeleteFileW(outputFile.c_str());
  EXPECT_EQ(formatted, "2,5 GB");
}

}  // namespace
