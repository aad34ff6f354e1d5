// The extractor runs elevated in a destination that others may own: links
// planted below it are never written through, and the file access layer
// fails cleanly on a read before the start of a file.
#include <cerrno>

#include "package/FileAccess.h"
#include "package/PackageTesting.h"
#include "support/Text.h"

using namespace packagetesting;

namespace {

#ifndef _WIN32

const std::u16string kNothingRaised = u"(nothing raised)";

// out/dest/ as the destination, and beside it victim/ with one file in it and
// victim.txt: what a planted link points at.
class LinkTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(Out() / "dest");
    fs::create_directories(Out() / "sys");
    fs::create_directories(fDir.Path() / "victim");
    WriteBytes(fDir.Path() / "victim" / "kept.txt", "victim's own");
    WriteBytes(fDir.Path() / "victim.txt", "victim file");
  }

  fs::path Out() const { return fDir.Path() / "out"; }
  fs::path Victims() const { return fDir.Path() / "victim"; }
  std::u16string Dest() const { return fDir.Folder("out/dest"); }

  void Plant(const std::string& link, const fs::path& target) {
    fs::create_directories((Out() / "dest" / link).parent_path());
    fs::create_symlink(target, Out() / "dest" / link);
  }

  std::u16string Extract(const std::vector<TFileSpec>& files) {
    WriteBytes(fDir.Path() / "p.stp", MakePackage(files));
    return MessageOf(
        [&] { ExtractPackage(fDir.File("p.stp"), Dest(), u"", {}, fDir.Folder("out/sys")); });
  }

  void ExpectVictimsUntouched() {
    const std::vector<std::pair<std::string, std::string>> victimFolder = {
        {"kept.txt", "victim's own"}};
    EXPECT_EQ(TreeOf(Victims()), victimFolder);
    EXPECT_EQ(ReadBytes(fDir.Path() / "victim.txt"), "victim file");
  }

  TTempDir fDir;
};

struct TLinkCase {
  const char* name;
  std::string link;    // below dest/
  bool toFolder;       // the victim folder, else the victim file
  TFileSpec file;      // the package's one row
  std::string failed;  // the path named by the error, below dest/
};

void PrintTo(const TLinkCase& c, std::ostream* out) { *out << c.name; }

class PlantedLinkTest : public LinkTest, public testing::WithParamInterface<TLinkCase> {};

// Refused before anything is written: the error names the link.
TEST_P(PlantedLinkTest, IsNotWrittenThrough) {
  const TLinkCase& c = GetParam();
  Plant(c.link, c.toFolder ? Victims() : fDir.Path() / "victim.txt");
  const std::u16string error = Extract({c.file});
  const std::u16string prefix = u"Cannot create file \"" + Dest() + Utf8ToUtf16(c.failed) + u"\". ";
  EXPECT_EQ(error.substr(0, prefix.size()), prefix) << Utf16ToUtf8(error);
  ExpectVictimsUntouched();
}

INSTANTIATE_TEST_SUITE_P(
    Links, PlantedLinkTest,
    testing::Values(
        TLinkCase{"FolderOfTheFile", "docs", true, {u"docs\\", u"kept.txt", "planted"}, "docs\\"},
        TLinkCase{"FolderAboveTheFolder",
                  "docs",
                  true,
                  {u"docs\\sub\\", u"new.txt", "planted"},
                  "docs\\"},
        TLinkCase{"DeeperFolder", "a/b", true, {u"a\\b\\c\\", u"kept.txt", "planted"}, "a\\b\\"},
        TLinkCase{
            "TheFileItself", "Tessera.exe", false, {u"", u"Tessera.exe", "planted"}, "Tessera.exe"},
        TLinkCase{"TheFileInAFolder",
                  "docs/readme.txt",
                  false,
                  {u"docs\\", u"readme.txt", "planted"},
                  "docs\\readme.txt"},
        TLinkCase{"TheFileIntoTheDestination",
                  "readme.txt",
                  false,
                  {u"$", u"readme.txt", "planted", true},
                  "readme.txt"}),
    [](const testing::TestParamInfo<TLinkCase>& info) { return info.param.name; });

// A link to a file that does not exist yet: it is not made through the link.
TEST_F(LinkTest, ADanglingLinkMakesNoFileWhereItPoints) {
  Plant("new.txt", Victims() / "new.txt");
  EXPECT_NE(Extract({{u"", u"new.txt", "planted"}}), kNothingRaised);
  ExpectVictimsUntouched();
}

// A second name of another file is replaced by a file of its own.
TEST_F(LinkTest, AHardLinkIsReplacedNotWritten) {
  fs::create_hard_link(fDir.Path() / "victim.txt", Out() / "dest" / "f.txt");
  EXPECT_EQ(Extract({{u"", u"f.txt", "new bytes"}}), kNothingRaised);
  EXPECT_EQ(ReadBytes(Out() / "dest" / "f.txt"), "new bytes");
  ExpectVictimsUntouched();
}

// The destination itself is the user's choice: a link there is followed.
TEST_F(LinkTest, TheDestinationItselfIsFollowed) {
  fs::remove(Out() / "dest");
  fs::create_symlink(Victims(), Out() / "dest");
  EXPECT_EQ(Extract({{u"sub\\", u"f.txt", "new"}}), kNothingRaised);
  EXPECT_EQ(ReadBytes(Victims() / "sub" / "f.txt"), "new");
}

#endif  // _WIN32

// The file written is the file read back, while it stays open; it goes only
// when asked to.
TEST(HeldFileTest, ReadsWhatItWroteAndDeletesOnlyWhenAsked) {
  TTempDir dir;
  for (const bool remove : {false, true}) {
    SCOPED_TRACE(remove ? "deleted" : "kept");
    {
      const auto file = fileaccess::CreateBelow(dir.Folder(""), u"held\\Tessera.stp");
      file->Write("package", 7);
      EXPECT_EQ(file->Size(), 7);
      char back[7] = {};
      file->ReadAt(0, back, sizeof back);
      EXPECT_EQ(std::string(back, sizeof back), "package");
      if (remove) {
        EXPECT_TRUE(file->DeleteWhenClosed());
      }
    }
    EXPECT_EQ(fs::exists(dir.Path() / "held" / "Tessera.stp"), !remove);
  }
}

// A file shorter than its trailer asks for bytes before its start. The answer
// is the read error, also when errno holds EINTR from an earlier call.
TEST(ReadBeforeStartTest, FailsWhateverErrnoHolds) {
  TTempDir dir;
  WriteBytes(dir.Path() / "short.stp", "\x14\x02");
  const auto file = fileaccess::OpenRead(dir.File("short.stp"));
  char buffer[4];
  errno = EINTR;
  EXPECT_EQ(MessageOf([&] { file->ReadAt(-2, buffer, sizeof buffer); }), u"Stream read error");
  errno = EINTR;
  EXPECT_EQ(MessageOf([&] {
              ExtractPackage(dir.File("short.stp"), dir.Folder("d"), u"", {}, dir.Folder("s"));
            }),
            u"Stream read error");
}

}  // namespace
