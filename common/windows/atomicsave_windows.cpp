// Windows atomic save: a temporary file beside the target, flushed to disk when asked,
// then ReplaceFileW over an existing target (which keeps its attributes) or
// MoveFileExW with write-through onto a new one.
#include <windows.h>

#include <string>

#include "common/atomicsave.h"
#include "common/errors.h"
#include "common/filesystem.h"
#include "common/paths.h"
#include "common/windows/widepath.h"

namespace {

// True when the path names an existing device or pipe (such as NUL), which
// is written in place.
bool IsDevice(const std::wstring& path) {
  HandleCloser h(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return h.get() != INVALID_HANDLE_VALUE && ::GetFileType(h.get()) != FILE_TYPE_DISK;
}

// Puts the finished file src in the place of dst; returns 0 or the error.
DWORD PutInPlace(const std::wstring& src, const std::wstring& dst) {
  DWORD attrs = ::GetFileAttributesW(dst.c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
    // A read-only file is not replaced, as the system refuses to write it.
    if (attrs & FILE_ATTRIBUTE_READONLY) return ERROR_ACCESS_DENIED;
    if (::ReplaceFileW(dst.c_str(), src.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
      return 0;
    DWORD e = ::GetLastError();
    // Without a backup name this error means that the old file is gone and
    // the new one still has its own name: finish the move.
    if (e != ERROR_UNABLE_TO_MOVE_REPLACEMENT || ::GetFileAttributesW(dst.c_str()) != INVALID_FILE_ATTRIBUTES)
      return e;
  }
  if (::MoveFileExW(src.c_str(), dst.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
  return ::GetLastError();
}

}  // namespace

void WriteWholeFile(const std::string& path, const TByteParts& parts, TSaveDepth depth) {
  WriteWholeFile(path, WholeText(parts), depth);
}

void WriteWholeFile(const std::string& path, const TPartsSource& source, TSaveDepth depth) {
  std::wstring target = WidePath(path);
  DWORD attrs = ::GetFileAttributesW(target.c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY))
    throw CreateError(path, ERROR_ACCESS_DENIED);
  if (attrs != INVALID_FILE_ATTRIBUTES && IsDevice(target)) {
    WriteAllAndClose(path,
                     ::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr),
                     source);
    return;
  }
  std::string full = ExpandPath(path);
  std::string dir = ExtractFileDir(full);
  std::string stem = dir + (dir.empty() || IsPathSep(dir.back()) ? "" : "\\") + "." + ExtractFileName(full) + ".tmp.";
  std::wstring tmp;
  HANDLE raw = INVALID_HANDLE_VALUE;
  DWORD e = 0;
  for (unsigned attempt = 0; attempt < 100 && raw == INVALID_HANDLE_VALUE; ++attempt) {
    tmp = WidePath(stem + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(attempt));
    raw = ::CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    e = raw == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
    if (e != 0 && e != ERROR_FILE_EXISTS && e != ERROR_ALREADY_EXISTS) break;
  }
  if (raw == INVALID_HANDLE_VALUE) throw CreateError(path, static_cast<int>(e));
  HandleCloser h(raw);
  try {
    e = WriteAllToHandle(h.get(), source);
  } catch (...) {
    h.Close();
    ::DeleteFileW(tmp.c_str());
    throw;
  }
  if (e == 0 && depth == TSaveDepth::kDisk && !::FlushFileBuffers(h.get())) e = ::GetLastError();
  DWORD ce = h.Close();
  if (e == 0) e = ce;
  if (e == 0) e = PutInPlace(tmp, target);
  if (e != 0) {
    ::DeleteFileW(tmp.c_str());
    throw CreateError(path, static_cast<int>(e));
  }
}

std::string MoveFileOver(const std::string& src, const std::string& dst) {
  std::wstring target = WidePath(dst);
  if (::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES && IsDevice(target)) {
    std::string err = CopyFileOver(src, dst);
    if (err.empty()) DeleteFileIfExists(src);
    return err;
  }
  DWORD e = PutInPlace(WidePath(src), target);
  return e == 0 ? std::string() : SystemErrorText(static_cast<int>(e));
}
