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

// A file open for reading and writing, held from its creation to its end: the
// setup's package file is written and then read through the same one.
class TFile : public TReadFile, public TWriteFile {
 public:
  // The file goes when it is closed, and not anything that took its name
  // meanwhile. False where the system cannot do that (before Vista): the
  // caller then deletes the name after closing.
  virtual bool DeleteWhenClosed() = 0;
};

// "Cannot open file \"%s\". <reason>" when the file cannot be opened.
std::unique_ptr<TReadFile> OpenRead(const std::u16string& path);
// Creates the file or empties an existing one; "Cannot create file \"%s\".
// <reason>" on failure.
std::unique_ptr<TWriteFile> Create(const std::u16string& path);

// Creates base + relative for the elevated writers, where others may own the
// folders below base: the folders of relative are made as needed, and none of
// them, nor the file's own name, may be a symbolic link, junction or other
// reparse point, or a second name of another file; otherwise "Cannot create
// file \"%s\". <reason>" before anything is written or removed. base itself
// is followed. An existing file of that name is replaced. On Windows others
// may read the open file but not write, rename or delete it.
std::unique_ptr<TFile> CreateBelow(const std::u16string& base, const std::u16string& relative);
// Makes the folders of base + folder (a relative folder ending in "\") under
// the same rule; raises as CreateBelow when one cannot be made or is a link.
void ForceFoldersBelow(const std::u16string& base, const std::u16string& folder);

bool DirectoryExists(const std::u16string& path);
// A file, not a directory.
bool FileExists(const std::u16string& path);
// Creates the directory with its missing parents; true when it exists after.
bool ForceDirectories(const std::u16string& path);

}  // namespace fileaccess
