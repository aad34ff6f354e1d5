// The extractor: where each file goes, the members, the progress reports,
// and the damaged packages that it refuses.
#include <algorithm>

#include "package/PackageTesting.h"
#include "support/System.h"
#include "support/Text.h"

using namespace packagetesting;

namespace {

using TTree = std::vector<std::pair<std::string, std::string>>;

// A test folder with the package at p.stp and out/dest/, out/sys/ as the
// destination and the system directory.
class TExtraction {
 public:
  explicit TExtraction(const std::string& package) {
    WriteBytes(fDir.Path() / "p.stp", package);
    fs::create_directories(fDir.Path() / "out" / "sys");
  }

  void Run(const TExtractProgressEvent& onProgress = {}, const std::u16string& pass = u"") {
    ExtractPackage(Package(), Dest(), pass, onProgress, fDir.Folder("out/sys"));
  }
  // The percentages reported.
  std::vector<int> Reports() {
    std::vector<int> reports;
    Run([&](std::int32_t percent) { reports.push_back(percent); });
    return reports;
  }
  std::u16string Error(const std::u16string& pass = u"") {
    return MessageOf([&] { Run({}, pass); });
  }

  std::u16string Package() const { return fDir.File("p.stp"); }
  std::u16string Dest() const { return fDir.Folder("out/dest"); }
  fs::path Out() const { return fDir.Path() / "out"; }
  // Every file written, by its path below out/.
  TTree Written() const { return TreeOf(Out()); }

 private:
  TTempDir fDir;
};

// ---------------------------------------------------------------------------
// Path rules

struct TPathCase {
  const char* name;
  std::u16string folder;
  std::u16string fileName;
  std::optional<bool> toDestDir;
  std::string target;          // below out/, or empty when the table is refused
  std::u16string error = u"";  // for row 2
};

class PathRulesTest : public testing::TestWithParam<TPathCase> {};

const std::u16string kLeavesDest = u"Damaged file table: row 2 leaves the destination folder";
const std::u16string kLeavesSys = u"Damaged file table: row 2 leaves the system folder";
const std::u16string kNoToken = u"Damaged file table: row 2 names neither $System$ nor $Third$";

INSTANTIATE_TEST_SUITE_P(
    Cases, PathRulesTest,
    testing::Values(
        TPathCase{"EmptyFolder", u"", u"f.txt", {}, "dest/f.txt"},
        TPathCase{"SubFolders", u"sub\\deeper\\", u"f.txt", {}, "dest/sub/deeper/f.txt"},
        TPathCase{"PlainConcatenation", u"pre", u"f.txt", {}, "dest/pref.txt"},
        TPathCase{"DotsInsideNames", u"..data\\", u"f..txt", {}, "dest/..data/f..txt"},
        TPathCase{"DollarIntoDest", u"$", u"f.txt", true, "dest/f.txt"},
        TPathCase{"DollarIgnoresTheRest", u"$sub\\", u"f.txt", true, "dest/f.txt"},
        TPathCase{"System", u"$System$", u"f.txt", false, "sys/f.txt"},
        TPathCase{"SystemTokenInAnyCase", u"$sYSTEM$System\\", u"f.txt", false, "sys/System/f.txt"},
        TPathCase{"Third", u"$Third$", u"f.txt", false, "sys/f.txt"},
        TPathCase{"ThirdInAnyCaseWithFolder", u"$tHIRD$lib\\", u"f.txt", false, "sys/lib/f.txt"},
        TPathCase{"Parent", u"..\\", u"f.txt", {}, "", kLeavesDest},
        TPathCase{"ParentFurtherDown", u"sub\\..\\..\\", u"f.txt", {}, "", kLeavesDest},
        TPathCase{"ParentAcrossFolderAndName", u"sub\\.", u".\\f.txt", {}, "", kLeavesDest},
        TPathCase{"ParentInName", u"", u"..\\f.txt", {}, "", kLeavesDest},
        TPathCase{"Rooted", u"\\abs\\", u"f.txt", {}, "", kLeavesDest},
        TPathCase{"RootedWithSlash", u"/abs/", u"f.txt", {}, "", kLeavesDest},
        TPathCase{"DriveLetter", u"C:\\x\\", u"f.txt", {}, "", kLeavesDest},
        TPathCase{"StreamName", u"", u"f.txt:hidden", {}, "", kLeavesDest},
        TPathCase{"DotsWithTrailingSpace", u".. \\", u"f.txt", {}, "", kLeavesDest},
        TPathCase{"ThreeDots", u"...\\", u"f.txt", {}, "", kLeavesDest},
        TPathCase{"DeviceName", u"", u"CON", {}, "", kLeavesDest},
        TPathCase{"DeviceNameWithExtension", u"sub\\", u"aux .txt", {}, "", kLeavesDest},
        TPathCase{"DeviceNameAsFolder", u"Nul\\", u"f.txt", {}, "", kLeavesDest},
        TPathCase{"PortName", u"", u"com1.log", {}, "", kLeavesDest},
        TPathCase{"PortNameInSystemFolder", u"$System$", u"LPT9", false, "", kLeavesSys},
        TPathCase{"DeviceWordInsideName", u"console\\", u"nul_.txt", {}, "dest/console/nul_.txt"},
        TPathCase{"PortNumberTooLong", u"", u"COM10", {}, "dest/COM10"},
        TPathCase{"DollarWithParentInName", u"$", u"..\\f.txt", true, "", kLeavesDest},
        TPathCase{"SystemWithParent", u"$System$..\\", u"f.txt", false, "", kLeavesSys},
        TPathCase{"SystemTwice", u"$System$$system$", u"f.txt", false, "", kLeavesSys},
        TPathCase{"LowerCaseSystem", u"$system$", u"f.txt", false, "", kNoToken},
        TPathCase{"UpperCaseSystem", u"$SYSTEM$", u"f.txt", false, "", kNoToken},
        TPathCase{"NoToken", u"$Other\\", u"f.txt", false, "", kNoToken},
        TPathCase{"TokenNotFirst", u"$x$System$", u"f.txt", false, "", kNoToken},
        TPathCase{"ThirdBesideTheWordSystem", u"$Third$System\\", u"f.txt", false, "", kNoToken}),
    [](const auto& info) { return std::string(info.param.name); });

// A good first row shows that a refused table writes nothing at all.
TEST_P(PathRulesTest, PlacesTheFileOrRefusesTheTable) {
  const TPathCase& c = GetParam();
  TExtraction extraction(
      MakePackage({{u"", u"first.txt", "1"}, {c.folder, c.fileName, "payload", c.toDestDir}}));
  if (c.error.empty()) {
    extraction.Run();
    TTree expected = {{"dest/first.txt", "1"}, {c.target, "payload"}};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(extraction.Written(), expected);
  } else {
    EXPECT_EQ(extraction.Error(), c.error);
    EXPECT_EQ(extraction.Written(), TTree{});
  }
}

// ---------------------------------------------------------------------------
// Progress and system files

std::vector<TFileSpec> FilesOfSizes(const std::vector<std::size_t>& sizes) {
  std::vector<TFileSpec> files;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    files.push_back(
        {u"", u"f" + IntToStr(static_cast<std::int64_t>(i)), std::string(sizes[i], 'z')});
  }
  return files;
}

struct TProgressCase {
  const char* name;
  std::vector<std::size_t> sizes;
  std::vector<int> reports;
};

class ProgressTest : public testing::TestWithParam<TProgressCase> {};

INSTANTIATE_TEST_SUITE_P(Cases, ProgressTest,
                         testing::Values(TProgressCase{"HalfDownToEven", {1, 1, 6}, {12, 25, 100}},
                                         TProgressCase{
                                             "HalfUpToEven", {1, 1, 1, 5}, {12, 25, 38, 100}},
                                         TProgressCase{"AllEmpty", {0, 0, 0}, {100, 100, 100}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(ProgressTest, ReportsAfterEachFile) {
  TExtraction extraction(MakePackage(FilesOfSizes(GetParam().sizes)));
  EXPECT_EQ(extraction.Reports(), GetParam().reports);
  EXPECT_EQ(extraction.Written().size(), GetParam().sizes.size());
}

TEST(ProgressTest, WithoutCallbackWritesTheSameFiles) {
  const std::string package = MakePackage(FilesOfSizes({1, 1, 6}));
  TExtraction withCallback(package);
  withCallback.Reports();
  TExtraction without(package);
  without.Run();
  EXPECT_EQ(without.Written(), withCallback.Written());
}

TEST(SystemFilesTest, KeepsExistingOnesAndStillFindsTheNextMember) {
  TExtraction extraction(MakePackage({{u"$System$", u"kept.dll", "AAAA", false},
                                      {u"$System$", u"new.dll", "NN", false},
                                      {u"", u"after.txt", "TT"},
                                      {u"$Third$", u"kept2.dll", "BB", false}}));
  WriteBytes(extraction.Out() / "sys" / "kept.dll", "old");
  WriteBytes(extraction.Out() / "sys" / "kept2.dll", "old2");
  // Skipped files count as done but are not reported.
  EXPECT_EQ(extraction.Reports(), (std::vector<int>{60, 80}));
  const TTree expected = {{"dest/after.txt", "TT"},
                          {"sys/kept.dll", "old"},
                          {"sys/kept2.dll", "old2"},
                          {"sys/new.dll", "NN"}};
  EXPECT_EQ(extraction.Written(), expected);
}

TEST(DestinationTest, IsMadeWithItsParentsAndExistingFilesAreReplaced) {
  TTempDir dir;
  WriteBytes(dir.Path() / "p.stp", MakePackage({{u"", u"a.txt", "new"}, {u"", u"b.txt", ""}}));
  ExtractPackage(dir.File("p.stp"), dir.Folder("x/y/z"), u"", {}, dir.Folder("sys"));
  WriteBytes(dir.Path() / "x" / "y" / "z" / "b.txt", "longer old text");
  ExtractPackage(dir.File("p.stp"), dir.Folder("x/y/z"), u"", {}, dir.Folder("sys"));
  const TTree expected = {{"a.txt", "new"}, {"b.txt", ""}};
  EXPECT_EQ(TreeOf(dir.Path() / "x" / "y" / "z"), expected);
}

// ---------------------------------------------------------------------------
// Members

std::string Flipped(std::string bytes, std::size_t at) {
  bytes[at] = static_cast<char>(bytes[at] ^ 0x01);
  return bytes;
}

const std::string kSix = DeflateMember("abcdef");

struct TMemberCase {
  const char* name;
  std::string member;
  std::int32_t size;
  std::string content;         // of f.txt when the member is accepted
  std::u16string error = u"";  // zlib's message; "short" for the end before the size
};

class MemberTest : public testing::TestWithParam<TMemberCase> {};

INSTANTIATE_TEST_SUITE_P(
    Cases, MemberTest,
    testing::Values(
        TMemberCase{"Whole", kSix, 6, "abcdef"},
        TMemberCase{"EmptyFileConsumesItsMember", kSix, 0, ""},
        TMemberCase{"LongerStreamIsCut", kSix, 3, "abc"},
        TMemberCase{"BytesAfterTheStreamAreIgnored", DeflateMember("abc") + "junk", 3, "abc"},
        TMemberCase{"EmptyMemberForEmptyFile", "", 0, ""},
        // The stream does not end inside the member, so there is no check
        // value to verify; the bytes are all there.
        TMemberCase{"CutBeforeTheCheckValue", kSix.substr(0, kSix.size() - 4), 6, "abcdef"},
        TMemberCase{"StreamEndsBeforeTheSize", DeflateMember("abc"), 5, "", u"short"},
        TMemberCase{"EmptyMemberForBytes", "", 2, "", u"short"},
        TMemberCase{"CutInsideTheData", kSix.substr(0, 3), 6, "", u"short"},
        TMemberCase{"FlippedCheckValue", Flipped(kSix, kSix.size() - 1), 6, "",
                    u"incorrect data check"},
        TMemberCase{"FlippedCheckValueAfterTheSize", Flipped(kSix, kSix.size() - 1), 3, "",
                    u"incorrect data check"},
        TMemberCase{"FlippedHeader", Flipped(kSix, 1), 6, "", u"incorrect header check"}),
    [](const auto& info) { return std::string(info.param.name); });

std::string PackageOfMember(const std::string& member, std::int32_t size) {
  const std::string next = DeflateMember("next");
  const std::vector<TPackageEntry> entries = {
      {u"", u"f.txt", static_cast<std::int32_t>(member.size()), size},
      {u"", u"next.txt", static_cast<std::int32_t>(next.size()), 4}};
  return member + next + PackageTail(Encipher(FileTableText(entries)));
}

TEST_P(MemberTest, TakesExactlyTheExpandedSize) {
  const TMemberCase& c = GetParam();
  TExtraction extraction(PackageOfMember(c.member, c.size));
  if (c.error.empty()) {
    extraction.Run();
    const TTree expected = {{"dest/f.txt", c.content}, {"dest/next.txt", "next"}};
    EXPECT_EQ(extraction.Written(), expected);
  } else {
    const std::u16string error = c.error == u"short" ? u"Unexpected end of compressed data in \"" +
                                                           extraction.Dest() + u"f.txt\""
                                                     : c.error;
    EXPECT_EQ(extraction.Error(), error);
    EXPECT_FALSE(fs::exists(extraction.Out() / "dest" / "next.txt"));
  }
}

TEST(MemberTest, LargeFilesPassThroughTheBuffersUnchanged) {
  std::mt19937 random(7);
  std::string noise(700 * 1024, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  std::string text;
  while (text.size() < 900 * 1024) text += "a line of text that repeats itself\n";
  TExtraction extraction(MakePackage(
      {{u"", u"noise.bin", noise}, {u"", u"text.txt", text}, {u"", u"tail.bin", noise + text}}));
  extraction.Run();
  const TTree expected = {
      {"dest/noise.bin", noise}, {"dest/tail.bin", noise + text}, {"dest/text.txt", text}};
  EXPECT_EQ(extraction.Written(), expected);
}

// ---------------------------------------------------------------------------
// Damaged tables: refused before any file is written

struct TTableCase {
  const char* name;
  std::u16string secondRow;
  std::u16string error;
};

class DamagedTableTest : public testing::TestWithParam<TTableCase> {};

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedTableTest,
    testing::Values(
        TTableCase{"RowShortOfCells", u"sub\\,a.txt,5", u"List index out of bounds (3)"},
        TTableCase{"DollarRowWithoutFlag", u"$,a.txt,0,1", u"List index out of bounds (4)"},
        TTableCase{"SizeNotANumber", u",a.txt,0,one", u"''one'' is not a valid integer value"},
        TTableCase{"PackedSizeNotANumber", u",a.txt,zz,1", u"''zz'' is not a valid integer value"},
        TTableCase{"FlagNotABoolean", u"$,a.txt,0,1,maybe",
                   u"'maybe' is not a valid boolean value"},
        TTableCase{"NegativeSize", u",a.txt,0,-1",
                   u"Damaged file table: row 2 has a negative size"},
        TTableCase{"NegativePackedSize", u",a.txt,-1,1",
                   u"Damaged file table: row 2 has a negative size"},
        TTableCase{"SizesAddUpTo2GiB", u",a.txt,0,2147483647",
                   u"Damaged file table: the files add up to 2 GiB or more"},
        TTableCase{"MemberPastTheMembers", u",a.txt,1,1", u"Stream read error"}),
    [](const auto& info) { return std::string(info.param.name); });

// The first row is sound and its member is the package's only one.
std::string PackageWithSecondRow(const std::u16string& secondRow) {
  const std::string member = DeflateMember("1");
  const std::u16string table =
      u",first.txt," + IntToStr(static_cast<std::int64_t>(member.size())) + u",1|" + secondRow;
  return member + PackageTail(Encipher(table));
}

TEST_P(DamagedTableTest, WritesNothing) {
  TExtraction extraction(PackageWithSecondRow(GetParam().secondRow));
  EXPECT_EQ(extraction.Error(), GetParam().error);
  EXPECT_EQ(extraction.Written(), TTree{});
}

TEST(DamagedTableTest, TableThatDoesNotDecipherWritesNothing) {
  TExtraction notACipherString(DeflateMember("1") + PackageTail(u"not a cipher string"));
  EXPECT_EQ(notACipherString.Error(), u"List index out of bounds (3)");
  TExtraction wrongPassPhrase(MakePackage({{u"", u"f.txt", "1"}}));
  EXPECT_EQ(wrongPassPhrase.Error(u"secret"), u"List index out of bounds (3)");
  EXPECT_EQ(notACipherString.Written(), TTree{});
  EXPECT_EQ(wrongPassPhrase.Written(), TTree{});
}

// ---------------------------------------------------------------------------
// File system errors

#ifdef _WIN32
const std::u16string kNotFound = u"File not found";
const std::u16string kIsFolder = u"Access denied";
#else
const std::u16string kNotFound = u"No such file or directory";
const std::u16string kIsFolder = u"Is a directory";
#endif

TEST(FileErrorsTest, NameTheFileAndTheReason) {
  TTempDir dir;
  const std::u16string missing = dir.File("missing.stp");
  EXPECT_EQ(MessageOf([&] { ExtractPackage(missing, dir.Folder("d"), u"", {}, dir.Folder("s")); }),
            u"Cannot open file \"" + missing + u"\". " + kNotFound);
  TExtraction extraction(MakePackage({{u"", u"f.txt", "1"}}));
  fs::create_directories(extraction.Out() / "dest" / "f.txt");
  EXPECT_EQ(extraction.Error(),
            u"Cannot create file \"" + extraction.Dest() + u"f.txt\". " + kIsFolder);
}

// ---------------------------------------------------------------------------
// Verifying

TEST(VerifyTest, InflatesEveryMemberAndWritesNothing) {
  TTempDir dir;
  const std::vector<TFileSpec> files = {{u"sub\\", u"a.txt", "aaaa"},
                                        {u"$System$", u"kept.dll", "dll", false}};
  WriteBytes(dir.Path() / "sound.stp", MakePackage(files));
  const TPackageSummary summary = VerifyPackage(dir.File("sound.stp"), u"");
  EXPECT_TRUE(summary.holdsFiles);
  EXPECT_EQ(summary.files, 2);
  EXPECT_EQ(summary.bytes, 7);

  // The damaged member belongs to a system file, which an extraction may
  // skip; verifying still finds it.
  const std::string package = MakePackage(files);
  const std::size_t lastMemberByte = DeflateMember("aaaa").size() + DeflateMember("dll").size() - 1;
  WriteBytes(dir.Path() / "damaged.stp", Flipped(package, lastMemberByte));
  EXPECT_EQ(MessageOf([&] { VerifyPackage(dir.File("damaged.stp"), u""); }),
            u"incorrect data check");
  EXPECT_EQ(TreeOf(dir.Path()).size(), 2u) << "the two packages only";
}

#ifdef _WIN32
TEST(SystemDirectoryTest, WithoutSysDirGoesToTheWindowsSystemDirectory) {
  const std::u16string sysDir = GetSystemDir();
  ASSERT_FALSE(sysDir.empty());
  const fs::path added = fs::path(sysDir) / "tessera-extract-test-added.dat";
  const fs::path kept = fs::path(sysDir) / "tessera-extract-test-kept.dat";
  fs::remove(added);
  WriteBytes(kept, "old");
  TTempDir dir;
  WriteBytes(dir.Path() / "p.stp",
             MakePackage({{u"$System$", u"tessera-extract-test-added.dat", "new", false},
                          {u"$Third$", u"tessera-extract-test-kept.dat", "other", false}}));
  ExtractPackage(dir.File("p.stp"), dir.Folder("dest"), u"", {});
  EXPECT_EQ(ReadBytes(added), "new");
  EXPECT_EQ(ReadBytes(kept), "old");
  fs::remove(added);
  fs::remove(kept);
}
#endif

}  // namespace
