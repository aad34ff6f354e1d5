// File access on POSIX: UTF-8 paths with "/" where the package says "\".
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "package/FileAccess.h"
#include "support/Errors.h"
#include "support/Text.h"

namespace fileaccess {
namespace {

std::string NativePath(const std::u16string& path) {
  std::string native = Utf16ToUtf8(path);
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

std::u16string Reason(int error) { return Utf8ToUtf16(std::strerror(error)); }

// Owns a file descriptor.
class TFd {
 public:
  explicit TFd(int fd) : fFd(fd) {}
  TFd(TFd&& other) noexcept : fFd(std::exchange(other.fFd, -1)) {}
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  ~TFd() { Reset(-1); }
  int Get() const { return fFd; }
  // Hands the descriptor over to the caller.
  int Release() { return std::exchange(fFd, -1); }
  void Reset(int fd) {
    if (fFd >= 0) ::close(fFd);
    fFd = fd;
  }

 private:
  int fFd;
};

[[noreturn]] void RaiseOpenError(const std::u16string& path, int error) {
  throw EFileError(u"Cannot open file \"" + path + u"\". " + Reason(error));
}

[[noreturn]] void RaiseCreateError(const std::u16string& path, int error) {
  throw EFileError(u"Cannot create file \"" + path + u"\". " + Reason(error));
}

class TPosixFile final : public TFile {
 public:
  TPosixFile(int fd, const std::u16string& path) : fFile(fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) RaiseOpenError(path, errno);
    if (S_ISDIR(info.st_mode)) RaiseOpenError(path, EISDIR);
  }
  ~TPosixFile() override {
    if (fDelete) ::unlinkat(fFolder->Get(), fName.c_str(), 0);
  }

  std::int64_t Size() const override {
    struct stat info {};
    return ::fstat(fFile.Get(), &info) == 0 ? static_cast<std::int64_t>(info.st_size) : 0;
  }

  void ReadAt(std::int64_t offset, void* buffer, std::size_t size) override {
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
      if (offset < 0) throw EFileError(u"Stream read error");
      const ssize_t n = ::pread(fFile.Get(), out, size, offset);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw EFileError(u"Stream read error");
      out += n;
      offset += n;
      size -= static_cast<std::size_t>(n);
    }
  }

  void Write(const void* data, std::size_t size) override {
    const auto* in = static_cast<const char*>(data);
    while (size > 0) {
      const ssize_t n = ::write(fFile.Get(), in, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw EFileError(u"Stream write error");
      in += n;
      size -= static_cast<std::size_t>(n);
    }
  }

  // Removed by its name in the folder that it was made in, which the folder
  // descriptor still names whatever was renamed meanwhile.
  bool DeleteWhenClosed() override {
    fDelete = fFolder != nullptr;
    return fDelete;
  }

  void KeepFolder(int folder, std::string name) {
    fFolder = std::make_unique<TFd>(folder);
    fName = std::move(name);
  }

 private:
  TFd fFile;
  std::unique_ptr<TFd> fFolder;  // set only for a file made by CreateBelow
  std::string fName;
  bool fDelete = false;
};

// The descriptor of base + relative, each folder below base opened without
// following a symbolic link; missing ones made when create is set.
TFd OpenFoldersBelow(const std::u16string& base, const std::u16string& relative, bool create) {
  TFd folder(::open(NativePath(base).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.Get() < 0) RaiseCreateError(base, errno);
  const std::string native = NativePath(relative);
  std::u16string path = base;
  for (std::size_t start = 0; start < native.size();) {
    std::size_t end = native.find('/', start);
    if (end == std::string::npos) end = native.size();
    const std::string part = native.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    path += Utf8ToUtf16(part) + u"\\";
    if (create) ::mkdirat(folder.Get(), part.c_str(), 0777);
    const int next =
        ::openat(folder.Get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0) RaiseCreateError(path, errno);
    folder.Reset(next);
  }
  return folder;
}

bool StatMode(const std::u16string& path, mode_t& mode) {
  struct stat info {};
  if (::stat(NativePath(path).c_str(), &info) != 0) return false;
  mode = info.st_mode;
  return true;
}

}  // namespace

std::unique_ptr<TReadFile> OpenRead(const std::u16string& path) {
  const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) RaiseOpenError(path, errno);
  return std::make_unique<TPosixFile>(fd, path);
}

std::unique_ptr<TWriteFile> Create(const std::u16string& path) {
  const int fd = ::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) RaiseCreateError(path, errno);
  return std::make_unique<TPosixFile>(fd, path);
}

std::unique_ptr<TFile> CreateBelow(const std::u16string& base, const std::u16string& relative) {
  const std::size_t nameStart = relative.find_last_of(u"\\/") + 1;
  TFd folder = OpenFoldersBelow(base, relative.substr(0, nameStart), true);
  const std::u16string path = base + relative;
  const std::string name = NativePath(relative.substr(nameStart));
  // An existing file goes first, so that a second name of another file is
  // not written; a link or a folder at the name stays and fails.
  struct stat info {};
  if (::fstatat(folder.Get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISLNK(info.st_mode)) RaiseCreateError(path, ELOOP);
    if (S_ISDIR(info.st_mode)) RaiseCreateError(path, EISDIR);
    if (::unlinkat(folder.Get(), name.c_str(), 0) != 0) RaiseCreateError(path, errno);
  }
  const int fd = ::openat(folder.Get(), name.c_str(),
                          O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) RaiseCreateError(path, errno);
  auto file = std::make_unique<TPosixFile>(fd, path);
  file->KeepFolder(folder.Release(), name);
  return file;
}

void ForceFoldersBelow(const std::u16string& base, const std::u16string& folder) {
  OpenFoldersBelow(base, folder, true);
}

bool DirectoryExists(const std::u16string& path) {
  mode_t mode = 0;
  return StatMode(path, mode) && S_ISDIR(mode);
}

bool FileExists(const std::u16string& path) {
  mode_t mode = 0;
  return StatMode(path, mode) && !S_ISDIR(mode);
}

bool ForceDirectories(const std::u16string& path) {
  const std::string native = NativePath(path);
  // Each parent in turn, then the folder itself; those that exist fail harmlessly.
  std::size_t end = 0;
  do {
    end = native.find('/', end + 1);
    ::mkdir(native.substr(0, end).c_str(), 0777);
  } while (end != std::string::npos);
  return DirectoryExists(path);
}

}  // namespace fileaccess
