// The publisher's package tool: each command registers itself here.
#pragma once

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// The words of the command line as UTF-8, on Windows too (main converts them
// from the wide command line).
using TArgs = std::vector<std::string>;

struct TCommand {
  const char* name;               // the command word
  const char* summary;            // one line for the tool's help
  const char* usage;              // the command's help: synopsis and options
  int (*run)(const TArgs& args);  // arguments after the command word; exit code
};

// A wrong call: main prints the message and the command's usage, exit code 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Registers a command from a file-scope object in its own source file.
struct TCommandRegistration {
  explicit TCommandRegistration(const TCommand& command);
};

// A short option and the long name it stands for, as {"-o", "--output"}.
using TAliases = std::vector<std::pair<std::string, std::string>>;

// Option parsing shared by the commands: "--name VALUE" pairs and flags.
class TOptions {
 public:
  // Parses args; names that take a value and flags without one; anything else
  // that starts with "--" is a UsageError. A word listed in aliases counts as
  // its long name. Other words are kept as positionals.
  TOptions(const TArgs& args, const std::vector<std::string>& valued,
           const std::vector<std::string>& flags, const TAliases& aliases = {});
  bool Has(const std::string& name) const;
  std::string Get(const std::string& name, const std::string& fallback = {}) const;
  // An integer option; a UsageError when it is not one.
  long GetInt(const std::string& name, long fallback) const;
  const std::vector<std::string>& Positionals() const { return fPositionals; }

 private:
  std::vector<std::pair<std::string, std::string>> fValues;
  std::vector<std::string> fPositionals;
};

// A command-line word as text.
std::u16string ArgText(const std::string& word);

// A selector option from 0 to last: required when there is no fallback.
int Selector(const TOptions& options, const std::string& name, int last,
             std::optional<int> fallback = std::nullopt);

// All of standard input as bytes.
std::string ReadStdin();
// Bytes to standard output, unchanged.
void WriteStdout(const std::string& bytes);
