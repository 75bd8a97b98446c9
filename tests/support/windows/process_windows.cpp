// Windows side of the test helpers: CreateProcessW, the read-only attribute.
#include <windows.h>

#include <stdexcept>

#include "common/filesystem.h"

#include "tests/support/testutil.h"

namespace {

std::wstring Wide(const std::string& s) {
  int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  if (n > 0) ::MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

// One argument quoted the way CommandLineToArgvW reads it back.
std::wstring Quote(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring q = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
    } else if (c == L'"') {
      q.append(backslashes * 2 + 1, L'\\');
      q.push_back(c);
      backslashes = 0;
    } else {
      q.append(backslashes, L'\\');
      q.push_back(c);
      backslashes = 0;
    }
  }
  q.append(backslashes * 2, L'\\');
  q.push_back(L'"');
  return q;
}

HANDLE OpenInheritable(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  return ::CreateFileW(Wide(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

bool OnWindows() { return true; }

bool IsRootUser() { return false; }

bool DevFullUsable() { return false; }

ExclusiveHandle::ExclusiveHandle(const std::string& path) {
  HANDLE h = ::CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) handle_ = h;
}

ExclusiveHandle::~ExclusiveHandle() {
  if (handle_) ::CloseHandle(static_cast<HANDLE>(handle_));
}

std::string SystemMessage(const std::string& posixMessage) {
  static const struct {
    const char* posix;
    DWORD code;
  } kTexts[] = {{"No such file or directory", ERROR_FILE_NOT_FOUND},
                {"Is a directory", ERROR_ACCESS_DENIED},
                {"Permission denied", ERROR_ACCESS_DENIED},
                {"Not a directory", ERROR_PATH_NOT_FOUND},
                {"No space left on device", ERROR_DISK_FULL},
                {"File too large", ERROR_FILE_TOO_LARGE}};
  std::string m = posixMessage;
  for (const auto& t : kTexts) {
    const std::string text = SystemErrorText(static_cast<int>(t.code));
    for (size_t at = m.find(t.posix); at != std::string::npos; at = m.find(t.posix, at + text.size())) {
      size_t len = std::string(t.posix).size();
      // The system's texts end with their own period.
      if (at + len < m.size() && m[at + len] == '.' && !text.empty() && text.back() == '.') ++len;
      m.replace(at, len, text);
    }
  }
  for (const char* program : {"korvane", "velloran"}) {
    const std::string from = std::string("in module ") + program + " ", to = std::string("in module ") + program + ".exe ";
    for (size_t at = m.find(from); at != std::string::npos; at = m.find(from, at + to.size())) m.replace(at, from.size(), to);
  }
  return m;
}

char PathSep() { return '\\'; }

std::string FileIdentity(const std::string& path) {
  HANDLE h = ::CreateFileW(Wide(path).c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "";
  BY_HANDLE_FILE_INFORMATION i;
  bool ok = ::GetFileInformationByHandle(h, &i);
  ::CloseHandle(h);
  if (!ok) return "";
  return std::to_string(i.dwVolumeSerialNumber) + ":" + std::to_string(i.nFileIndexHigh) + ":" +
         std::to_string(i.nFileIndexLow) + ":" + std::to_string(i.ftLastWriteTime.dwHighDateTime) + "." +
         std::to_string(i.ftLastWriteTime.dwLowDateTime);
}

void SetFileMode(const std::string& path, int mode) {
  std::wstring w = Wide(path);
  DWORD a = ::GetFileAttributesW(w.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) return;
  a = (mode & 0200) ? (a & ~DWORD{FILE_ATTRIBUTE_READONLY}) : (a | FILE_ATTRIBUTE_READONLY);
  ::SetFileAttributesW(w.c_str(), a);
}

ToolResult RunTool(const std::string& program, const std::vector<std::string>& args,
                   const std::string& cwd, const std::string& stdinText, int asUid, int) {
  ToolResult r;
  if (asUid >= 0) {
    r.status = 126;  // no change of user here
    return r;
  }
  TempDir io;
  std::string outPath = io.File("stdout"), errPath = io.File("stderr"), inPath = "NUL";
  if (!stdinText.empty()) {
    inPath = io.File("stdin");
    WriteBytes(inPath, stdinText);
  }
  HANDLE in = OpenInheritable(inPath, false), out = OpenInheritable(outPath, true),
         err = OpenInheritable(errPath, true);
  if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE)
    throw std::runtime_error("cannot open the standard streams of a run");
  std::wstring cmd = Quote(Wide(program));
  for (const auto& a : args) cmd += L" " + Quote(Wide(a));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = in;
  si.hStdOutput = out;
  si.hStdError = err;
  PROCESS_INFORMATION pi{};
  std::wstring wcwd = Wide(cwd);
  BOOL ok = ::CreateProcessW(Wide(program).c_str(), cmd.data(), nullptr, nullptr, TRUE, 0, nullptr,
                             wcwd.c_str(), &si, &pi);
  ::CloseHandle(in);
  ::CloseHandle(out);
  ::CloseHandle(err);
  if (!ok) {
    r.status = 127;
    return r;
  }
  ::WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  r.status = static_cast<int>(code);
  r.out = ReadBytes(outPath);
  r.err = ReadBytes(errPath);
  return r;
}
