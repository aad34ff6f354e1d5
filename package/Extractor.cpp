// The extractor: checks the whole file table first, then inflates each member
// to its target through fixed-size buffers.
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "datatable/DataTable.h"
#include "package/Container.h"
#include "package/FileAccess.h"
#include "package/Package.h"
#include "support/Errors.h"
#include "support/System.h"
#include "support/Text.h"

namespace {

constexpr std::size_t kInputBuffer = 64 * 1024;
constexpr std::size_t kOutputBuffer = 256 * 1024;

// Where the extraction's files go: the disk, or nowhere when verifying.
class TExtractOutput {
 public:
  virtual ~TExtractOutput() = default;
  // folder and file are relative to base, which is the destination or the
  // system folder.
  virtual void MakeFolder(const std::u16string& base, const std::u16string& folder) = 0;
  virtual bool FileExists(const std::u16string& file) = 0;
  virtual std::unique_ptr<fileaccess::TWriteFile> Create(const std::u16string& base,
                                                         const std::u16string& file) = 0;
};

// Nothing below the destination or the system folder is written through a
// link: the setup runs elevated, and others may own the destination.
class TDiskOutput final : public TExtractOutput {
 public:
  void MakeFolder(const std::u16string& base, const std::u16string& folder) override {
    // The base is the caller's choice and is followed; a base that cannot be
    // made shows when its first file is created.
    if (!fileaccess::DirectoryExists(base)) fileaccess::ForceDirectories(base);
    if (!folder.empty()) fileaccess::ForceFoldersBelow(base, folder);
  }
  bool FileExists(const std::u16string& file) override { return fileaccess::FileExists(file); }
  std::unique_ptr<fileaccess::TWriteFile> Create(const std::u16string& base,
                                                 const std::u16string& file) override {
    return fileaccess::CreateBelow(base, file);
  }
};

class TDiscard final : public fileaccess::TWriteFile {
 public:
  void Write(const void*, std::size_t) override {}
};

class TVerifyOutput final : public TExtractOutput {
 public:
  void MakeFolder(const std::u16string&, const std::u16string&) override {}
  // Every member is inflated, system files included.
  bool FileExists(const std::u16string&) override { return false; }
  std::unique_ptr<fileaccess::TWriteFile> Create(const std::u16string&,
                                                 const std::u16string&) override {
    return std::make_unique<TDiscard>();
  }
};

// One row of the file table, checked.
struct TPlannedFile {
  std::u16string base;    // the destination or the system folder
  std::u16string folder;  // relative to base, empty or ending in "\"
  std::u16string name;
  std::u16string target;  // base + folder + name
  std::int64_t offset = 0;
  std::int32_t packedSize = 0;
  std::int32_t size = 0;
  bool keepExisting = false;  // a system file that exists is not replaced
};

struct TPlan {
  std::vector<TPlannedFile> files;
  std::int32_t total = 0;
};

[[noreturn]] void RaiseDamaged(int index, const std::u16string& what) {
  throw Exception(u"Damaged file table: row " + IntToStr(index + 1) + u" " + what);
}

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// Windows opens a device, not a file, for these names in any folder, also
// with an extension ("nul.txt") and with spaces before it.
bool IsDeviceName(std::u16string_view part) {
  std::u16string_view base = part.substr(0, part.find(u'.'));
  while (!base.empty() && base.back() == u' ') base.remove_suffix(1);
  for (const std::u16string_view device : {u"CON", u"PRN", u"AUX", u"NUL"}) {
    if (SameTextAscii(base, device)) return true;
  }
  if (base.size() != 4) return false;
  const char16_t digit = base[3];
  const bool portDigit = (digit >= u'0' && digit <= u'9') || digit == u'\u00B9' ||
                         digit == u'\u00B2' || digit == u'\u00B3';
  return portDigit &&
         (SameTextAscii(base.substr(0, 3), u"COM") || SameTextAscii(base.substr(0, 3), u"LPT"));
}

// Whether a path appended to a folder stays below it: not rooted, no drive or
// stream ":", no device name, and no component that may mean the parent: "..",
// or, since Windows trims trailing dots and spaces, any run of dots and spaces
// with two dots or more.
bool StaysInside(std::u16string_view path) {
  if (path.find(u':') != std::u16string_view::npos) return false;
  if (!path.empty() && IsSeparator(path[0])) return false;
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const std::u16string_view part = path.substr(start, end - start);
    const bool dotsOnly = part.find_first_not_of(u". ") == std::u16string_view::npos;
    if (dotsOnly && std::count(part.begin(), part.end(), u'.') >= 2) return false;
    if (IsDeviceName(part)) return false;
    start = end + 1;
  }
  return true;
}

bool ContainsNoCase(std::u16string_view text, std::u16string_view token) {
  for (std::size_t i = 0; i + token.size() <= text.size(); ++i) {
    if (StartsWithAscii(text.substr(i), token)) return true;
  }
  return false;
}

struct TTargetFolder {
  std::u16string base;
  std::u16string folder;  // relative to base
  bool system = false;
};

// The path rules: a relative folder below destDir, "$" with column 4 true for
// destDir itself, "$System$" or "$Third$" (any case) for sysDir. The folder
// with the file name must stay inside its base folder.
TTargetFolder FindTargetFolder(TRow& row, int index, const std::u16string& destDir,
                               const std::u16string& sysDir) {
  const std::u16string column0 = row.Items(0).Text();
  const std::u16string name = row.Items(1).Text();
  if (column0.empty() || column0[0] != u'$') {
    if (!StaysInside(column0 + name)) RaiseDamaged(index, u"leaves the destination folder");
    return {destDir, column0, false};
  }
  const bool toDestDir = row.Items(4).AsBool();
  if (toDestDir) {
    if (!StaysInside(name)) RaiseDamaged(index, u"leaves the destination folder");
    return {destDir, u"", false};
  }
  const std::u16string_view token =
      column0.find(u"System") != std::u16string::npos ? u"$System$" : u"$Third$";
  if (!StartsWithAscii(column0, token)) RaiseDamaged(index, u"names neither $System$ nor $Third$");
  const std::u16string rest = column0.substr(token.size());
  if (ContainsNoCase(rest, token) || !StaysInside(rest + name)) {
    RaiseDamaged(index, u"leaves the system folder");
  }
  return {sysDir, rest, true};
}

std::int32_t CheckedSize(TRow& row, int column, int index) {
  const std::int32_t size = row.Items(column).Value();
  if (size < 0) RaiseDamaged(index, u"has a negative size");
  return size;
}

// One row read and checked on its own; its offset is the caller's.
TPlannedFile PlanFile(TRow& row, int index, const std::u16string& destDir,
                      const std::u16string& sysDir) {
  TPlannedFile file;
  file.size = CheckedSize(row, 3, index);
  file.packedSize = CheckedSize(row, 2, index);
  TTargetFolder target = FindTargetFolder(row, index, destDir, sysDir);
  file.name = row.Items(1).Text();
  file.target = target.base + target.folder + file.name;
  file.base = std::move(target.base);
  file.folder = std::move(target.folder);
  file.keepExisting = target.system;
  return file;
}

// The first pass: every row read and checked before anything is written.
TPlan PlanFiles(TDataTable& table, std::int64_t membersEnd, const std::u16string& destDir,
                const std::u16string& sysDir) {
  TPlan plan;
  std::int64_t total = 0;
  std::int64_t offset = 0;
  for (int i = 0; i < table.ItemCount(); ++i) {
    TPlannedFile file = PlanFile(table.Items(i), i, destDir, sysDir);
    total += file.size;
    if (total > std::numeric_limits<std::int32_t>::max()) {
      throw Exception(u"Damaged file table: the files add up to 2 GiB or more");
    }
    file.offset = offset;
    offset += file.packedSize;
    if (offset > membersEnd) throw EFileError(u"Stream read error");
    plan.files.push_back(std::move(file));
  }
  plan.total = static_cast<std::int32_t>(total);
  return plan;
}

// Owns one zlib inflater; reset for each member.
class TInflater {
 public:
  TInflater() {
    if (inflateInit(&fStream) != Z_OK) Raise(Z_MEM_ERROR);
  }
  TInflater(const TInflater&) = delete;
  TInflater& operator=(const TInflater&) = delete;
  ~TInflater() { inflateEnd(&fStream); }

  z_stream& Stream() { return fStream; }
  void Reset() {
    inflateReset(&fStream);
    fStream.avail_in = 0;
  }
  [[noreturn]] void Raise(int code) const {
    throw EZDecompressionError(Utf8ToUtf16(fStream.msg ? fStream.msg : zError(code)));
  }

 private:
  z_stream fStream{};
};

struct TBuffers {
  std::vector<Bytef> input = std::vector<Bytef>(kInputBuffer);
  std::vector<Bytef> output = std::vector<Bytef>(kOutputBuffer);
  TInflater inflater;
};

// Takes exactly file.size bytes from the member into out. After them the
// stream is run on to its end, if that lies inside the member, so that its
// check value is verified; what it yields then is not written.
void InflateMember(fileaccess::TReadFile& package, const TPlannedFile& file,
                   fileaccess::TWriteFile& out, TBuffers& buffers) {
  buffers.inflater.Reset();
  z_stream& stream = buffers.inflater.Stream();
  std::int64_t offset = file.offset;
  std::int64_t packedLeft = file.packedSize;
  std::int64_t left = file.size;
  for (;;) {
    if (stream.avail_in == 0) {
      if (packedLeft == 0) break;
      const auto piece = static_cast<uInt>(std::min<std::int64_t>(kInputBuffer, packedLeft));
      package.ReadAt(offset, buffers.input.data(), piece);
      offset += piece;
      packedLeft -= piece;
      stream.next_in = buffers.input.data();
      stream.avail_in = piece;
    }
    const auto room =
        static_cast<uInt>(left > 0 ? std::min<std::int64_t>(kOutputBuffer, left) : kOutputBuffer);
    stream.next_out = buffers.output.data();
    stream.avail_out = room;
    const int result = inflate(&stream, Z_NO_FLUSH);
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
      buffers.inflater.Raise(result);
    }
    const std::int64_t produced = std::min<std::int64_t>(room - stream.avail_out, left);
    if (produced > 0) out.Write(buffers.output.data(), static_cast<std::size_t>(produced));
    left -= produced;
    if (result == Z_STREAM_END) break;
  }
  if (left > 0) {
    throw EZDecompressionError(u"Unexpected end of compressed data in \"" + file.target + u"\"");
  }
}

// Done / Total as a whole percent, an exact half to the even integer.
std::int32_t Percent(std::int32_t done, std::int32_t total) {
  if (total == 0) return 100;
  const long double share = static_cast<long double>(done) / static_cast<long double>(total);
  return static_cast<std::int32_t>(std::nearbyint(share * 100.0L));
}

// Both passes over an open package; the summary of what it holds.
TPackageSummary Extract(fileaccess::TReadFile& package, const std::u16string& destDir,
                        const std::u16string& passPhrase, const TExtractProgressEvent& onProgress,
                        const std::u16string& sysDir, TExtractOutput& output) {
  const auto tableText = ReadFileTableText(package);
  if (!tableText) return {};
  const auto table = NewFileTable(tableText->cipherString, passPhrase);
  const TPlan plan = PlanFiles(*table, tableText->offset, destDir, sysDir);
  TBuffers buffers;
  std::int32_t done = 0;
  for (const TPlannedFile& file : plan.files) {
    output.MakeFolder(file.base, file.folder);
    done += file.size;
    if (file.keepExisting && output.FileExists(file.target)) continue;
    InflateMember(package, file, *output.Create(file.base, file.folder + file.name), buffers);
    if (onProgress) onProgress(Percent(done, plan.total));
  }
  return {true, static_cast<std::int32_t>(plan.files.size()), plan.total};
}

}  // namespace

void ExtractPackage(fileaccess::TReadFile& package, const std::u16string& destDir,
                    const std::u16string& passPhrase, const TExtractProgressEvent& onProgress,
                    const std::u16string& sysDir) {
  TDiskOutput output;
  output.MakeFolder(destDir, u"");
  Extract(package, destDir, passPhrase, onProgress, sysDir, output);
}

void ExtractPackage(const std::u16string& packageFile, const std::u16string& destDir,
                    const std::u16string& passPhrase, const TExtractProgressEvent& onProgress,
                    const std::u16string& sysDir) {
  // The destination is made before the package is opened.
  TDiskOutput().MakeFolder(destDir, u"");
  ExtractPackage(*fileaccess::OpenRead(packageFile), destDir, passPhrase, onProgress, sysDir);
}

#ifdef _WIN32
void ExtractPackage(fileaccess::TReadFile& package, const std::u16string& destDir,
                    const std::u16string& passPhrase, const TExtractProgressEvent& onProgress) {
  ExtractPackage(package, destDir, passPhrase, onProgress, GetSystemDir());
}

void ExtractPackage(const std::u16string& packageFile, const std::u16string& destDir,
                    const std::u16string& passPhrase, const TExtractProgressEvent& onProgress) {
  ExtractPackage(packageFile, destDir, passPhrase, onProgress, GetSystemDir());
}
#endif

void CheckFileTableRow(TRow& row, int index) { PlanFile(row, index, u"", u""); }

TPackageSummary VerifyPackage(const std::u16string& packageFile, const std::u16string& passPhrase) {
  TVerifyOutput output;
  return Extract(*fileaccess::OpenRead(packageFile), u"", passPhrase, {}, u"", output);
}
