// Windows file system through the wide API. Existence tests are the file
// system's own: it ignores letter case already.
#include <windows.h>

#include <algorithm>

#include "common/errors.h"
#include "common/filesystem.h"
#include "common/paths.h"
#include "common/windows/widepath.h"

std::string SystemErrorText(int err) {
  wchar_t* buf = nullptr;
  DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, static_cast<DWORD>(err), 0, reinterpret_cast<LPWSTR>(&buf), 0, nullptr);
  std::string text;
  if (n > 0 && buf) text = Narrow(std::wstring_view(buf, n));
  if (buf) ::LocalFree(buf);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  if (text.empty()) text = "System error " + std::to_string(err);
  return text;
}

// The path without trailing separators, except for a root ("C:\", "\").
static std::string WithoutTrailingSeps(std::string path) {
  while (path.size() > 1 && IsPathSep(path.back()) && path[path.size() - 2] != ':') path.pop_back();
  return path;
}

static DWORD Attributes(const std::string& path) {
  if (path.empty()) return INVALID_FILE_ATTRIBUTES;
  return ::GetFileAttributesW(WidePath(WithoutTrailingSeps(path)).c_str());
}

bool FileExistsCI(const std::string& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }

std::string ResolveExistingCI(const std::string& path) { return path; }

bool DirectoryExists(const std::string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

static bool FileId(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
  HandleCloser h(::CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return h.get() != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(h.get(), &info);
}

bool SameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION ia, ib;
  if (!FileId(a, ia) || !FileId(b, ib)) return false;
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
         ia.nFileIndexLow == ib.nFileIndexLow;
}

bool IsRegularFile(const std::string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

void ForceDir(const std::string& dir) {
  std::string full = WithoutTrailingSeps(ExpandPath(dir));
  if (full.empty() || DirectoryExists(full)) return;
  std::string parent = ExtractFileDir(full);
  if (!parent.empty() && parent != full) ForceDir(parent);
  ::CreateDirectoryW(WidePath(full).c_str(), nullptr);
}

// The most bytes read from an input that is not a disk file (a pipe or a
// device), far above any text or data file the programs work on.
static constexpr size_t kMaxStreamInput = size_t{1} << 30;

TByteBuffer ReadWholeFile(const std::string& path) {
  HandleCloser h(::CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (h.get() == INVALID_HANDLE_VALUE) {
    DWORD e = ::GetLastError();
    throw OpenError(path, static_cast<int>(e));
  }
  bool disk = ::GetFileType(h.get()) == FILE_TYPE_DISK;
  TByteBuffer data;
  // A disk file is read into a block of its size (one byte more, so that
  // the read that sees its end needs no second block); a pipe or device in
  // blocks of 64 KiB.
  LARGE_INTEGER size;
  size_t step = size_t{1} << 16;
  if (disk && ::GetFileSizeEx(h.get(), &size) && size.QuadPart > 0) step = static_cast<size_t>(size.QuadPart) + 1;
  for (;;) {
    char* room = data.Room(step);
    DWORD want = static_cast<DWORD>(std::min<size_t>(step, DWORD{1} << 30));
    DWORD got = 0;
    BOOL ok = ::ReadFile(h.get(), room, want, &got, nullptr);
    DWORD e = ok ? 0 : ::GetLastError();
    if (!ok && e != ERROR_BROKEN_PIPE && e != ERROR_HANDLE_EOF) throw OpenError(path, static_cast<int>(e));
    if (got == 0) break;
    data.Grow(got);
    // The rest of the block first; a new block only when it is full.
    step = step > got ? step - got : size_t{1} << 16;
    // A device that never ends: stop with a clear error instead of filling
    // the memory.
    if (!disk && data.size() > kMaxStreamInput) throw OpenError(path, ERROR_FILE_TOO_LARGE);
  }
  return data;
}

void AppendToFile(const std::string& path, std::string_view data) {
  WriteAllAndClose(path,
                   ::CreateFileW(WidePath(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
                   WholeText(TByteParts{data}));
}

bool DeleteFileIfExists(const std::string& path) { return ::DeleteFileW(WidePath(path).c_str()) != 0; }

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (path.empty() || !::GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &d)) return -1;
  return (static_cast<long long>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

std::string CreateTempFile(const std::string& prefix) {
  wchar_t dir[MAX_PATH + 1];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, dir);
  if (n == 0 || n > MAX_PATH) throw CreateError(prefix, static_cast<int>(::GetLastError()));
  wchar_t path[MAX_PATH + 1];
  // GetTempFileNameW creates the file, so the name is ours.
  if (::GetTempFileNameW(dir, Widen(prefix.substr(0, 3)).c_str(), 0, path) == 0)
    throw CreateError(Narrow(dir) + prefix, static_cast<int>(::GetLastError()));
  return Narrow(path);
}
