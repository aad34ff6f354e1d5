// File access on Windows: the wide Win32 file functions.
#include <windows.h>

#include "package/FileAccess.h"
#include "support/Errors.h"
#include "support/Win32.h"

namespace fileaccess {
namespace {

const wchar_t* Wide(const std::u16string& path) {
  return reinterpret_cast<const wchar_t*>(path.c_str());
}

// The system's wording for an error code, without the trailing line break.
std::u16string Reason(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  const DWORD size =
      FormatMessageW(flags, nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string reason(reinterpret_cast<const char16_t*>(text), size);
  LocalFree(text);
  while (!reason.empty() && (reason.back() == u'\n' || reason.back() == u'\r')) reason.pop_back();
  return reason;
}

class THandle {
 public:
  explicit THandle(HANDLE handle) : fHandle(handle) {}
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  ~THandle() { CloseHandle(fHandle); }
  HANDLE Get() const { return fHandle; }

 private:
  HANDLE fHandle;
};

// The largest piece that one ReadFile or WriteFile call takes.
constexpr std::size_t kMaxPiece = 1u << 30;

class TWinReadFile final : public TReadFile {
 public:
  explicit TWinReadFile(HANDLE handle) : fFile(handle) {
    LARGE_INTEGER size{};
    GetFileSizeEx(handle, &size);
    fSize = size.QuadPart;
  }
  std::int64_t Size() const override { return fSize; }

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

 private:
  THandle fFile;
  std::int64_t fSize = 0;
};

class TWinWriteFile final : public TWriteFile {
 public:
  explicit TWinWriteFile(HANDLE handle) : fFile(handle) {}

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

 private:
  THandle fFile;
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
    throw EFileError(u"Cannot open file \"" + path + u"\". " + Reason(GetLastError()));
  }
  return std::make_unique<TWinReadFile>(handle);
}

std::unique_ptr<TWriteFile> Create(const std::u16string& path) {
  const HANDLE handle = CreateFileW(Wide(path), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    throw EFileError(u"Cannot create file \"" + path + u"\". " + Reason(GetLastError()));
  }
  return std::make_unique<TWinWriteFile>(handle);
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
