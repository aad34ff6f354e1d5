// stpack decipher and encipher, run as the separate program they are.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/stpack/StpackRunner.h"

using namespace stpacktesting;

namespace {

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
    EXPECT_EQ(run.code, 0) << c.name << ": " << run.err;
    EXPECT_EQ(run.out, c.out) << c.name;
  }
}

// ---------------------------------------------------------------------------
// encipher

TEST(StpackEncipher, FixedSaltAndVectorGiveTheKnownString) {
  const TRun run = Stpack({"encipher", "--cipher", "5", "--hash", "3", "--salt", "Sa1tK3y!", "--iv",
                           "0123456789abcdef"},
                          kPlain);
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, kAes + "\n");
}

TEST(StpackEncipher, RandomSaltsDiffer) {
  const std::vector<std::string> args{"encipher", "--cipher", "8", "--hash", "4"};
  const TRun first = Stpack(args, kPlain);
  const TRun second = Stpack(args, kPlain);
  EXPECT_EQ(first.code, 0) << first.err;
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
        ASSERT_EQ(enciphered.code, 0) << pair << ": " << enciphered.err;
        const TRun deciphered = Stpack({"decipher", "--pass", passPhrase}, enciphered.out);
        EXPECT_EQ(deciphered.code, 0) << pair << ": " << deciphered.err;
        EXPECT_EQ(deciphered.out, kPlain) << pair;
      }
    }
  }
}

// Characters that no ANSI code page holds reach the command as they are: a
// narrow Windows command line would turn both pass phrases into the same "?"s.
TEST(StpackEncipher, PassPhraseOutsideTheAnsiCodePage) {
  const std::string passPhrase = "\xCE\xA9\xF0\x9F\x98\x80";  // Omega, a smiley
  const std::string another = "\xD0\x96\xF0\x9F\x98\x83";     // Zhe, another smiley
  const TRun enciphered =
      Stpack({"encipher", "--cipher", "5", "--hash", "3", "--pass", passPhrase}, kPlain);
  ASSERT_EQ(enciphered.code, 0) << enciphered.err;
  const TRun right = Stpack({"decipher", "--pass", passPhrase}, enciphered.out);
  EXPECT_EQ(right.code, 0) << right.err;
  EXPECT_EQ(right.out, kPlain);
  const TRun wrong = Stpack({"decipher", "--pass", another}, enciphered.out);
  EXPECT_EQ(wrong.code, 0) << wrong.err;
  EXPECT_NE(wrong.out, kPlain);
}

TEST(StpackEncipher, EmptyTextGivesHeaderAndVectorOnly) {
  const TRun run = Stpack({"encipher", "--cipher", "5", "--hash", "3", "--salt", "Sa1tK3y!", "--iv",
                           "0123456789abcdef"});
  EXPECT_EQ(run.out, kAes.substr(0, 26) + "\n");
  EXPECT_EQ(Stpack({"decipher"}, run.out).out, "");
}

TEST(StpackEncipher, RefusesInputThatIsNotUtf8) {
  const TRun run = Stpack({"encipher", "--cipher", "0", "--hash", "0"}, "caf\xE9");
  EXPECT_EQ(run.code, 1);
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
    EXPECT_EQ(run.code, 2) << c.message;
    EXPECT_EQ(run.out, "") << c.message;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Usage: stpack " + c.args[0]), std::string::npos) << run.err;
  }
}

TEST(StpackCipherCommands, HelpPrintsTheUsage) {
  for (const std::string command : {"decipher", "encipher"}) {
    const TRun run = Stpack({command, "--help"});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out.rfind("Usage: stpack " + command, 0), 0u) << run.out;
  }
  const TRun overview = Stpack({"--help"});
  EXPECT_NE(overview.out.find("decipher"), std::string::npos);
  EXPECT_NE(overview.out.find("encipher"), std::string::npos);
}

}  // namespace
