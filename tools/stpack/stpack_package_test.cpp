// The package commands, run as the publisher runs them: build, list, extract
// and verify on a small payload folder.
#include "package/PackageTesting.h"
#include "support/Text.h"
#include "tools/stpack/StpackRunner.h"

using namespace packagetesting;
using namespace stpacktesting;

namespace {

// A payload folder with a sub-folder, a system file and a file for the
// destination folder itself; 100 bytes in all.
class StpackTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(Payload() / "docs");
    fs::create_directories(Payload() / "sub dir");
    for (const auto& [path, content] : kFiles) WriteBytes(Payload() / path, content);
    WriteBytes(Payload() / "stpack.manifest",
               "# where the files go\nsystem Tiles.dat\nroot docs/readme.txt\n");
  }

  // Builds the payload into name; the package's path.
  std::string Build(const std::string& name, std::vector<std::string> options = {}) {
    const std::string package = Path(name);
    std::vector<std::string> args = {"build", Payload().string(), "-o", package};
    args.insert(args.end(), options.begin(), options.end());
    const TRun run = Stpack(args);
    EXPECT_EQ(run.code, 0) << run.err;
    return package;
  }

  // A path below the test's folder, in UTF-8 as the tool takes it.
  std::string Path(const std::string& name) const {
    return Utf16ToUtf8((fDir.Path() / fs::path(Utf8ToUtf16(name))).u16string());
  }
  fs::path Payload() const { return fDir.Path() / "payload"; }

  static inline const std::vector<std::pair<std::string, std::string>> kFiles = {
      {"Tiles.dat", "tiles12345"},
      {"a.txt", "0123456789"},
      {"docs/big.bin", std::string(60, 'b')},
      {"docs/readme.txt", "read me!\r\n"},
      {"sub dir/we,ird.txt", "comma name"}};

  TTempDir fDir;
};

std::string Packed(const std::string& content) {
  return std::to_string(DeflateMember(content).size());
}

TEST_F(StpackTest, BuildsAPackageThatListsExtractsAndVerifies) {
  const std::string package = Build("p.stp");
  const std::string bytes = *ReadBytes(package);
  EXPECT_EQ(bytes.substr(0, 2), "\x78\xDA");
  EXPECT_EQ(bytes.substr(bytes.size() - 3), "\x0A\x14\x02");

  const TRun list = Stpack({"list", package});
  EXPECT_EQ(list.code, 0) << list.err;
  EXPECT_EQ(list.out, "$System$\tTiles.dat\t" + Packed("tiles12345") + "\t10\tFalse\n" +
                          "\ta.txt\t" + Packed("0123456789") + "\t10\n" + "docs\\\tbig.bin\t" +
                          Packed(std::string(60, 'b')) + "\t60\n" + "$\treadme.txt\t" +
                          Packed("read me!\r\n") + "\t10\tTrue\n" + "sub dir\\\twe,ird.txt\t" +
                          Packed("comma name") + "\t10\n");

  const TRun extract =
      Stpack({"extract", package, Path("dest"), "--system-dir", Path("sys"), "--porcelain"});
  EXPECT_EQ(extract.code, 0) << extract.err;
  EXPECT_EQ(extract.out, "10\n20\n80\n90\n100\n");
  const std::vector<std::pair<std::string, std::string>> dest = {
      {"a.txt", "0123456789"},
      {"docs/big.bin", std::string(60, 'b')},
      {"readme.txt", "read me!\r\n"},
      {"sub dir/we,ird.txt", "comma name"}};
  EXPECT_EQ(TreeOf(Path("dest")), dest);
  EXPECT_EQ(TreeOf(Path("sys")), (decltype(dest){{"Tiles.dat", "tiles12345"}}));

  const TRun verify = Stpack({"verify", package});
  EXPECT_EQ(verify.code, 0);
  EXPECT_EQ(verify.out, package + ": sound, 5 files, 100 bytes\n");
}

TEST_F(StpackTest, SameInputsGiveTheSameBytesUnlessTheSaltIsRandom) {
  const std::string first = *ReadBytes(Build("1.stp"));
  EXPECT_EQ(*ReadBytes(Build("2.stp")), first);
  const std::string random = Build("r.stp", {"--random-salt"});
  EXPECT_NE(*ReadBytes(random), first);
  EXPECT_EQ(Stpack({"verify", random}).code, 0);
}

TEST_F(StpackTest, CipherHashAndPassPhraseChooseTheTableCipherString) {
  const std::string package = Build("p.stp", {"--cipher", "6", "--hash", "1", "--pass", "s3cret"});
  std::size_t members = 0;
  for (const auto& [path, content] : kFiles) members += DeflateMember(content).size();
  const std::string header = ReadBytes(package)->substr(members, 10);
  EXPECT_EQ(header[3] - header[8], 6);
  EXPECT_EQ(header[4] - header[9], 1);

  EXPECT_EQ(Stpack({"verify", package, "--pass", "s3cret"}).code, 0);
  const TRun withoutPass = Stpack({"verify", package});
  EXPECT_EQ(withoutPass.code, 1);
  EXPECT_EQ(withoutPass.err, package + ": not sound: List index out of bounds (3)\n");
}

// Names that no ANSI code page holds, in and out: a narrow Windows command
// line would turn them into "?".
TEST_F(StpackTest, PathsOutsideTheAnsiCodePage) {
  const std::string package = Build("\xCE\xA9 \xF0\x9F\x98\x80.stp");  // Omega, a smiley
  ASSERT_TRUE(fs::exists(fs::path(Utf8ToUtf16(package))));
  const TRun verify = Stpack({"verify", package});
  EXPECT_EQ(verify.code, 0) << verify.err;
  EXPECT_EQ(verify.out, package + ": sound, 5 files, 100 bytes\n");

  const std::string dest = Path("\xD0\x96 dest");  // Cyrillic Zhe
  const TRun extract = Stpack({"extract", package, dest, "--system-dir", Path("sys")});
  EXPECT_EQ(extract.code, 0) << extract.err;
  EXPECT_EQ(ReadBytes(fs::path(Utf8ToUtf16(dest)) / "a.txt"), "0123456789");
}

TEST_F(StpackTest, DamagedPackageIsNotSoundAndDoesNotExtract) {
  const std::string package = Build("p.stp");
  std::string bytes = *ReadBytes(package);
  const std::size_t firstMemberEnd = DeflateMember("tiles12345").size();
  bytes[firstMemberEnd - 1] = static_cast<char>(bytes[firstMemberEnd - 1] ^ 0x01);
  WriteBytes(package, bytes);

  const TRun verify = Stpack({"verify", package});
  EXPECT_EQ(verify.code, 1);
  EXPECT_EQ(verify.err, package + ": not sound: incorrect data check\n");
  const TRun extract = Stpack({"extract", package, Path("dest"), "--system-dir", Path("sys")});
  EXPECT_EQ(extract.code, 1);
  EXPECT_EQ(extract.err, "stpack extract: incorrect data check\n");
  EXPECT_EQ(extract.out, "");

  const TRun missing = Stpack({"extract", Path("none.stp"), Path("dest")});
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.err.rfind("stpack extract: Cannot open file \"" + Path("none.stp") + "\". ", 0),
            0u)
      << missing.err;
}

TEST_F(StpackTest, BuildReportsWhatItCannotPack) {
  struct TCase {
    std::string manifest;
    std::string error;
  };
  const std::vector<TCase> cases = {
      {"system Tiles.dat\nput a.txt\n",
       "stpack build: stpack.manifest, line 2: expected \"system PATH\" or \"root PATH\"\n"},
      {"system\n",
       "stpack build: stpack.manifest, line 1: expected \"system PATH\" or \"root PATH\"\n"},
      {"root none.dll\n",
       "stpack build: stpack.manifest names a file that is not there: none.dll\n"}};
  for (const TCase& c : cases) {
    WriteBytes(Payload() / "stpack.manifest", c.manifest);
    const TRun run = Stpack({"build", Payload().string(), "-o", Path("p.stp")});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, c.error);
  }
}

// A file that the setup's extractor would refuse stops the build before a
// byte is written; a package already there stays as it was.
TEST_F(StpackTest, BuildRefusesWhatTheSetupWouldNotExtract) {
  struct TCase {
    std::string path;  // below the payload folder
    std::string error;
  };
  std::vector<TCase> cases = {
      {"$docs/x.txt", "Cannot pack \"$docs\\x.txt\": List index out of bounds (4)"},
      {"$/x.txt", "Cannot pack \"$\\x.txt\": List index out of bounds (4)"},
      {"a,b/x.txt", "Cannot pack \"a,b\\x.txt\": A file table cannot hold the folder \"a,b\\\""},
  };
#ifndef _WIN32
  // Names that only other systems' folders can hold: a drive or stream ":",
  // devices, and dots that Windows would trim to "..".
  const std::string outside = "\": Damaged file table: row ";
  const std::vector<TCase> foreign = {
      {"a:b.txt", "Cannot pack \"a:b.txt" + outside + "3 leaves the destination folder"},
      {"docs/x:stream",
       "Cannot pack \"docs\\x:stream" + outside + "5 leaves the destination folder"},
      {"con.txt", "Cannot pack \"con.txt" + outside + "3 leaves the destination folder"},
      {"NUL", "Cannot pack \"NUL" + outside + "1 leaves the destination folder"},
      {"docs/Com1.log",
       "Cannot pack \"docs\\Com1.log" + outside + "3 leaves the destination folder"},
      {"aux/x.txt", "Cannot pack \"aux\\x.txt" + outside + "3 leaves the destination folder"},
      {"...", "Cannot pack \"..." + outside + "1 leaves the destination folder"},
  };
  cases.insert(cases.end(), foreign.begin(), foreign.end());
#endif
  const std::string package = Path("p.stp");
  for (const TCase& c : cases) {
    const fs::path bad = Payload() / c.path;
    fs::create_directories(bad.parent_path());
    WriteBytes(bad, "x");
    WriteBytes(package, "old");
    const TRun run = Stpack({"build", Payload().string(), "-o", package});
    EXPECT_EQ(run.code, 1) << c.path;
    EXPECT_EQ(run.err, "stpack build: " + c.error + "\n");
    EXPECT_EQ(ReadBytes(package), "old") << c.path;
    fs::remove(bad);
    if (fs::is_empty(bad.parent_path())) fs::remove(bad.parent_path());
  }
  // Without the bad files the same payload packs.
  Build("p.stp");
}

TEST_F(StpackTest, WrongBuildCallsExitWithUsage) {
  struct TCase {
    std::vector<std::string> options;
    std::string message;
  };
  const std::vector<TCase> cases = {
      {{"-o", Path("p.stp"), "--cipher", "9"}, "option --cipher takes 0 to 8"},
      {{"--output", Path("p.stp"), "--hash", "5"}, "option --hash takes 0 to 4"},
      {{}, "option -o is required"},
      {{"-o"}, "option -o needs a value"},
      {{"--output"}, "option --output needs a value"},
      {{"-o", Path("p.stp"), "-x"}, "wrong number of arguments"},
  };
  for (const TCase& c : cases) {
    std::vector<std::string> args = {"build", Payload().string()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const TRun usage = Stpack(args);
    EXPECT_EQ(usage.code, 2) << c.message;
    EXPECT_EQ(usage.err.rfind("stpack build: " + c.message + "\n\nUsage: stpack build", 0), 0u)
        << usage.err;
    EXPECT_FALSE(fs::exists(Path("p.stp"))) << c.message;
  }
}

TEST_F(StpackTest, OutputTakesTheLongAndTheShortName) {
  const std::string shortName = *ReadBytes(Build("short.stp"));
  const TRun run = Stpack({"build", Payload().string(), "--output", Path("long.stp")});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(ReadBytes(Path("long.stp")), shortName);
}

}  // namespace
