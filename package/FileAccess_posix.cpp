// File access on POSIX: UTF-8 paths with "/" where the package says "\".
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

class TPosixFile {
 public:
  explicit TPosixFile(int fd) : fFd(fd) {}
  TPosixFile(const TPosixFile&) = delete;
  TPosixFile& operator=(const TPosixFile&) = delete;
  ~TPosixFile() { ::close(fFd); }
  int Fd() const { return fFd; }

 private:
  int fFd;
};

[[noreturn]] void RaiseOpenError(const std::u16string& path, int error) {
  throw EFileError(u"Cannot open file \"" + path + u"\". " + Reason(error));
}

class TPosixReadFile final : public TReadFile {
 public:
  TPosixReadFile(int fd, const std::u16string& path) : fFile(fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) RaiseOpenError(path, errno);
    if (S_ISDIR(info.st_mode)) RaiseOpenError(path, EISDIR);
    fSize = static_cast<std::int64_t>(info.st_size);
  }
  std::int64_t Size() const override { return fSize; }

  void ReadAt(std::int64_t offset, void* buffer, std::size_t size) override {
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
      const ssize_t n = offset < 0 ? -1 : ::pread(fFile.Fd(), out, size, offset);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw EFileError(u"Stream read error");
      out += n;
      offset += n;
      size -= static_cast<std::size_t>(n);
    }
  }

 private:
  TPosixFile fFile;
  std::int64_t fSize = 0;
};

class TPosixWriteFile final : public TWriteFile {
 public:
  explicit TPosixWriteFile(int fd) : fFile(fd) {}

  void Write(const void* data, std::size_t size) override {
    const auto* in = static_cast<const char*>(data);
    while (size > 0) {
      const ssize_t n = ::write(fFile.Fd(), in, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw EFileError(u"Stream write error");
      in += n;
      size -= static_cast<std::size_t>(n);
    }
  }

 private:
  TPosixFile fFile;
};

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
  return std::make_unique<TPosixReadFile>(fd, path);
}

std::unique_ptr<TWriteFile> Create(const std::u16string& path) {
  const int fd = ::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw EFileError(u"Cannot create file \"" + path + u"\". " + Reason(errno));
  return std::make_unique<TPosixWriteFile>(fd);
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
