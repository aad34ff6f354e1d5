// The package commands, run as the publisher runs them: build, list, extract
// and verify on a small payload folder.
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "package/PackageTesting.h"

using namespace packagetesting;

namespace {

struct TRun {
  int code = -1;
  std::string out;
  std::string err;
};

#ifdef _WIN32
// Under Wine the tool is found beside this test, where the build puts it.
std::wstring ToolPath() {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
  return path.substr(0, path.find_last_of(L'\\') + 1) + L"stpack.exe";
}

std::wstring Quoted(const std::wstring& arg) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  return quoted.append(backslashes * 2, L'\\') + L"\"";
}

HANDLE OutputFile(const fs::path& file) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  return CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

int Spawn(const std::vector<std::string>& args, const fs::path& out, const fs::path& err) {
  std::wstring line = Quoted(ToolPath());
  for (const std::string& arg : args) {
    const std::u16string text = Utf8ToUtf16(arg);
    line += L" " + Quoted(std::wstring(text.begin(), text.end()));
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = OutputFile(out);
  startup.hStdError = OutputFile(err);
  PROCESS_INFORMATION process{};
  DWORD code = 255;
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(startup.hStdOutput);
  CloseHandle(startup.hStdError);
  return static_cast<int>(code);
}
#else
int Spawn(const std::vector<std::string>& args, const fs::path& out, const fs::path& err) {
  std::vector<std::string> words = {STPACK_EXE};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
    dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

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

  TRun Run(const std::vector<std::string>& args) {
    TRun run;
    run.code = Spawn(args, fDir.Path() / "stdout", fDir.Path() / "stderr");
    run.out = ReadBytes(fDir.Path() / "stdout").value_or("");
    run.err = ReadBytes(fDir.Path() / "stderr").value_or("");
    // Standard error is a text stream on Windows.
    std::erase(run.err, '\r');
    return run;
  }
  // Builds the payload into name; the package's path.
  std::string Build(const std::string& name, std::vector<std::string> options = {}) {
    const std::string package = Path(name);
    std::vector<std::string> args = {"build", Payload().string(), "-o", package};
    args.insert(args.end(), options.begin(), options.end());
    const TRun run = Run(args);
    EXPECT_EQ(run.code, 0) << run.err;
    return package;
  }

  std::string Path(const std::string& name) const { return (fDir.Path() / name).string(); }
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

  const TRun list = Run({"list", package});
  EXPECT_EQ(list.code, 0) << list.err;
  EXPECT_EQ(list.out, "$System$\tTiles.dat\t" + Packed("tiles12345") + "\t10\tFalse\n" +
                          "\ta.txt\t" + Packed("0123456789") + "\t10\n" + "docs\\\tbig.bin\t" +
                          Packed(std::string(60, 'b')) + "\t60\n" + "$\treadme.txt\t" +
                          Packed("read me!\r\n") + "\t10\tTrue\n" + "sub dir\\\twe,ird.txt\t" +
                          Packed("comma name") + "\t10\n");

  const TRun extract =
      Run({"extract", package, Path("dest"), "--system-dir", Path("sys"), "--porcelain"});
  EXPECT_EQ(extract.code, 0) << extract.err;
  EXPECT_EQ(extract.out, "10\n20\n80\n90\n100\n");
  const std::vector<std::pair<std::string, std::string>> dest = {
      {"a.txt", "0123456789"},
      {"docs/big.bin", std::string(60, 'b')},
      {"readme.txt", "read me!\r\n"},
      {"sub dir/we,ird.txt", "comma name"}};
  EXPECT_EQ(TreeOf(Path("dest")), dest);
  EXPECT_EQ(TreeOf(Path("sys")), (decltype(dest){{"Tiles.dat", "tiles12345"}}));

  const TRun verify = Run({"verify", package});
  EXPECT_EQ(verify.code, 0);
  EXPECT_EQ(verify.out, package + ": sound, 5 files, 100 bytes\n");
}

TEST_F(StpackTest, SameInputsGiveTheSameBytesUnlessTheSaltIsRandom) {
  const std::string first = *ReadBytes(Build("1.stp"));
  EXPECT_EQ(*ReadBytes(Build("2.stp")), first);
  const std::string random = Build("r.stp", {"--random-salt"});
  EXPECT_NE(*ReadBytes(random), first);
  EXPECT_EQ(Run({"verify", random}).code, 0);
}

TEST_F(StpackTest, CipherHashAndPassPhraseChooseTheTableCipherString) {
  const std::string package = Build("p.stp", {"--cipher", "6", "--hash", "1", "--pass", "s3cret"});
  std::size_t members = 0;
  for (const auto& [path, content] : kFiles) members += DeflateMember(content).size();
  const std::string header = ReadBytes(package)->substr(members, 10);
  EXPECT_EQ(header[3] - header[8], 6);
  EXPECT_EQ(header[4] - header[9], 1);

  EXPECT_EQ(Run({"verify", package, "--pass", "s3cret"}).code, 0);
  const TRun withoutPass = Run({"verify", package});
  EXPECT_EQ(withoutPass.code, 1);
  EXPECT_EQ(withoutPass.err, package + ": not sound: List index out of bounds (3)\n");
}

TEST_F(StpackTest, DamagedPackageIsNotSoundAndDoesNotExtract) {
  const std::string package = Build("p.stp");
  std::string bytes = *ReadBytes(package);
  const std::size_t firstMemberEnd = DeflateMember("tiles12345").size();
  bytes[firstMemberEnd - 1] = static_cast<char>(bytes[firstMemberEnd - 1] ^ 0x01);
  WriteBytes(package, bytes);

  const TRun verify = Run({"verify", package});
  EXPECT_EQ(verify.code, 1);
  EXPECT_EQ(verify.err, package + ": not sound: incorrect data check\n");
  const TRun extract = Run({"extract", package, Path("dest"), "--system-dir", Path("sys")});
  EXPECT_EQ(extract.code, 1);
  EXPECT_EQ(extract.err, "stpack extract: incorrect data check\n");
  EXPECT_EQ(extract.out, "");

  const TRun missing = Run({"extract", Path("none.stp"), Path("dest")});
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
    const TRun run = Run({"build", Payload().string(), "-o", Path("p.stp")});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, c.error);
  }

  // Found while writing: the package begun is removed.
  fs::remove(Payload() / "stpack.manifest");
  fs::create_directories(Payload() / "a,b");
  WriteBytes(Payload() / "a,b" / "x.txt", "x");
  const TRun run = Run({"build", Payload().string(), "-o", Path("p.stp")});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.err, "stpack build: A file table cannot hold the folder \"a,b\\\"\n");
  EXPECT_FALSE(fs::exists(Path("p.stp")));

  const TRun usage = Run({"build", Payload().string(), "-o", Path("p.stp"), "--cipher", "9"});
  EXPECT_EQ(usage.code, 2);
  EXPECT_EQ(usage.err.rfind("stpack build: option --cipher takes 0 to 8\n", 0), 0u) << usage.err;
}

}  // namespace
