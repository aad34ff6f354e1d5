#include <windows.h>

#include <gtest/gtest.h>

#include "support/Errors.h"
#include "support/Registry.h"
#include "support/Text.h"
#include "support/testing/RegistryValue.h"

namespace {

const std::wstring kScratch = L"Software\\TesseraTests";
const std::u16string kScratch16 = u"Software\\TesseraTests";

bool KeyExists(const std::wstring& key) {
  HKEY handle;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(handle);
  return true;
}

void DeleteScratchKeys() {
  RegDeleteTreeW(HKEY_CURRENT_USER, kScratch.c_str());
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kScratch.c_str());
}

// Every case starts and ends without the scratch keys.
class RegistryTest : public testing::Test {
 protected:
  void SetUp() override { DeleteScratchKeys(); }
  void TearDown() override { DeleteScratchKeys(); }
};

TEST_F(RegistryTest, WriteCreatesTheWholeKeyPath) {
  const std::u16string key = kScratch16 + u"\\Uninstall\\Tessera";
  EXPECT_TRUE(WriteRegString(rrCurrentUser, key, u"DisplayName", u"Tessera 4.25"));
  EXPECT_TRUE(KeyExists(kScratch + L"\\Uninstall\\Tessera"));
  EXPECT_EQ(ReadRegString(rrCurrentUser, key, u"DisplayName"), u"Tessera 4.25");
  // One leading backslash names the same key.
  EXPECT_EQ(ReadRegString(rrCurrentUser, u"\\" + key, u"DisplayName"), u"Tessera 4.25");
}

TEST_F(RegistryTest, WriteReplacesAValueOfAnyType) {
  const DWORD number = 7;
  SetRawRegValue(HKEY_CURRENT_USER, kScratch, L"Value", REG_DWORD, &number, sizeof number);
  EXPECT_TRUE(WriteRegString(rrCurrentUser, kScratch16, u"Value", u"text"));
  EXPECT_EQ(ReadRegString(rrCurrentUser, kScratch16, u"Value"), u"text");
}

TEST_F(RegistryTest, TextsRoundTrip) {
  for (const std::u16string text : {u"", u"C:\\Program Files\\Tessera\\", u"\u00E9\U0001F600"}) {
    EXPECT_TRUE(WriteRegString(rrCurrentUser, kScratch16, u"Text", text));
    EXPECT_EQ(ReadRegString(rrCurrentUser, kScratch16, u"Text"), text);
  }
}

struct TRawCase {
  const char* name;
  DWORD type;
  std::wstring_view data;  // written without an added null
  std::u16string_view text;
};

class ReadRegStringTest : public RegistryTest, public testing::WithParamInterface<TRawCase> {};

TEST_P(ReadRegStringTest, ReadsTheText) {
  const TRawCase& c = GetParam();
  SetRawRegValue(HKEY_CURRENT_USER, kScratch, L"Raw", c.type, c.data.data(),
                 static_cast<DWORD>(c.data.size() * sizeof(wchar_t)));
  EXPECT_EQ(ReadRegString(rrCurrentUser, kScratch16, u"Raw"), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ReadRegStringTest,
    testing::Values(TRawCase{"Terminated", REG_SZ, std::wstring_view(L"abc\0", 4), u"abc"},
                    TRawCase{"Unterminated", REG_SZ, L"abc", u"abc"},
                    TRawCase{"UpToFirstNull", REG_SZ, std::wstring_view(L"ab\0cd\0", 6), u"ab"},
                    TRawCase{"NoData", REG_SZ, L"", u""},
                    TRawCase{"EmptyText", REG_SZ, std::wstring_view(L"\0", 1), u""},
                    TRawCase{"ExpandNotExpanded", REG_EXPAND_SZ,
                             std::wstring_view(L"%SystemRoot%\\x\0", 15), u"%SystemRoot%\\x"}),
    [](const testing::TestParamInfo<TRawCase>& info) { return info.param.name; });

TEST_F(RegistryTest, ReadOfWhatIsMissingGivesEmptyText) {
  EXPECT_EQ(ReadRegString(rrCurrentUser, kScratch16 + u"\\Missing\\Key", u"Value"), u"");
  ASSERT_TRUE(CreateRegKey(rrCurrentUser, kScratch16));
  EXPECT_EQ(ReadRegString(rrCurrentUser, kScratch16, u"Missing"), u"");
  // Reading creates nothing.
  EXPECT_FALSE(KeyExists(kScratch + L"\\Missing"));
}

TEST_F(RegistryTest, ReadOfAnotherTypeRaises) {
  const DWORD number = 7;
  SetRawRegValue(HKEY_CURRENT_USER, kScratch, L"Count", REG_DWORD, &number, sizeof number);
  const BYTE bytes[] = {1, 2, 3};
  SetRawRegValue(HKEY_CURRENT_USER, kScratch, L"Blob", REG_BINARY, bytes, sizeof bytes);
  for (const std::u16string name : {u"Count", u"Blob"}) {
    try {
      ReadRegString(rrCurrentUser, kScratch16, name);
      ADD_FAILURE() << "no error for " << Utf16ToUtf8(name);
    } catch (const ERegistryException& e) {
      EXPECT_EQ(e.Message(), u"Invalid data type for '" + name + u"'");
    }
  }
}

TEST_F(RegistryTest, CreateKeepsAnExistingKeyAndItsValues) {
  const std::u16string key = kScratch16 + u"\\A\\B";
  EXPECT_TRUE(CreateRegKey(rrCurrentUser, key));
  EXPECT_TRUE(KeyExists(kScratch + L"\\A\\B"));
  ASSERT_TRUE(WriteRegString(rrCurrentUser, key, u"Kept", u"yes"));
  EXPECT_TRUE(CreateRegKey(rrCurrentUser, u"\\" + key));
  EXPECT_EQ(ReadRegString(rrCurrentUser, key, u"Kept"), u"yes");
}

// A lasting key cannot be made below a volatile one.
TEST_F(RegistryTest, KeyThatCannotBeCreated) {
  HKEY handle;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (kScratch + L"\\Volatile").c_str(), 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(handle);
  const std::u16string key = kScratch16 + u"\\Volatile\\Child";
  try {
    CreateRegKey(rrCurrentUser, key);
    ADD_FAILURE() << "no error";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), u"Failed to create key " + key);
  }
  EXPECT_FALSE(WriteRegString(rrCurrentUser, key, u"Value", u"text"));
}

// The uninstall entry lives under the machine root, apart from the user's.
TEST_F(RegistryTest, LocalMachineRoot) {
  ASSERT_TRUE(WriteRegString(rrLocalMachine, kScratch16, u"Machine", u"yes"));
  wchar_t text[8] = {};
  DWORD size = sizeof text;
  EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, kScratch.c_str(), L"Machine", RRF_RT_REG_SZ, nullptr,
                         text, &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(text, L"yes");
  EXPECT_EQ(ReadRegString(rrLocalMachine, kScratch16, u"Machine"), u"yes");
  EXPECT_EQ(ReadRegString(rrCurrentUser, kScratch16, u"Machine"), u"");
}

}  // namespace
