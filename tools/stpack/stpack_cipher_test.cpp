// stpack decipher and encipher, run as the separate program they are.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#include "support/Support.h"

namespace fs = std::filesystem;

namespace {

struct TRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Files for one run's standard streams, removed afterwards.
class TStreams {
 public:
  explicit TStreams(const std::string& input) {
    static int counter = 0;
#ifdef _WIN32
    const auto process = GetCurrentProcessId();
#else
    const auto process = getpid();
#endif
    fDir = fs::temp_directory_path() /
           ("stpack_cipher_test_" + std::to_string(process) + "_" + std::to_string(++counter));
    fs::create_directories(fDir);
    std::ofstream(In(), std::ios::binary) << input;
  }
  ~TStreams() {
    std::error_code ignored;
    fs::remove_all(fDir, ignored);
  }
  fs::path In() const { return fDir / "in"; }
  fs::path Out() const { return fDir / "out"; }
  fs::path Err() const { return fDir / "err"; }

 private:
  fs::path fDir;
};

#ifdef _WIN32
// Beside this test program, in the same build folder.
std::wstring ToolPath() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return (fs::path(std::wstring(path, length)).parent_path() / L"stpack.exe").wstring();
}

// One argument as the C runtime splits a command line.
std::wstring Quoted(const std::wstring& arg) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t ch : arg) {
    if (ch == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(ch == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += ch;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

std::wstring Wide(const std::string& utf8) {
  const std::u16string text = Utf8ToUtf16(utf8);
  return std::wstring(text.begin(), text.end());
}

HANDLE Inheritable(const fs::path& path, bool write) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(path.wstring().c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ,
                     &inherit, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

int Spawn(const std::vector<std::string>& args, const TStreams& streams) {
  const std::wstring tool = ToolPath();
  std::wstring commandLine = Quoted(tool);
  for (const std::string& arg : args) commandLine += L" " + Quoted(Wide(arg));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = Inheritable(streams.In(), false);
  startup.hStdOutput = Inheritable(streams.Out(), true);
  startup.hStdError = Inheritable(streams.Err(), true);
  PROCESS_INFORMATION process{};
  DWORD exitCode = 0xFFFFFFFF;
  if (CreateProcessW(tool.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                     &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) CloseHandle(h);
  return static_cast<int>(exitCode);
}
#else
int Spawn(const std::vector<std::string>& args, const TStreams& streams) {
  std::vector<std::string> words{STPACK_EXE};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, streams.In().c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, streams.Out().c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, streams.Err().c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  pid_t child = 0;
  int status = 0;
  const bool started = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0 &&
                       waitpid(child, &status, 0) == child;
  posix_spawn_file_actions_destroy(&actions);
  return started && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

TRun Stpack(const std::vector<std::string>& args, const std::string& input = {}) {
  const TStreams streams(input);
  TRun run;
  run.exitCode = Spawn(args, streams);
  run.out = ReadFile(streams.Out());
  run.err = ReadFile(streams.Err());
  return run;
}

const std::string kPlain =
    "Tessera.exe\t4.25\r\n\xC3\x9C"
    "ber \xE2\x82\xAC \xF0\x9F\x98\x80";
// AES-256 with SHA-256 and the empty pass phrase, and AES-192 with SHA-1 and
// the pass phrase "Brindle", both built with Python's hashlib and OpenSSL.
const std::string kAes =
    "Sa1tK3y!oH0123456789abcdefM79qvGz+d/7tLS95dnt+qNj+m/Vn5+2I65tA5PBd860enA8+VbmDlvwgixYns/"
    "fUvhqyc91V";
const std::string kAesWithPass =
    "Pepper#9kcIV for AES-192..JY/V+fWwCT4aktDEiSkypJoQyOs5l7ivHqvqMpOzSzDT0deDrmo/AWh/"
    "h2kxQdq6Gnhn7dSG";

// Inside code page 1252, so that it passes a narrow Windows command line too.
const std::string kPassPhrase = "p\xC3\xA4ssw\xC3\xB6rd\xE2\x82\xAC";

// ---------------------------------------------------------------------------
// decipher

TEST(StpackDecipher, PrintsThePlainText) {
  struct TCase {
    const char* name;
    std::string input;
    std::vector<std::string> args;
    std::string out;
  };
  const TCase cases[] = {
      // Three characters after the last group are ignored, four are a group
      // of their own: "QUJ" shows whether a line break was taken off.
      {"bare", kAes, {}, kPlain},
      {"final LF", kAes + "QUJ\n", {}, kPlain},
      {"final CR LF", kAes + "QUJ\r\n", {}, kPlain},
      {"only one line break goes", kAes + "QUJ\n\n", {}, ""},
      {"a lone CR stays", kAes + "QUJ\r", {}, ""},
      {"pass phrase", kAesWithPass, {"--pass", "Brindle"}, kPlain},
      {"hex", kAes.substr(0, 34), {"--hex"}, "540065007300\n"},
      {"not a cipher string", "Tessera", {}, ""},
      {"empty input", "", {"--hex"}, ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"decipher"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const TRun run = Stpack(args, c.input);
    EXPECT_EQ(run.exitCode, 0) << c.name << ": " << run.err;
    EXPECT_EQ(run.out, c.out) << c.name;
  }
}

// ---------------------------------------------------------------------------
// encipher

TEST(StpackEncipher, FixedSaltAndVectorGiveTheKnownString) {
  const TRun run = Stpack({"encipher", "--cipher", "5", "--hash", "3", "--salt", "Sa1tK3y!", "--iv",
                           "0123456789abcdef"},
                          kPlain);
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, kAes + "\n");
}

TEST(StpackEncipher, RandomSaltsDiffer) {
  const std::vector<std::string> args{"encipher", "--cipher", "8", "--hash", "4"};
  const TRun first = Stpack(args, kPlain);
  const TRun second = Stpack(args, kPlain);
  EXPECT_EQ(first.exitCode, 0) << first.err;
  EXPECT_NE(first.out, second.out);
  EXPECT_EQ(first.out.size(), second.out.size());
}

// encipher piped into decipher, for every cipher with every hash natively;
// under Wine, where each run costs about a second, each cipher and each hash
// once.
TEST(StpackEncipher, PipesIntoDecipher) {
  for (int c = 0; c < 9; ++c) {
    for (int h = 0; h < 5; ++h) {
#ifdef _WIN32
      if (h != c % 5) continue;
#endif
      for (const std::string& passPhrase : {std::string(), kPassPhrase}) {
        const std::string pair = std::to_string(c) + "/" + std::to_string(h) + " " + passPhrase;
        const TRun enciphered = Stpack({"encipher", "--cipher", std::to_string(c), "--hash",
                                        std::to_string(h), "--pass", passPhrase},
                                       kPlain);
        ASSERT_EQ(enciphered.exitCode, 0) << pair << ": " << enciphered.err;
        const TRun deciphered = Stpack({"decipher", "--pass", passPhrase}, enciphered.out);
        EXPECT_EQ(deciphered.exitCode, 0) << pair << ": " << deciphered.err;
        EXPECT_EQ(deciphered.out, kPlain) << pair;
      }
    }
  }
}

TEST(StpackEncipher, EmptyTextGivesHeaderAndVectorOnly) {
  const TRun run = Stpack({"encipher", "--cipher", "5", "--hash", "3", "--salt", "Sa1tK3y!", "--iv",
                           "0123456789abcdef"});
  EXPECT_EQ(run.out, kAes.substr(0, 26) + "\n");
  EXPECT_EQ(Stpack({"decipher"}, run.out).out, "");
}

TEST(StpackEncipher, RefusesInputThatIsNotUtf8) {
  const TRun run = Stpack({"encipher", "--cipher", "0", "--hash", "0"}, "caf\xE9");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("not UTF-8"), std::string::npos) << run.err;
}

// ---------------------------------------------------------------------------
// Wrong calls and help

TEST(StpackCipherCommands, WrongCallsExitWithUsage) {
  struct TCase {
    std::vector<std::string> args;
    const char* message;
  };
  const TCase cases[] = {
      {{"decipher", "extra"}, "unexpected argument extra"},
      {{"decipher", "--key", "x"}, "unknown option --key"},
      {{"decipher", "--pass"}, "option --pass needs a value"},
      {{"encipher", "--hash", "3"}, "option --cipher is required"},
      {{"encipher", "--cipher", "3"}, "option --hash is required"},
      {{"encipher", "--cipher", "9", "--hash", "3"}, "option --cipher takes 0 to 8"},
      {{"encipher", "--cipher", "3", "--hash", "-1"}, "option --hash takes 0 to 4"},
      {{"encipher", "--cipher", "x", "--hash", "3"}, "option --cipher needs a number"},
      {{"encipher", "--cipher", "3", "--hash", "3", "--salt", "short"}, "salt must be 8"},
      {{"encipher", "--cipher", "3", "--hash", "3", "--iv", "0123456789abcdef"},
       "vector must be 8"},
      {{"encipher", "--cipher", "8", "--hash", "0", "--salt", "abc!efgh"}, "cipher selector 8"},
  };
  for (const auto& c : cases) {
    const TRun run = Stpack(c.args, "text");
    EXPECT_EQ(run.exitCode, 2) << c.message;
    EXPECT_EQ(run.out, "") << c.message;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Usage: stpack " + c.args[0]), std::string::npos) << run.err;
  }
}

TEST(StpackCipherCommands, HelpPrintsTheUsage) {
  for (const std::string command : {"decipher", "encipher"}) {
    const TRun run = Stpack({command, "--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.rfind("Usage: stpack " + command, 0), 0u) << run.out;
  }
  const TRun overview = Stpack({"--help"});
  EXPECT_NE(overview.out.find("decipher"), std::string::npos);
  EXPECT_NE(overview.out.find("encipher"), std::string::npos);
}

}  // namespace
