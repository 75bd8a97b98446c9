#include "common/windows/widepath.h"

#include <algorithm>

#include "common/errors.h"
#include "common/classic_string.h"
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

std::wstring WidePath(std::string_view path) {
  std::wstring w = Widen(path);
  // Already in the system's own form ("\\?\..." or a device "\\.\...").
  if (w.size() >= 4 && w[0] == L'\\' && w[1] == L'\\' && (w[2] == L'?' || w[2] == L'.') && w[3] == L'\\')
    return w;
  DWORD n = ::GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
  // CreateDirectoryW has the lowest limit of the calls: room for an 8.3 name.
  constexpr DWORD kShortEnough = MAX_PATH - 12;
  if (n == 0 || n <= kShortEnough) return w;
  std::wstring full(n, L'\0');
  n = ::GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
  if (n == 0 || n >= full.size()) return w;
  full.resize(n);
  if (full.size() >= 2 && full[0] == L'\\' && full[1] == L'\\') {
    if (full.size() >= 4 && (full[2] == L'?' || full[2] == L'.') && full[3] == L'\\') return full;
    return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share\... -> \\?\UNC\server\share\...
  }
  return L"\\\\?\\" + full;
}

std::string Narrow(std::wstring_view w) {
  if (w.empty()) return std::string();
  int n = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

void WriteAllAndClose(const std::string& path, HANDLE raw, const TPartsSource& source) {
  if (raw == INVALID_HANDLE_VALUE) {
    DWORD e = ::GetLastError();
    throw CreateError(path, static_cast<int>(e));
  }
  HandleCloser h(raw);
  DWORD e = WriteAllToHandle(h.get(), source);
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

DWORD WriteAllToHandle(HANDLE h, const TPartsSource& source) {
  while (const TByteParts* batch = source()) {
    if (DWORD e = WriteAllToHandle(h, *batch)) return e;
  }
  return 0;
}

DWORD WriteAllToHandle(HANDLE h, const TByteParts& parts) {
  DWORD e = 0;
  WritePartsInChunks(parts, [&](std::string_view bytes) {
    e = WriteAllToHandle(h, bytes);
    return e == 0;
  });
  return e;
}
