// Support library: the error base, text conversions and the small stateless
// routines that the wizard, the extractor and the tools share.
//
// The portable part (errors, text, FormatSize, ChooseStr) builds everywhere;
// the routines below `_WIN32` exist only in the Windows build.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

// ---------------------------------------------------------------------------
// Errors

// Base of every error that the system raises. The message is the text that a
// user may see, exactly as worded.
class Exception : public std::exception {
 public:
  explicit Exception(std::u16string message);
  const std::u16string& Message() const noexcept { return fMessage; }
  const char* what() const noexcept override { return fUtf8.c_str(); }

 private:
  std::u16string fMessage;
  std::string fUtf8;
};

// "List index out of bounds (%d)"
class EListError : public Exception {
 public:
  using Exception::Exception;
};

// Text that does not convert, and assignments between unrelated classes.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// File open, create, read and write failures.
class EFileError : public Exception {
 public:
  using Exception::Exception;
};

// Registry failures ("Failed to create key %s", ...).
class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

// A COM failure with its HRESULT.
class EOleError : public Exception {
 public:
  EOleError(std::u16string message, std::int32_t errorCode)
      : Exception(std::move(message)), fErrorCode(errorCode) {}
  std::int32_t ErrorCode() const noexcept { return fErrorCode; }

 private:
  std::int32_t fErrorCode;
};

// "List index out of bounds (%d)"
[[noreturn]] void RaiseListError(std::int64_t index);

// ---------------------------------------------------------------------------
// Text

// Decimal form of a signed integer.
std::u16string IntToStr(std::int64_t value);

// A letter a to z upper-cased, any other character unchanged: drive letters
// and path tokens are compared without the locale's rules.
inline char16_t AsciiUpperCase(char16_t c) { return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c; }

// UTF-8 to and from UTF-16; invalid input becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// The system's ANSI code page: the platform's own conversion on Windows (flags
// 0), Windows-1252 in the native build, where a character that the code page
// lacks becomes "?".
std::u16string AnsiToUtf16(std::string_view text);
std::string Utf16ToAnsi(std::u16string_view text);

// UTF-8 to UTF-16 by the platform's own converter (MultiByteToWideChar with
// flags 0 on Windows), which substitutes invalid input in its own way;
// Utf8ToUtf16 in the native build.
std::u16string PlatformUtf8ToUtf16(std::string_view text);

// The decimal separator of the user's regional settings, read once at
// start-up; "." in the native build.
char16_t DecimalSeparator();

// ---------------------------------------------------------------------------
// Formatting

// A byte count as "1023 Bytes", "2 KB", "1.2 MB", "2.5 GB".
std::u16string FormatSize(std::int64_t size);
// The same with a given decimal separator.
std::u16string FormatSize(std::int64_t size, char16_t decimalSeparator);

inline std::u16string ChooseStr(bool condition, const std::u16string& whenTrue,
                                const std::u16string& whenFalse) {
  return condition ? whenTrue : whenFalse;
}

// ---------------------------------------------------------------------------
// Text of a fetched web body

// True when some byte is 0x80 or above and the bytes split wholly into UTF-8
// units; encoded surrogates (ED A0 80 to ED BF BF) pass. Pure ASCII fails.
bool IsUtf8Text(std::string_view bytes);

// The body as text: after a byte-order mark as UTF-8, UTF-16 LE or UTF-16 BE
// (an odd last byte dropped); without one as UTF-8 when the bytes before the
// first zero byte pass IsUtf8Text, else in the ANSI code page.
std::u16string DecodeUrlBody(std::string_view body);

#ifdef _WIN32
// ---------------------------------------------------------------------------
// Application title: the caption of the program's message boxes.

const std::u16string& ApplicationTitle();
void SetApplicationTitle(std::u16string title);

// ---------------------------------------------------------------------------
// Registry, drives, system directory

// A predefined registry root, passed as its 32-bit handle value.
enum TRegRoot : std::uint32_t {
  rrCurrentUser = 0x80000001u,   // HKEY_CURRENT_USER
  rrLocalMachine = 0x80000002u,  // HKEY_LOCAL_MACHINE
};

void ShowInfoBox(const std::u16string& text, const std::u16string& caption);
std::int64_t DriveFreeSpace(char16_t letter);
std::u16string GetFixedDrives();
std::u16string GetSystemDir();
bool CreateRegKey(TRegRoot root, const std::u16string& keyPath);
bool WriteRegString(TRegRoot root, const std::u16string& keyPath, const std::u16string& valueName,
                    const std::u16string& value);
std::u16string ReadRegString(TRegRoot root, const std::u16string& keyPath,
                             const std::u16string& valueName);

// ---------------------------------------------------------------------------
// Shell shortcuts and special folders

enum TFolderKind : std::uint8_t {
  fkDesktop = 0,
  fkQuickLaunch = 1,
  fkSendTo = 2,
  fkStartMenu = 3,
  fkStartup = 4,
};

std::u16string GetShellFolder(TFolderKind kind);
void CreateShortcut(const std::u16string& target, const std::u16string& name, TFolderKind kind,
                    const std::u16string& subFolder);
std::u16string ResolveShortcut(const std::u16string& linkFile);
std::u16string FindShortcutFolder(const std::u16string& name, const std::u16string& location);

// ---------------------------------------------------------------------------
// Web text fetch and the report thread

// A writable byte stream: appends at its end and knows its size.
class TByteStream {
 public:
  virtual ~TByteStream() = default;
  virtual void Write(const void* data, std::size_t size) = 0;
  virtual std::int64_t Size() const = 0;
};

// A byte stream in memory.
class TMemoryByteStream : public TByteStream {
 public:
  void Write(const void* data, std::size_t size) override {
    fBytes.append(static_cast<const char*>(data), size);
  }
  std::int64_t Size() const override { return static_cast<std::int64_t>(fBytes.size()); }
  const std::string& Bytes() const noexcept { return fBytes; }

 private:
  std::string fBytes;
};

// Called after each chunk with the stream's size; may set cancel.
using TUrlProgressEvent = std::function<void(bool& cancel, std::int64_t received)>;

bool GetUrlStream(const std::u16string& url, TByteStream& stream,
                  const TUrlProgressEvent& onProgress);
std::u16string GetUrlStr(const std::u16string& url);

// Fetches FUrl + FParam as text on a thread of its own, then hands OnTerminate
// to the main thread and frees itself. Create it with `new`: it owns itself
// from the moment it is started.
class TGetUrlStrThread {
 public:
  TGetUrlStrThread();
  TGetUrlStrThread(const TGetUrlStrThread&) = delete;
  TGetUrlStrThread& operator=(const TGetUrlStrThread&) = delete;

  std::u16string FUrl;
  std::u16string FParam;
  std::u16string FReturnStr;
  std::function<void(TGetUrlStrThread* sender)> OnTerminate;

  void Start();

 protected:
  virtual ~TGetUrlStrThread();
  virtual void Execute();

 private:
  static unsigned long __stdcall ThreadProc(void* self);
  void* fHandle = nullptr;
};

// ---------------------------------------------------------------------------
// Hand-over to the main thread

// Runs fn on the main thread the next time it processes its messages, and
// waits until it has run. On the main thread itself it runs fn at once.
void Synchronize(const std::function<void()>& fn);
// Runs the hand-overs that are waiting; the main thread's message processing
// calls it. An error that a hand-over raises passes on to the caller once its
// thread has been released; the hand-overs after it wait for the next call.
void CheckSynchronize();
#endif
