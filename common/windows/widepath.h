// UTF-8 inside the programs, UTF-16 at the Windows API.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

#include "common/byte_parts.h"

// UTF-16 form of a path or text: UTF-8 when valid, else the ANSI code page.
std::wstring Widen(std::string_view s);
// UTF-8 form of UTF-16 text from the system.
std::string Narrow(std::wstring_view w);
// UTF-16 form of a path for the file API. A path whose full form reaches
// the classic limit of 260 characters (MAX_PATH) is given as that full form
// with the "\\?\" prefix, which lifts the limit; a shorter one stays as given.
std::wstring WidePath(std::string_view path);

// Closes a handle at the end of its scope.
class HandleCloser {
 public:
  explicit HandleCloser(HANDLE h) : h_(h) {}
  ~HandleCloser() {
    if (h_ != INVALID_HANDLE_VALUE && h_ != nullptr) ::CloseHandle(h_);
  }
  HandleCloser(const HandleCloser&) = delete;
  HandleCloser& operator=(const HandleCloser&) = delete;
  HANDLE get() const { return h_; }
  // Closes now; returns the error code of a failed close, or 0.
  DWORD Close() {
    DWORD e = 0;
    if (h_ != INVALID_HANDLE_VALUE && h_ != nullptr && !::CloseHandle(h_)) e = ::GetLastError();
    h_ = INVALID_HANDLE_VALUE;
    return e;
  }

 private:
  HANDLE h_;
};

// Writes everything to a handle; returns 0 or the error code.
DWORD WriteAllToHandle(HANDLE h, std::string_view data);
DWORD WriteAllToHandle(HANDLE h, const TByteParts& parts);
// Every batch of the source; an exception of the source goes on.
DWORD WriteAllToHandle(HANDLE h, const TPartsSource& source);
// Takes a handle just opened for path (INVALID_HANDLE_VALUE when the open
// failed), writes everything and closes it; raises EFCreateError with the
// first failure.
void WriteAllAndClose(const std::string& path, HANDLE h, const TPartsSource& source);
