// Error types shared by both programs. Library code raises these; the
// programs' entry points turn an uncaught one into the end-of-run report.
#pragma once
#include <stdexcept>
#include <string>

class EError : public std::runtime_error {
 public:
  explicit EError(const std::string& message) : std::runtime_error(message) {}
  // Name printed in the end-of-run report ("Exception <name> in module ...").
  virtual const char* ClassName() const { return "EError"; }
};

#define KV_DECLARE_ERROR(Name)                                   \
  class Name : public EError {                                   \
   public:                                                       \
    using EError::EError;                                        \
    const char* ClassName() const override { return #Name; }     \
  };

// "Cannot open file "%s". %s"
KV_DECLARE_ERROR(EFOpenError)
// "Cannot create file "%s". %s"
KV_DECLARE_ERROR(EFCreateError)
// "List index out of bounds (%d)" and "String list does not allow duplicates"
KV_DECLARE_ERROR(EStringListError)
// "Operation aborted"
KV_DECLARE_ERROR(EAbort)
// A file operation other than open/create failed (copy, move, write, read).
KV_DECLARE_ERROR(EInOutError)
// Errors raised by a program's own logic with a message of its own.
KV_DECLARE_ERROR(ERunError)

// Builders for the standard messages; err is an errno value.
EFOpenError OpenError(const std::string& path, int err);
EFCreateError CreateError(const std::string& path, int err);
EStringListError IndexError(long index);
EAbort AbortError();
