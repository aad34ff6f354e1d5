// Package files of any bytes: extracting or verifying one either succeeds or
// raises the library's errors; extracting reports percentages that rise from
// 0 to 100 and writes nothing outside the destination and system folders.
//
// Input: one byte of options. With bit 0 set the rest is the package file as
// it is. Otherwise two bytes (little-endian) give the length n of a plain file
// table text, one unit per byte, which the next n bytes hold; the rest are the
// members. The table is then enciphered and the trailer added here, so that
// mutations reach the rows rather than dying in the cipher.
//
// The folders lie deep below a private root, and after each input the root
// may hold nothing but them, the package and their parents: a file that
// climbs out of its folder lands in the root and is found.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

#include "datatable/DataTable.h"
#include "package/Package.h"
#include "support/Errors.h"
#include "support/fuzz/FuzzTesting.h"

namespace {

namespace fs = std::filesystem;
using fuzztesting::Fail;

// Larger tables only cost time: they reach no code that smaller ones miss.
// Totals of 2 GiB or more are rejected before anything is written, so they
// stay in.
constexpr std::int64_t kMaxExpandedTotal = 1 << 20;
constexpr std::int64_t kRejectedTotal = std::int64_t{1} << 31;

class TScratch {
 public:
  TScratch()
      : fRoot(fs::temp_directory_path() / ("tessera-extract-fuzz-" + std::to_string(::getpid()))),
        fDeep(fRoot / "a" / "b" / "c" / "d" / "e" / "f" / "g" / "h"),
        fDest(fDeep / "dest"),
        fSys(fDeep / "sys"),
        fPackage(fDeep / "package.stp") {
    fs::remove_all(fRoot);
    fs::create_directories(fDeep);
  }
  TScratch(const TScratch&) = delete;
  TScratch& operator=(const TScratch&) = delete;
  ~TScratch() {
    std::error_code ignored;
    fs::remove_all(fRoot, ignored);
  }

  std::u16string Package() const { return fPackage.u16string(); }
  std::u16string DestDir() const { return fDest.u16string() + u"\\"; }
  std::u16string SysDir() const { return fSys.u16string() + u"\\"; }

  void Prepare(std::string_view package) {
    fs::create_directories(fSys);
    std::ofstream out(fPackage, std::ios::binary | std::ios::trunc);
    out.write(package.data(), static_cast<std::streamsize>(package.size()));
  }

  void CheckNothingOutside() const {
    for (auto it = fs::recursive_directory_iterator(fRoot); it != fs::end(it); ++it) {
      const fs::path& path = it->path();
      if (path == fDest || path == fSys) {
        it.disable_recursion_pending();
        continue;
      }
      if (path == fPackage || IsParentOfDeep(path)) continue;
      Fail("written outside the destination and system folders: " + path.string());
    }
  }

  void Clean() {
    fs::remove_all(fDest);
    fs::remove_all(fSys);
  }

 private:
  bool IsParentOfDeep(const fs::path& path) const {
    const auto [end, ignored] = std::mismatch(path.begin(), path.end(), fDeep.begin(), fDeep.end());
    return end == path.end();
  }

  fs::path fRoot;
  fs::path fDeep;
  fs::path fDest;
  fs::path fSys;
  fs::path fPackage;
};

std::string PackageOf(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (input.empty()) return {};
  if ((data[0] & 1) != 0) return std::string(input.substr(1));
  if (size < 3) return {};
  const std::size_t length = std::min<std::size_t>(data[1] | data[2] << 8, size - 3);
  std::u16string table;
  for (const char c : input.substr(3, length)) table.push_back(static_cast<unsigned char>(c));
  const std::u16string cipherString = EncryptCipherString(table, u"", 6, 1, u"Tessera!", u"");
  return std::string(input.substr(3 + length)) + PackageTail(cipherString);
}

// Whether the rows claim no more than the limit, or so much that the table
// is rejected, as far as they can be read; a table that cannot be read fails
// the extraction before it writes.
bool WithinLimits(const std::u16string& package) {
  try {
    const std::unique_ptr<TDataTable> table = LoadFileTable(package, u"");
    if (!table) return true;
    std::int64_t total = 0;
    for (int i = 0; i < table->ItemCount(); ++i) {
      TRow& row = table->Items(i);
      if (row.ItemCount() > 3) total += std::max(0, row.Items(3).Value());
    }
    return total <= kMaxExpandedTotal || total >= kRejectedTotal;
  } catch (const Exception&) {
    return true;
  }
}

void Extract(const TScratch& scratch) {
  std::int32_t last = 0;
  const TExtractProgressEvent onProgress = [&last](std::int32_t percent) {
    if (percent < last || percent > 100) Fail("percent out of order: " + std::to_string(percent));
    last = percent;
  };
  try {
    ExtractPackage(scratch.Package(), scratch.DestDir(), u"", onProgress, scratch.SysDir());
  } catch (const Exception&) {
  }
  try {
    VerifyPackage(scratch.Package(), u"");
  } catch (const Exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static TScratch scratch;
  scratch.Prepare(PackageOf(data, size));
  if (WithinLimits(scratch.Package())) Extract(scratch);
  scratch.CheckNothingOutside();
  scratch.Clean();
  return 0;
}
