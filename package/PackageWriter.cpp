// Writing packages: members deflated one after another, then the file table,
// its length and the trailer that the reader expects.
#include <zlib.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <vector>

#include "datatable/DataTable.h"
#include "package/FileAccess.h"
#include "package/Package.h"
#include "support/Errors.h"
#include "support/Text.h"

namespace {

constexpr std::size_t kBuffer = 256 * 1024;
constexpr std::int64_t kMaxSize = std::numeric_limits<std::int32_t>::max();

using TReadPiece = std::function<std::size_t(Bytef* buffer, std::size_t size)>;
using TWritePiece = std::function<void(const Bytef* data, std::size_t size)>;

class TDeflater {
 public:
  TDeflater() {
    // Level 9 and a 32 KiB window: the member starts with 0x78 0xDA.
    if (deflateInit2(&fStream, 9, Z_DEFLATED, 15, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
      throw Exception(u"zlib cannot start a compression");
    }
  }
  TDeflater(const TDeflater&) = delete;
  TDeflater& operator=(const TDeflater&) = delete;
  ~TDeflater() { deflateEnd(&fStream); }
  z_stream& Stream() { return fStream; }

 private:
  z_stream fStream{};
};

// Deflates what read delivers, until it delivers nothing, into write; the
// member's length.
std::int64_t Deflate(const TReadPiece& read, const TWritePiece& write) {
  TDeflater deflater;
  z_stream& stream = deflater.Stream();
  std::vector<Bytef> input(kBuffer);
  std::vector<Bytef> output(kBuffer);
  std::int64_t written = 0;
  int flush = Z_NO_FLUSH;
  while (flush != Z_FINISH) {
    stream.next_in = input.data();
    stream.avail_in = static_cast<uInt>(read(input.data(), input.size()));
    flush = stream.avail_in == 0 ? Z_FINISH : Z_NO_FLUSH;
    do {
      stream.next_out = output.data();
      stream.avail_out = static_cast<uInt>(output.size());
      deflate(&stream, flush);
      const std::size_t produced = output.size() - stream.avail_out;
      write(output.data(), produced);
      written += static_cast<std::int64_t>(produced);
    } while (stream.avail_out == 0);
  }
  return written;
}

void CheckCarried(const std::u16string& text, std::u16string_view forbidden,
                  const std::u16string& what) {
  if (text.find_first_of(forbidden) != std::u16string::npos) {
    throw Exception(u"A file table cannot hold the " + what + u" \"" + text + u"\"");
  }
}

void CheckEntry(const TPackageEntry& entry) {
  CheckCarried(entry.folder, std::u16string_view(u",|\0", 3), u"folder");
  CheckCarried(entry.name, std::u16string_view(u"\x1A\x1B\0", 3), u"file name");
}

std::u16string RowText(const TPackageEntry& entry) {
  CheckEntry(entry);
  std::u16string text = entry.folder + u"," + StoreSeparators(entry.name) + u"," +
                        IntToStr(entry.packedSize) + u"," + IntToStr(entry.size);
  if (entry.toDestDir) text += *entry.toDestDir ? u",True" : u",False";
  return text;
}

void CheckSize(std::int64_t size, const std::u16string& what) {
  if (size > kMaxSize) throw Exception(what + u" reach 2 GiB: a package cannot hold them");
}

}  // namespace

std::string DeflateMember(std::string_view data) {
  std::string member;
  std::size_t at = 0;
  Deflate(
      [&](Bytef* buffer, std::size_t size) {
        const std::size_t piece = std::min(size, data.size() - at);
        std::copy_n(data.data() + at, piece, buffer);
        at += piece;
        return piece;
      },
      [&](const Bytef* bytes, std::size_t size) {
        member.append(reinterpret_cast<const char*>(bytes), size);
      });
  return member;
}

std::u16string FileTableText(const std::vector<TPackageEntry>& entries) {
  std::u16string text;
  for (const TPackageEntry& entry : entries) {
    if (!text.empty()) text += u"|";
    text += RowText(entry);
  }
  // A leading "#" would open a header: an empty header goes first.
  return !text.empty() && text[0] == u'#' ? u"##" + text : text;
}

std::string PackageTail(std::u16string_view cipherString) {
  std::string tail = Utf16ToAnsi(cipherString);
  CheckSize(static_cast<std::int64_t>(tail.size()), u"The file table's bytes");
  const auto length = static_cast<std::uint32_t>(tail.size());
  for (int shift = 0; shift < 32; shift += 8) tail.push_back(static_cast<char>(length >> shift));
  tail += "\x0A\x14\x02";
  return tail;
}

struct TPackageWriter::TOutput {
  std::unique_ptr<fileaccess::TWriteFile> file;
};

TPackageWriter::TPackageWriter(const std::u16string& packageFile)
    : fOutput(std::make_unique<TOutput>(TOutput{fileaccess::Create(packageFile)})) {}

TPackageWriter::~TPackageWriter() = default;

void TPackageWriter::AddFile(const std::u16string& source, TPackageEntry entry) {
  CheckEntry(entry);
  const auto input = fileaccess::OpenRead(source);
  const std::int64_t size = input->Size();
  CheckSize(fSize + size, u"The files");
  std::int64_t at = 0;
  const std::int64_t packed = Deflate(
      [&](Bytef* buffer, std::size_t room) {
        const auto piece = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(room), size - at));
        input->ReadAt(at, buffer, piece);
        at += static_cast<std::int64_t>(piece);
        return piece;
      },
      [&](const Bytef* bytes, std::size_t count) { fOutput->file->Write(bytes, count); });
  fPacked += packed;
  CheckSize(fPacked, u"The compressed files");
  fSize += size;
  entry.packedSize = static_cast<std::int32_t>(packed);
  entry.size = static_cast<std::int32_t>(size);
  fEntries.push_back(std::move(entry));
}

void TPackageWriter::Finish(std::u16string_view cipherString) {
  const std::string tail = PackageTail(cipherString);
  fOutput->file->Write(tail.data(), tail.size());
  fOutput.reset();
}
