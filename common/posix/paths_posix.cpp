// POSIX paths: "/" separates components; "." and ".." are resolved as text.
#include "common/paths.h"

#include <limits.h>
#include <unistd.h>

#include <vector>

const char kPathSep = '/';

bool IsPathSep(char c) { return c == '/'; }

std::string ExpandPath(const std::string& path) {
  if (path.empty()) return path;
  std::string full;
  if (path[0] == '/') {
    full = path;
  } else {
    std::vector<char> buf(PATH_MAX + 1);
    if (!::getcwd(buf.data(), buf.size())) return path;
    full = std::string(buf.data()) + "/" + path;
  }
  bool trailing = full.size() > 1 && full.back() == '/';
  std::vector<std::string> parts;
  size_t i = 0;
  while (i < full.size()) {
    size_t j = full.find('/', i);
    if (j == std::string::npos) j = full.size();
    std::string part = full.substr(i, j - i);
    if (part.empty() || part == ".") {
    } else if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  if (out.empty()) return "/";
  if (trailing) out += "/";
  return out;
}

std::string ExtractFileDir(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string ExtractFileName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
