// Fetching a URL as bytes and as text, and the thread that fetches one in the
// background.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

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
