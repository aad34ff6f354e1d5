// Reading the container: the file table at the end of a package.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "package/FileAccess.h"

class TDataTable;

// Where a package's file table begins (the members end there at the latest)
// and its text, a cipher string.
struct TFileTableText {
  std::int64_t offset = 0;
  std::u16string cipherString;
};

// The file table found from the trailer; nothing when the length field is not
// smaller than the package. "Stream read error" when the trailer, the length
// field or the table lies outside the file.
std::optional<TFileTableText> ReadFileTableText(fileaccess::TReadFile& package);

// The table of a plain table text, read with column 1 as its convert column.
std::unique_ptr<TDataTable> FileTableOf(std::u16string_view plainText);

// The table of a cipher string: deciphered and read with column 1 as its
// convert column.
std::unique_ptr<TDataTable> NewFileTable(const std::u16string& cipherString,
                                         const std::u16string& passPhrase);
