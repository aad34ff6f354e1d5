// The cipher-string commands: decipher and encipher, standard input to
// standard output.
#include <string>

#include "package/Package.h"
#include "support/Errors.h"
#include "support/Text.h"
#include "tools/stpack/Commands.h"

namespace {

void RequireNoPositionals(const TOptions& options) {
  if (!options.Positionals().empty()) {
    throw UsageError("unexpected argument " + options.Positionals().front());
  }
}

// Standard input as text; bytes that are not UTF-8 would change the text
// silently, so they are refused.
std::u16string ReadUtf8Stdin() {
  const std::string bytes = ReadStdin();
  std::u16string text = Utf8ToUtf16(bytes);
  if (Utf16ToUtf8(text) != bytes) throw Exception(u"standard input is not UTF-8");
  return text;
}

// Drops one final LF or CR LF.
std::u16string WithoutFinalLineBreak(std::u16string text) {
  if (text.empty() || text.back() != u'\n') return text;
  text.pop_back();
  if (!text.empty() && text.back() == u'\r') text.pop_back();
  return text;
}

std::string HexOfUtf16le(std::u16string_view text) {
  constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char16_t unit : text) {
    for (const unsigned byte : {unit & 0xFFu, unsigned{unit} >> 8}) {
      hex += kDigits[byte >> 4];
      hex += kDigits[byte & 0xF];
    }
  }
  return hex;
}

int RunDecipher(const TArgs& args) {
  const TOptions options(args, {"--pass"}, {"--hex"});
  RequireNoPositionals(options);
  const std::u16string text = WithoutFinalLineBreak(ReadUtf8Stdin());
  const std::u16string plain = DecryptCipherString(text, ArgText(options.Get("--pass")));
  if (plain.empty()) return 0;
  WriteStdout(options.Has("--hex") ? HexOfUtf16le(plain) + "\n" : Utf16ToUtf8(plain));
  return 0;
}

int RunEncipher(const TArgs& args) {
  const TOptions options(args, {"--cipher", "--hash", "--pass", "--salt", "--iv"}, {});
  RequireNoPositionals(options);
  const int cipher = Selector(options, "--cipher", 8);
  const int hash = Selector(options, "--hash", 4);
  const std::u16string salt = options.Has("--salt") ? ArgText(options.Get("--salt")) : RandomSalt();
  const std::u16string vector = options.Has("--iv") ? ArgText(options.Get("--iv"))
                                                    : RandomPrintable(InitVectorLength(cipher));
  const std::u16string plain = ReadUtf8Stdin();
  std::u16string text;
  try {
    text = EncryptCipherString(plain, ArgText(options.Get("--pass")), cipher, hash, salt, vector);
  } catch (const EConvertError& e) {
    throw UsageError(e.what());  // a salt or vector that the call got wrong
  }
  WriteStdout(Utf16ToUtf8(text) + "\n");
  return 0;
}

const TCommandRegistration gDecipher(
    {"decipher", "print the plain text of a cipher string",
     "Usage: stpack decipher [--pass TEXT] [--hex]\n"
     "\n"
     "Reads one cipher string (UTF-8) from standard input and writes its plain\n"
     "text to standard output as UTF-8. A final line break of the input is\n"
     "ignored. A cipher string that does not decipher prints nothing: a wrong\n"
     "header or vector, damaged Base64 or an empty body.\n"
     "\n"
     "  --pass TEXT  pass phrase (empty: what the setup uses)\n"
     "  --hex        the plain text's UTF-16LE bytes in lower-case hex instead,\n"
     "               on one line\n",
     RunDecipher});

const TCommandRegistration gEncipher(
    {"encipher", "make a cipher string of a plain text",
     "Usage: stpack encipher --cipher N --hash N [--pass TEXT] [--salt EIGHT] [--iv TEXT]\n"
     "\n"
     "Reads a plain text (UTF-8) from standard input, all of it, and writes its\n"
     "cipher string and a line break to standard output.\n"
     "\n"
     "  --cipher N    0 Blowfish, 1 CAST-128, 2 CAST-256, 3 DES, 4 Triple DES,\n"
     "                5 Rijndael, 6 RC4, 7 Twofish, 8 IDEA\n"
     "  --hash N      0 HAVAL, 1 MD5, 2 SHA-1, 3 SHA-256, 4 SHA-512\n"
     "  --pass TEXT   pass phrase (empty: what the setup uses)\n"
     "  --salt EIGHT  8 characters from space to ~ (random by default); the\n"
     "                4th and 5th must lie at least N above space for the\n"
     "                cipher's and the hash's N\n"
     "  --iv TEXT     the vector: one block of such characters, 8 for Blowfish,\n"
     "                CAST-128, DES, Triple DES and IDEA, 16 for the others\n"
     "                (random by default; RC4 takes none)\n",
     RunEncipher});

}  // namespace
