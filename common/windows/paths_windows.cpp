// Windows paths: "\" and "/" separate components, "C:" names a drive;
// GetFullPathNameW expands a relative path and resolves "." and ".." as text.
#include <windows.h>

#include "common/paths.h"
#include "common/windows/widepath.h"

const char kPathSep = '\\';

bool IsPathSep(char c) { return c == '\\' || c == '/'; }

static bool IsDelimiter(char c) { return IsPathSep(c) || c == ':'; }

static size_t LastDelimiter(const std::string& path) {
  for (size_t i = path.size(); i > 0; --i)
    if (IsDelimiter(path[i - 1])) return i - 1;
  return std::string::npos;
}

std::string ExpandPath(const std::string& path) {
  if (path.empty()) return path;
  std::wstring w = Widen(path);
  DWORD n = ::GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  n = ::GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
  if (n == 0 || n >= full.size()) return path;
  full.resize(n);
  return Narrow(full);
}

std::string ExtractFileDir(const std::string& path) {
  size_t i = LastDelimiter(path);
  if (i == std::string::npos) return "";
  // A separator right after a drive or another separator belongs to the
  // folder ("C:\" stays "C:\").
  if (i > 0 && IsPathSep(path[i]) && !IsDelimiter(path[i - 1])) return path.substr(0, i);
  return path.substr(0, i + 1);
}

std::string ExtractFileName(const std::string& path) {
  size_t i = LastDelimiter(path);
  return i == std::string::npos ? path : path.substr(i + 1);
}
