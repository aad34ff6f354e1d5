// File access on Windows: the wide Win32 file functions.
#include <windows.h>

#include "package/FileAccess.h"
#include "support/Errors.h"
#include "support/Win32.h"

namespace fileaccess {
namespace {

using win::Wide;

// The largest piece that one ReadFile or WriteFile call takes.
constexpr std::size_t kMaxPiece = 1u << 30;

class TWinFile final : public TFile {
 public:
  explicit TWinFile(HANDLE handle) { *fFile.Put() = handle; }

  std::int64_t Size() const override {
    LARGE_INTEGER size{};
    GetFileSizeEx(fFile.Get(), &size);
    return size.QuadPart;
  }

  void ReadAt(std::int64_t offset, void* buffer, std::size_t size) override {
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
      if (offset < 0) throw EFileError(u"Stream read error");
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(offset);
      at.OffsetHigh = static_cast<DWORD>(offset >> 32);
      DWORD n = 0;
      const auto piece = static_cast<DWORD>(size < kMaxPiece ? size : kMaxPiece);
      if (!ReadFile(fFile.Get(), out, piece, &n, &at) || n == 0) {
        throw EFileError(u"Stream read error");
      }
      out += n;
      offset += n;
      size -= n;
    }
  }

  void Write(const void* data, std::size_t size) override {
    const auto* in = static_cast<const char*>(data);
    while (size > 0) {
      DWORD n = 0;
      const auto piece = static_cast<DWORD>(size < kMaxPiece ? size : kMaxPiece);
      if (!WriteFile(fFile.Get(), in, piece, &n, nullptr) || n == 0) {
        throw EFileError(u"Stream write error");
      }
      in += n;
      size -= n;
    }
  }

  // The file was opened with delete access for this.
  bool DeleteWhenClosed() override { return win::DeleteWhenClosed(fFile.Get()); }

 private:
  win::TKernelHandle fFile;
};

DWORD Attributes(const std::u16string& path) { return GetFileAttributesW(Wide(path)); }

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// Where the folders below a path's root begin: after "C:\", "\\server\share\"
// or a leading "\".
std::size_t FirstFolder(const std::u16string& path) {
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    std::size_t separators = 0;
    for (std::size_t i = 2; i < path.size(); ++i) {
      if (IsSeparator(path[i]) && ++separators == 2) return i + 1;
    }
    return path.size();
  }
  if (path.size() >= 2 && path[1] == u':') return path.size() > 2 && IsSeparator(path[2]) ? 3 : 2;
  return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

}  // namespace

std::unique_ptr<TReadFile> OpenRead(const std::u16string& path) {
  const HANDLE handle = CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    throw EFileError(u"Cannot open file \"" + path + u"\". " +
                     win::SysErrorMessage(GetLastError()));
  }
  return std::make_unique<TWinFile>(handle);
}

std::unique_ptr<TWriteFile> Create(const std::u16string& path) {
  const HANDLE handle = CreateFileW(Wide(path), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    throw EFileError(u"Cannot create file \"" + path + u"\". " +
                     win::SysErrorMessage(GetLastError()));
  }
  return std::make_unique<TWinFile>(handle);
}

std::unique_ptr<TFile> CreateBelow(const std::u16string& base, const std::u16string& relative) {
  const std::size_t nameStart = relative.find_last_of(u"\\/") + 1;
  const std::u16string name = relative.substr(nameStart);
  const win::TFolderChain folders(base, relative.substr(0, nameStart), true);
  const std::u16string path = folders.Path() + name;
  // Whatever is at the name, a link included, is opened itself and not followed.
  const auto open = [&](DWORD disposition) {
    return CreateFileW(Wide(path), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                       disposition, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  };
  HANDLE handle = open(CREATE_NEW);
  if (handle == INVALID_HANDLE_VALUE &&
      (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS)) {
    handle = open(OPEN_EXISTING);
  }
  if (handle == INVALID_HANDLE_VALUE) {
    throw EFileError(u"Cannot create file \"" + path + u"\". " +
                     win::SysErrorMessage(GetLastError()));
  }
  auto file = std::make_unique<TWinFile>(handle);
  if (!folders.Holds(handle, name)) {
    throw EFileError(u"Cannot create file \"" + path + u"\". " + win::kLinkInTheWay);
  }
  if (!SetEndOfFile(handle)) {
    throw EFileError(u"Cannot create file \"" + path + u"\". " +
                     win::SysErrorMessage(GetLastError()));
  }
  return file;
}

void ForceFoldersBelow(const std::u16string& base, const std::u16string& folder) {
  const win::TFolderChain folders(base, folder, true);
}

bool DirectoryExists(const std::u16string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExists(const std::u16string& path) { return win::FileExists(path); }

bool ForceDirectories(const std::u16string& path) {
  // Each parent in turn, then the folder itself; those that exist fail harmlessly.
  for (std::size_t i = FirstFolder(path); i <= path.size(); ++i) {
    if (i == path.size() || IsSeparator(path[i])) {
      const std::u16string prefix = path.substr(0, i);
      if (i > 0 && !IsSeparator(prefix.back())) CreateDirectoryW(Wide(prefix), nullptr);
    }
  }
  return DirectoryExists(path);
}

}  // namespace fileaccess
