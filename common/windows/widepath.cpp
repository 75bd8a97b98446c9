#include "common/windows/widepath.h"

#include <algorithm>

#include "common/errors.h"
#include "common/strutil.h"
#include "common/utf16.h"

std::wstring Widen(std::string_view s) {
  if (s.empty()) return std::wstring();
  if (IsValidUtf8(s)) {
    std::u16string units;
    DecodeToUtf16(s, units);
    return std::wstring(units.begin(), units.end());
  }
  int n = ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) ::MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string Narrow(std::wstring_view w) {
  if (w.empty()) return std::string();
  int n = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

void WriteAllAndClose(const std::string& path, HANDLE raw, std::string_view data) {
  if (raw == INVALID_HANDLE_VALUE) {
    DWORD e = ::GetLastError();
    throw CreateError(path, static_cast<int>(e));
  }
  HandleCloser h(raw);
  DWORD e = WriteAllToHandle(h.get(), data);
  DWORD ce = h.Close();
  if (e == 0) e = ce;
  if (e != 0) throw CreateError(path, static_cast<int>(e));
}

DWORD WriteAllToHandle(HANDLE h, std::string_view data) {
  size_t done = 0;
  while (done < data.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size() - done, DWORD{1} << 30));
    DWORD written = 0;
    if (!::WriteFile(h, data.data() + done, chunk, &written, nullptr)) return ::GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    done += written;
  }
  return 0;
}
