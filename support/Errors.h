// The errors that the system raises: one base whose message is the text a
// user may see, exactly as worded, and a class for each kind of failure.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

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
