// The setup package: cipher strings, the container format and the extractor.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "package/crypto/Crypt.h"
#include "support/Errors.h"

// ---------------------------------------------------------------------------
// Cipher strings

// The plain text of a cipher string, or the empty text when anything is wrong;
// never raises.
std::u16string DecryptCipherString(std::u16string_view text, std::u16string_view passPhrase);

// New, uninitialised objects for the selectors of a cipher string's header
// (hash 0 to 4, cipher 0 to 8).
std::unique_ptr<TCrypt_hash> CreateHash(int selector);
std::unique_ptr<TCrypt_cipher> CreateCipher(int selector);

// The inverse of DecryptCipherString, for the publisher's tool. The salt is 8
// characters and the vector one block of characters (ignored for the stream
// cipher), all from U+0020 to U+007E, as are the two header characters it
// chooses; so the result reads the same in every ANSI code page. Raises
// EConvertError for a salt, vector or selector that cannot be encoded so.
std::u16string EncryptCipherString(std::u16string_view plainText, std::u16string_view passPhrase,
                                   int cipherSelector, int hashSelector, std::u16string_view salt,
                                   std::u16string_view initVector);

// The length of the vector that a cipher string for the cipher selector
// carries: the block size in bytes, 0 for the stream cipher.
std::size_t InitVectorLength(int cipherSelector);

// Random printable ASCII (U+0020 to U+007E) from the system's random source:
// a vector of the given length, and a salt with which every pair of
// selectors can be encoded.
std::u16string RandomPrintable(std::size_t length);
std::u16string RandomSalt();

// ---------------------------------------------------------------------------
// Package container and extractor

// Percent done, 0 to 100, after each file written.
using TExtractProgressEvent = std::function<void(std::int32_t percent)>;

// A member that is not valid zlib data, with zlib's message, or that ends
// before its file's expanded size.
class EZDecompressionError : public Exception {
 public:
  using Exception::Exception;
};

class TDataTable;
namespace fileaccess {
class TReadFile;
}

// Unpacks packageFile into destDir (ending in "\"), and the files marked for
// the system directory into sysDir (ending in "\"). Rejects a damaged file
// table before it writes anything. onProgress may be empty. destDir and
// sysDir are followed; below them nothing is written through a link
// (fileaccess::CreateBelow).
void ExtractPackage(const std::u16string& packageFile, const std::u16string& destDir,
                    const std::u16string& passPhrase, const TExtractProgressEvent& onProgress,
                    const std::u16string& sysDir);
// The same from a package that the caller holds open.
void ExtractPackage(fileaccess::TReadFile& package, const std::u16string& destDir,
                    const std::u16string& passPhrase, const TExtractProgressEvent& onProgress,
                    const std::u16string& sysDir);
#ifdef _WIN32
// Both with the Windows system directory.
void ExtractPackage(const std::u16string& packageFile, const std::u16string& destDir,
                    const std::u16string& passPhrase, const TExtractProgressEvent& onProgress);
void ExtractPackage(fileaccess::TReadFile& package, const std::u16string& destDir,
                    const std::u16string& passPhrase, const TExtractProgressEvent& onProgress);
#endif

// The deciphered file table of a package (column 1 its convert column), or
// null when the package holds nothing to extract.
std::unique_ptr<TDataTable> LoadFileTable(const std::u16string& packageFile,
                                          const std::u16string& passPhrase);

class TRow;

// Raises what ExtractPackage raises for this row of a file table (index
// counts from 0) on its own: missing or malformed cells, a negative size, a
// folder or name that would leave its base folder or that Windows reads as a
// drive, stream or device.
void CheckFileTableRow(TRow& row, int index);

struct TPackageSummary {
  bool holdsFiles = false;  // false: the length field says there is nothing to extract
  std::int32_t files = 0;
  std::int32_t bytes = 0;  // the expanded sizes added up
};

// Reads the whole package as ExtractPackage does, every member inflated and
// checked, and writes nothing; raises what ExtractPackage would raise.
TPackageSummary VerifyPackage(const std::u16string& packageFile, const std::u16string& passPhrase);

// ---------------------------------------------------------------------------
// Writing packages (the publisher's tool)

// One row of a file table.
struct TPackageEntry {
  std::u16string folder;  // relative, ending in "\", or a form that begins with "$"
  std::u16string name;
  std::int32_t packedSize = 0;
  std::int32_t size = 0;
  std::optional<bool> toDestDir = std::nullopt;  // column 4; written only when set
};

// One zlib stream at the highest level (32 KiB window): 0x78 0xDA ...
std::string DeflateMember(std::string_view data);

// The rows in the data table text form: cells joined by ",", rows by "|",
// and "," and "|" of a name carried as U+001A and U+001B. Raises for a folder
// or name that the form cannot carry.
std::u16string FileTableText(const std::vector<TPackageEntry>& entries);

// What follows the members: the table as ANSI bytes, its length and the
// trailer 0x0A 0x14 0x02.
std::string PackageTail(std::u16string_view cipherString);

// Writes a package member by member through bounded buffers.
class TPackageWriter {
 public:
  explicit TPackageWriter(const std::u16string& packageFile);
  ~TPackageWriter();
  TPackageWriter(const TPackageWriter&) = delete;
  TPackageWriter& operator=(const TPackageWriter&) = delete;

  // Deflates the file at source as the member of a new row.
  void AddFile(const std::u16string& source, TPackageEntry entry);
  const std::vector<TPackageEntry>& Entries() const { return fEntries; }
  // Writes the enciphered table and the trailer; the package is complete.
  void Finish(std::u16string_view cipherString);

 private:
  struct TOutput;
  std::unique_ptr<TOutput> fOutput;
  std::vector<TPackageEntry> fEntries;
  std::int64_t fPacked = 0;
  std::int64_t fSize = 0;
};
