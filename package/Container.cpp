// The container: members from offset 0, then the file table, its length and a
// trailer whose two marker bytes give the trailer's length.
#include "package/Container.h"

#include "datatable/DataTable.h"
#include "package/Package.h"
#include "support/Errors.h"
#include "support/Text.h"

namespace {

std::uint8_t ByteAt(fileaccess::TReadFile& package, std::int64_t offset) {
  std::uint8_t byte = 0;
  package.ReadAt(offset, &byte, 1);
  return byte;
}

// 3, 10, 22 or 29 bytes, read from the end.
std::int64_t TrailerLength(fileaccess::TReadFile& package) {
  const std::int64_t size = package.Size();
  const std::int64_t u = ByteAt(package, size - 2) == 0x14 ? 2 : 9;
  return ByteAt(package, size - u - 1) == 0x0A ? u + 1 : u + 20;
}

std::int32_t LengthField(fileaccess::TReadFile& package, std::int64_t offset) {
  std::uint8_t bytes[4] = {};
  package.ReadAt(offset, bytes, 4);
  const std::uint32_t value =
      bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
  return static_cast<std::int32_t>(value);
}

}  // namespace

std::optional<TFileTableText> ReadFileTableText(fileaccess::TReadFile& package) {
  const std::int64_t lengthAt = package.Size() - TrailerLength(package) - 4;
  const std::int32_t length = LengthField(package, lengthAt);
  if (length >= package.Size()) return std::nullopt;
  const std::int64_t offset = lengthAt - length;
  if (length < 0 || offset < 0) throw EFileError(u"Stream read error");
  std::string bytes(static_cast<std::size_t>(length), '\0');
  package.ReadAt(offset, bytes.data(), bytes.size());
  return TFileTableText{offset, AnsiToUtf16(bytes)};
}

std::unique_ptr<TDataTable> FileTableOf(std::u16string_view plainText) {
  auto table = std::make_unique<TDataTable>(u"", TColumnSet{1});
  table->Init(plainText);
  return table;
}

std::unique_ptr<TDataTable> NewFileTable(const std::u16string& cipherString,
                                         const std::u16string& passPhrase) {
  return FileTableOf(DecryptCipherString(cipherString, passPhrase));
}

std::unique_ptr<TDataTable> LoadFileTable(const std::u16string& packageFile,
                                          const std::u16string& passPhrase) {
  const auto package = fileaccess::OpenRead(packageFile);
  const auto text = ReadFileTableText(*package);
  return text ? NewFileTable(text->cipherString, passPhrase) : nullptr;
}
