// Runs stpack as the separate program it is, through the command processor
// with its standard streams redirected to files, and collects what it wrote.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <stdlib.h>  // _wpgmptr, _pgmptr, _wsystem
#else
#include <sys/wait.h>
#endif

#include "package/PackageTesting.h"
#include "support/Text.h"

namespace stpacktesting {

namespace fs = std::filesystem;

struct TRun {
  int code = -1;  // the exit code; -1 when the tool did not end by itself
  std::string out;
  std::string err;  // without CR: standard error is a text stream on Windows
};

#ifdef _WIN32
// Beside this test program, where the build puts it.
inline fs::path ToolPath() {
  // The C runtime may fill in only the form that matches the program's main.
  const fs::path self = _wpgmptr && *_wpgmptr ? fs::path(_wpgmptr) : fs::path(AnsiToUtf16(_pgmptr));
  return self.parent_path() / L"stpack.exe";
}

// One word as the C runtime splits a command line. Inside the quotes the
// command processor leaves & | < > ^ alone.
inline std::wstring Quoted(const std::wstring& word) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : word) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

inline std::wstring Wide(const std::string& utf8) {
  const std::u16string text = Utf8ToUtf16(utf8);
  return std::wstring(text.begin(), text.end());
}

inline int RunCommand(const std::vector<std::string>& args, const fs::path& in, const fs::path& out,
                      const fs::path& err) {
  std::wstring line = Quoted(ToolPath().wstring());
  for (const std::string& arg : args) line += L" " + Quoted(Wide(arg));
  line += L" < " + Quoted(in.wstring()) + L" > " + Quoted(out.wstring()) + L" 2> " +
          Quoted(err.wstring());
  // cmd /c drops the first and the last quote of a line that has more than
  // two: the outer pair keeps the others.
  return _wsystem((L"\"" + line + L"\"").c_str());
}
#else
// One word for the shell: in single quotes, each ' as '\''.
inline std::string Quoted(const std::string& word) {
  std::string out = "'";
  for (const char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

inline int RunCommand(const std::vector<std::string>& args, const fs::path& in, const fs::path& out,
                      const fs::path& err) {
  std::string line = Quoted(STPACK_EXE);
  for (const std::string& arg : args) line += " " + Quoted(arg);
  line +=
      " < " + Quoted(in.string()) + " > " + Quoted(out.string()) + " 2> " + Quoted(err.string());
  const int status = std::system(line.c_str());
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

// Runs stpack with the arguments (UTF-8) and the bytes of input as its
// standard input.
inline TRun Stpack(const std::vector<std::string>& args, const std::string& input = {}) {
  const packagetesting::TTempDir streams;
  const fs::path in = streams.Path() / "in";
  const fs::path out = streams.Path() / "out";
  const fs::path err = streams.Path() / "err";
  packagetesting::WriteBytes(in, input);
  TRun run;
  errno = 0;
  run.code = RunCommand(args, in, out, err);
  const int runErrno = errno;
  const std::optional<std::string> errBytes = packagetesting::ReadBytes(err);
  run.out = packagetesting::ReadBytes(out).value_or("");
  run.err = errBytes.value_or("");
  std::erase(run.err, '\r');
  if (run.code == -1) {
    // The command processor did not start, or the tool ended without an exit
    // code of its own: the failure says which, with the C runtime's reason.
    run.err += "[no exit code: " + std::string(std::strerror(runErrno)) +
               (errBytes ? "; the tool's streams were opened]" : "; no streams were opened]");
  }
  return run;
}

}  // namespace stpacktesting
