// File-system helpers that are the same on every system.
#include "common/filesystem.h"

#include "common/atomicsave.h"
#include "common/errors.h"
#include "common/paths.h"

void ForceFileDir(const std::string& path) {
  std::string full = ExpandPath(path);
  std::string dir = ExtractFileDir(full);
  if (!dir.empty()) ForceDir(dir);
}

std::string CopyFileOver(const std::string& src, const std::string& dst) {
  try {
    WriteWholeFile(dst, ReadWholeFile(src).View());
  } catch (const EError& e) {
    return e.what();
  }
  return "";
}
