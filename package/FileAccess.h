// The file system as the package code needs it, behind one portable interface.
// Paths are UTF-16; on POSIX "\" is the path separator as on Windows, so a
// package's folders mean the same tree on both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace fileaccess {

// A file open for reading at any position.
class TReadFile {
 public:
  virtual ~TReadFile() = default;
  virtual std::int64_t Size() const = 0;
  // Exactly size bytes from offset on; "Stream read error" when the file
  // holds fewer or the read fails.
  virtual void ReadAt(std::int64_t offset, void* buffer, std::size_t size) = 0;
};

// A file open for writing from its start.
class TWriteFile {
 public:
  virtual ~TWriteFile() = default;
  // All of the bytes; "Stream write error" when they cannot be written.
  virtual void Write(const void* data, std::size_t size) = 0;
};

// "Cannot open file \"%s\". <reason>" when the file cannot be opened.
std::unique_ptr<TReadFile> OpenRead(const std::u16string& path);
// Creates the file or empties an existing one; "Cannot create file \"%s\".
// <reason>" on failure.
std::unique_ptr<TWriteFile> Create(const std::u16string& path);

bool DirectoryExists(const std::u16string& path);
// A file, not a directory.
bool FileExists(const std::u16string& path);
// Creates the directory with its missing parents; true when it exists after.
bool ForceDirectories(const std::u16string& path);

}  // namespace fileaccess
