#pragma once
// Exceptions carry a class name and an English message; the worker pool and the log record both.
#include <stdexcept>
#include <string>

namespace tw {

class Exception : public std::runtime_error {
 public:
  Exception(std::string className, const std::string& message)
      : std::runtime_error(message), className_(std::move(className)) {}
  const std::string& ClassName() const noexcept { return className_; }
  std::string Message() const { return what(); }

 private:
  std::string className_;
};

#define TW_DECLARE_EXCEPTION(Name, Base)                                          \
  class Name : public Base {                                                      \
   public:                                                                        \
    explicit Name(const std::string& message) : Base(#Name, message) {}           \
                                                                                  \
   protected:                                                                     \
    Name(std::string className, const std::string& message)                       \
        : Base(std::move(className), message) {}                                  \
  };

TW_DECLARE_EXCEPTION(EConvertError, Exception)
TW_DECLARE_EXCEPTION(EInOutError, Exception)
TW_DECLARE_EXCEPTION(EStreamError, Exception)
TW_DECLARE_EXCEPTION(EFOpenError, EStreamError)
TW_DECLARE_EXCEPTION(EFCreateError, EStreamError)
TW_DECLARE_EXCEPTION(ECompressionError, Exception)
TW_DECLARE_EXCEPTION(EDecompressionError, Exception)
TW_DECLARE_EXCEPTION(EOSError, Exception)

// The class name and message of whatever was caught, for log records and error reports.
struct ErrorInfo {
  std::string className;
  std::string message;
};
ErrorInfo DescribeException(std::exception_ptr error);

}  // namespace tw
