// stpack: builds, lists, checks and unpacks setup packages, and enciphers and
// deciphers cipher strings.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <iterator>
#include <string_view>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "support/Text.h"
#include "tools/stpack/Commands.h"

namespace {

std::vector<TCommand>& Registry() {
  static std::vector<TCommand> commands;
  return commands;
}

void PrintHelp() {
  std::cout << "Usage: stpack COMMAND [OPTIONS]\n\nCommands:\n";
  for (const TCommand& c : Registry()) {
    std::cout << "  " << c.name
              << std::string(10 - std::min<std::size_t>(9, std::strlen(c.name)), ' ') << c.summary
              << "\n";
  }
  std::cout << "\n'stpack COMMAND --help' describes a command.\n";
}

const TCommand* Find(const std::string& name) {
  for (const TCommand& c : Registry()) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

bool IsHelp(const std::string& word) { return word == "--help" || word == "-h"; }

}  // namespace

TCommandRegistration::TCommandRegistration(const TCommand& command) {
  Registry().push_back(command);
}

TOptions::TOptions(const TArgs& args, const std::vector<std::string>& valued,
                   const std::vector<std::string>& flags, const TAliases& aliases) {
  auto listed = [](const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  auto longName = [&aliases](const std::string& word) {
    for (const auto& [alias, name] : aliases) {
      if (word == alias) return name;
    }
    return word;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& typed = args[i];  // messages name what was typed
    const std::string word = longName(typed);
    if (word.rfind("--", 0) != 0) {
      fPositionals.push_back(word);
    } else if (listed(flags, word)) {
      fValues.emplace_back(word, std::string());
    } else if (listed(valued, word)) {
      if (i + 1 >= args.size()) throw UsageError("option " + typed + " needs a value");
      fValues.emplace_back(word, args[++i]);
    } else {
      throw UsageError("unknown option " + typed);
    }
  }
}

bool TOptions::Has(const std::string& name) const {
  for (const auto& [key, value] : fValues) {
    if (key == name) return true;
  }
  return false;
}

std::string TOptions::Get(const std::string& name, const std::string& fallback) const {
  for (const auto& [key, value] : fValues) {
    if (key == name) return value;
  }
  return fallback;
}

long TOptions::GetInt(const std::string& name, long fallback) const {
  if (!Has(name)) return fallback;
  const std::string text = Get(name);
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0') throw UsageError("option " + name + " needs a number");
  return value;
}

std::u16string ArgText(const std::string& word) { return Utf8ToUtf16(word); }

int Selector(const TOptions& options, const std::string& name, int last,
             std::optional<int> fallback) {
  if (!fallback && !options.Has(name)) throw UsageError("option " + name + " is required");
  const long value = options.GetInt(name, fallback.value_or(0));
  if (value < 0 || value > last) {
    throw UsageError("option " + name + " takes 0 to " + std::to_string(last));
  }
  return static_cast<int>(value);
}

std::string ReadStdin() {
  return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
}

void WriteStdout(const std::string& bytes) {
  std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  std::cout.flush();
}

namespace {

// args[0] is the program.
int Run(const TArgs& words) {
#ifdef _WIN32
  // Bytes pass unchanged: no CR LF translation.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  std::sort(Registry().begin(), Registry().end(),
            [](const TCommand& a, const TCommand& b) { return std::strcmp(a.name, b.name) < 0; });
  if (words.size() < 2) {
    PrintHelp();
    return 2;
  }
  const std::string& word = words[1];
  if (IsHelp(word)) {
    PrintHelp();
    return 0;
  }
  const TCommand* command = Find(word);
  if (!command) {
    std::cerr << "stpack: unknown command '" << word << "'\n";
    PrintHelp();
    return 2;
  }
  const TArgs args(words.begin() + 2, words.end());
  if (!args.empty() && IsHelp(args[0])) {
    std::cout << command->usage;
    return 0;
  }
  try {
    return command->run(args);
  } catch (const UsageError& e) {
    std::cerr << "stpack " << command->name << ": " << e.what() << "\n\n" << command->usage;
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "stpack " << command->name << ": " << e.what() << "\n";
    return 1;
  }
}

}  // namespace

#ifdef _WIN32
// The wide entry (-municode): a narrow main() would get the words in the ANSI
// code page, losing every character that the code page lacks.
int wmain(int argc, wchar_t** argv) {
  TArgs words;
  for (int i = 0; i < argc; ++i) {
    const std::wstring_view word(argv[i]);
    words.push_back(Utf16ToUtf8(std::u16string(word.begin(), word.end())));
  }
  return Run(words);
}
#else
int main(int argc, char** argv) { return Run(TArgs(argv, argv + argc)); }
#endif
