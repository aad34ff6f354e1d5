// The package commands: build, list, extract and verify.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "datatable/DataTable.h"
#include "package/Container.h"
#include "package/Package.h"
#include "support/Errors.h"
#include "support/Text.h"
#include "tools/stpack/Commands.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kManifestName = "stpack.manifest";
constexpr int kDefaultCipher = 5;  // Rijndael
constexpr int kDefaultHash = 3;    // SHA-256

std::string Out(std::u16string_view text) { return Utf16ToUtf8(text); }

// A folder as the extractor takes it: ending in a separator.
std::u16string AsFolder(std::u16string folder) {
  if (folder.empty() || (folder.back() != u'\\' && folder.back() != u'/')) folder += u'\\';
  return folder;
}

void RequirePositionals(const TOptions& options, std::size_t count) {
  if (options.Positionals().size() != count) throw UsageError("wrong number of arguments");
}

// ---------------------------------------------------------------------------
// build

// Files that do not go below the destination folder, by their relative path
// with "\" separators.
struct TManifest {
  std::vector<std::u16string> system;
  std::vector<std::u16string> root;
};

std::u16string RelativeText(const fs::path& relative) {
  std::u16string text;
  for (const fs::path& part : relative) {
    if (!text.empty()) text += u'\\';
    text += part.u16string();
  }
  return text;
}

std::u16string ManifestPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return Utf8ToUtf16(path);
}

TManifest ReadManifest(const fs::path& payload) {
  TManifest manifest;
  std::ifstream in(payload / kManifestName);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const std::size_t space = line.find_first_of(" \t");
    const std::string word = line.substr(0, space);
    const std::size_t pathAt = line.find_first_not_of(" \t", space);
    if (space == std::string::npos || pathAt == std::string::npos ||
        (word != "system" && word != "root")) {
      throw Exception(u"stpack.manifest, line " + IntToStr(number) +
                      u": expected \"system PATH\" or \"root PATH\"");
    }
    (word == "system" ? manifest.system : manifest.root)
        .push_back(ManifestPath(line.substr(pathAt)));
  }
  return manifest;
}

struct TPayloadFile {
  fs::path source;
  std::u16string relative;  // "\" separators
};

// Every file below the payload folder but the manifest, sorted by path.
std::vector<TPayloadFile> PayloadFiles(const fs::path& payload, const fs::path& output) {
  std::vector<TPayloadFile> files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(payload)) {
    if (!entry.is_regular_file()) continue;
    const fs::path relative = entry.path().lexically_relative(payload);
    if (relative == kManifestName) continue;
    if (fs::exists(output) && fs::equivalent(entry.path(), output)) continue;
    files.push_back({entry.path(), RelativeText(relative)});
  }
  std::sort(files.begin(), files.end(),
            [](const TPayloadFile& a, const TPayloadFile& b) { return a.relative < b.relative; });
  return files;
}

bool Listed(const std::vector<std::u16string>& paths, const std::u16string& relative) {
  return std::find(paths.begin(), paths.end(), relative) != paths.end();
}

TPackageEntry EntryFor(const std::u16string& relative, const TManifest& manifest) {
  const std::size_t slash = relative.rfind(u'\\');
  const std::u16string name = slash == std::u16string::npos ? relative : relative.substr(slash + 1);
  if (Listed(manifest.system, relative)) return {u"$System$", name, 0, 0, false};
  if (Listed(manifest.root, relative)) return {u"$", name, 0, 0, true};
  const std::u16string folder = slash == std::u16string::npos ? u"" : relative.substr(0, slash + 1);
  return {folder, name, 0, 0, std::nullopt};
}

void CheckManifestFiles(const TManifest& manifest, const std::vector<TPayloadFile>& files) {
  for (const auto* list : {&manifest.system, &manifest.root}) {
    for (const std::u16string& path : *list) {
      const bool found = std::any_of(files.begin(), files.end(),
                                     [&](const TPayloadFile& f) { return f.relative == path; });
      if (!found) throw Exception(u"stpack.manifest names a file that is not there: " + path);
    }
  }
}

// Printable characters from 0x30 on, so that every selector can be encoded
// below them, derived from the table: the same table gives the same package.
std::u16string DerivedText(std::u16string_view table, std::uint8_t purpose, std::size_t length) {
  const auto hash = CreateHash(3);
  std::vector<std::uint8_t> digest(static_cast<std::size_t>(hash->GetHashSize() / 8));
  hash->Init();
  hash->Update(&purpose, 1);
  hash->UpdateStr(table);
  hash->Final(digest.data());
  std::u16string text;
  for (std::size_t i = 0; i < length; ++i) text += static_cast<char16_t>(0x30 + digest[i] % 0x4F);
  return text;
}

// How the file table is enciphered.
struct TTableCipher {
  int cipher = kDefaultCipher;
  int hash = kDefaultHash;
  std::u16string passPhrase;
  bool randomSalt = false;
};

TTableCipher TableCipherOf(const TOptions& options) {
  return {Selector(options, "--cipher", 8, kDefaultCipher),
          Selector(options, "--hash", 4, kDefaultHash), ArgText(options.Get("--pass")),
          options.Has("--random-salt")};
}

std::u16string CipherStringFor(const std::u16string& table, const TTableCipher& how) {
  const std::size_t block = InitVectorLength(how.cipher);
  const std::u16string salt = how.randomSalt ? RandomSalt() : DerivedText(table, 0, 8);
  const std::u16string vector =
      how.randomSalt ? RandomPrintable(block) : DerivedText(table, 1, block);
  return EncryptCipherString(table, how.passPhrase, how.cipher, how.hash, salt, vector);
}

struct TPackedFile {
  fs::path source;
  TPackageEntry entry;
};

// A row as the extractor will read it, back from the table's text form, and
// checked by the extractor's own rules: a package that the setup would refuse
// is not written.
void CheckRow(const TPayloadFile& file, const TPackageEntry& entry, int index) {
  try {
    const auto table = FileTableOf(FileTableText({entry}));
    if (table->ItemCount() != 1) throw Exception(u"the name does not keep to one row");
    CheckFileTableRow(table->Items(0), index);
  } catch (const Exception& e) {
    throw Exception(u"Cannot pack \"" + file.relative + u"\": " + e.Message());
  }
}

// What goes into the package, in member order, checked before anything is
// written.
std::vector<TPackedFile> PackedFiles(const fs::path& payload, const fs::path& output) {
  const TManifest manifest = ReadManifest(payload);
  const std::vector<TPayloadFile> files = PayloadFiles(payload, output);
  if (files.empty()) throw Exception(u"The payload folder holds no files");
  CheckManifestFiles(manifest, files);
  std::vector<TPackedFile> packed;
  for (const TPayloadFile& file : files) {
    packed.push_back({file.source, EntryFor(file.relative, manifest)});
    CheckRow(file, packed.back().entry, static_cast<int>(packed.size() - 1));
  }
  return packed;
}

void WritePackage(const std::vector<TPackedFile>& files, const fs::path& output,
                  const TTableCipher& how) {
  TPackageWriter writer(output.u16string());
  for (const TPackedFile& file : files) writer.AddFile(file.source.u16string(), file.entry);
  writer.Finish(CipherStringFor(FileTableText(writer.Entries()), how));
  std::int64_t size = 0;
  for (const TPackageEntry& entry : writer.Entries()) size += entry.size;
  std::cout << files.size() << " files, " << size << " bytes, package " << fs::file_size(output)
            << " bytes\n";
}

int RunBuild(const TArgs& args) {
  const TOptions options(args, {"--output", "--cipher", "--hash", "--pass"}, {"--random-salt"},
                         {{"-o", "--output"}});
  RequirePositionals(options, 1);
  if (!options.Has("--output")) throw UsageError("option -o is required");
  const fs::path payload(ArgText(options.Positionals()[0]));
  const fs::path output(ArgText(options.Get("--output")));
  const TTableCipher how = TableCipherOf(options);
  if (!fs::is_directory(payload)) {
    throw Exception(u"Not a folder: " + payload.u16string());
  }
  const std::vector<TPackedFile> files = PackedFiles(payload, output);
  try {
    WritePackage(files, output, how);
  } catch (...) {
    // A package cut short would look like a damaged one.
    std::error_code ignored;
    fs::remove(output, ignored);
    throw;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// list

int RunList(const TArgs& args) {
  const TOptions options(args, {"--pass"}, {});
  RequirePositionals(options, 1);
  const std::u16string file = ArgText(options.Positionals()[0]);
  const auto table = LoadFileTable(file, ArgText(options.Get("--pass")));
  if (!table) {
    std::cerr << Out(file) << ": holds nothing to extract\n";
    return 0;
  }
  std::string text;
  for (int i = 0; i < table->ItemCount(); ++i) {
    TRow& row = table->Items(i);
    for (int j = 0; j < row.ItemCount(); ++j) {
      if (j > 0) text += '\t';
      text += Out(row.Items(j).Text());
    }
    text += '\n';
  }
  WriteStdout(text);
  return 0;
}

// ---------------------------------------------------------------------------
// extract

bool StderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

void DrawBar(std::int32_t percent) {
  constexpr int kWidth = 40;
  const int filled = percent * kWidth / 100;
  std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
               std::string(kWidth - filled, '.').c_str(), static_cast<int>(percent));
  std::fflush(stderr);
}

TExtractProgressEvent ProgressFor(bool porcelain, bool& barDrawn) {
  if (porcelain) {
    return [](std::int32_t percent) { WriteStdout(std::to_string(percent) + "\n"); };
  }
  if (!StderrIsTerminal()) return {};
  return [&barDrawn](std::int32_t percent) {
    DrawBar(percent);
    barDrawn = true;
  };
}

void Extract(const std::u16string& file, const std::u16string& dest, const TOptions& options,
             const TExtractProgressEvent& onProgress) {
  const std::u16string pass = ArgText(options.Get("--pass"));
  if (options.Has("--system-dir")) {
    ExtractPackage(file, dest, pass, onProgress, AsFolder(ArgText(options.Get("--system-dir"))));
  } else {
#ifdef _WIN32
    ExtractPackage(file, dest, pass, onProgress);
#else
    ExtractPackage(file, dest, pass, onProgress, AsFolder(dest + u"System"));
#endif
  }
}

int RunExtract(const TArgs& args) {
  const TOptions options(args, {"--pass", "--system-dir"}, {"--porcelain"});
  RequirePositionals(options, 2);
  bool barDrawn = false;
  const TExtractProgressEvent onProgress = ProgressFor(options.Has("--porcelain"), barDrawn);
  try {
    Extract(ArgText(options.Positionals()[0]), AsFolder(ArgText(options.Positionals()[1])), options,
            onProgress);
  } catch (...) {
    if (barDrawn) std::cerr << "\n";
    throw;
  }
  if (barDrawn) std::cerr << "\n";
  return 0;
}

// ---------------------------------------------------------------------------
// verify

int RunVerify(const TArgs& args) {
  const TOptions options(args, {"--pass"}, {});
  RequirePositionals(options, 1);
  const std::u16string file = ArgText(options.Positionals()[0]);
  try {
    const TPackageSummary summary = VerifyPackage(file, ArgText(options.Get("--pass")));
    if (!summary.holdsFiles) {
      std::cout << Out(file) << ": sound, holds nothing to extract\n";
    } else {
      std::cout << Out(file) << ": sound, " << summary.files << " files, " << summary.bytes
                << " bytes\n";
    }
    return 0;
  } catch (const std::exception& e) {
    std::cerr << Out(file) << ": not sound: " << e.what() << "\n";
    return 1;
  }
}

const TCommandRegistration gBuild(
    {"build", "pack a payload folder into a setup package",
     "Usage: stpack build PAYLOAD_DIR -o|--output FILE [--cipher N] [--hash N]"
     " [--pass TEXT] [--random-salt]\n"
     "\n"
     "Packs every file below PAYLOAD_DIR, one member each, in the\n"
     "order of their paths; sub-folders stay sub-folders.\n"
     "PAYLOAD_DIR/stpack.manifest, if there, is not packed; its\n"
     "lines name files by their path below PAYLOAD_DIR:\n"
     "  system PATH   into the system directory (kept if there)\n"
     "  root PATH     into the destination folder itself\n"
     "Lines starting with # are comments.\n"
     "\n"
     "  --cipher N     cipher selector 0-8 of the file table (5)\n"
     "  --hash N       hash selector 0-4 (3)\n"
     "  --pass TEXT    pass phrase (empty: what the setup uses)\n"
     "  --random-salt  a random salt and vector; by default both\n"
     "                 derive from the table, so the same\n"
     "                 payload gives the same bytes\n",
     RunBuild});

const TCommandRegistration gList({"list", "print a package's file table",
                                  "Usage: stpack list FILE [--pass TEXT]\n"
                                  "\n"
                                  "Prints each row of the file table on a line, its cells\n"
                                  "separated by tabs: folder, name, packed size, size, flag.\n",
                                  RunList});

const TCommandRegistration gExtract(
    {"extract", "unpack a package as the setup does",
     "Usage: stpack extract FILE DEST [--pass TEXT] [--system-dir DIR] [--porcelain]\n"
     "\n"
     "Unpacks FILE into the folder DEST.\n"
     "  --system-dir DIR  where the system-directory files go (Windows: the\n"
     "                    system directory; elsewhere: DEST/System)\n"
     "  --porcelain       each percentage reported, alone on a line of stdout\n",
     RunExtract});

const TCommandRegistration gVerify({"verify", "check a package without writing anything",
                                    "Usage: stpack verify FILE [--pass TEXT]\n"
                                    "\n"
                                    "Reads the file table and inflates every member as extract\n"
                                    "would. Exit code 0 when the package is sound, 1 when not.\n",
                                    RunVerify});

}  // namespace
