// Helpers for the package tests: temporary folders, files, and packages built
// in memory from rows.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "package/Package.h"
#include "support/testing/MessageOf.h"

namespace packagetesting {

namespace fs = std::filesystem;

// A folder of its own below the temporary folder, removed with everything in
// it at the end.
class TTempDir {
 public:
  TTempDir() {
    std::random_device random;
    fPath = fs::temp_directory_path() / ("tessera-pkg-" + std::to_string(random()));
    fs::create_directories(fPath);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  ~TTempDir() {
    std::error_code ignored;
    fs::remove_all(fPath, ignored);
  }

  const fs::path& Path() const { return fPath; }
  // A path below the folder, as text.
  std::u16string File(const std::string& relative) const { return (fPath / relative).u16string(); }
  // A folder below this one as the extractor takes it: ending in a separator.
  std::u16string Folder(const std::string& relative) const {
    return (fPath / relative / "").u16string();
  }

 private:
  fs::path fPath;
};

inline void WriteBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The file's bytes, or nothing when it does not exist.
inline std::optional<std::string> ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every file below root by its relative path with "/", and its bytes.
inline std::vector<std::pair<std::string, std::string>> TreeOf(const fs::path& root) {
  std::vector<std::pair<std::string, std::string>> files;
  if (!fs::exists(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      files.emplace_back(entry.path().lexically_relative(root).generic_string(),
                         *ReadBytes(entry.path()));
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

// A cipher string of text with the empty pass phrase.
inline std::u16string Encipher(const std::u16string& text) {
  return EncryptCipherString(text, u"", 5, 3, u"Tessera!", u"0123456789abcdef");
}

// One payload file of a package made in memory.
struct TFileSpec {
  std::u16string folder;
  std::u16string name;
  std::string content;
  std::optional<bool> toDestDir = std::nullopt;
};

// Members, then the table, its length and the usual trailer.
inline std::string MakePackage(const std::vector<TFileSpec>& files) {
  std::string members;
  std::vector<TPackageEntry> entries;
  for (const TFileSpec& file : files) {
    const std::string member = DeflateMember(file.content);
    members += member;
    entries.push_back({file.folder, file.name, static_cast<std::int32_t>(member.size()),
                       static_cast<std::int32_t>(file.content.size()), file.toDestDir});
  }
  return members + PackageTail(Encipher(FileTableText(entries)));
}

}  // namespace packagetesting
