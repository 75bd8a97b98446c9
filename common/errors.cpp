#include "common/errors.h"

#include "common/platform.h"

// Messages are built with append: GCC 12 warns (wrongly) about chains of
// string concatenations here.
static std::string FileMessage(const char* what, const std::string& path, int err) {
  std::string m(what);
  m.append(" \"").append(path).append("\". ").append(SystemErrorText(err));
  return m;
}

EFOpenError OpenError(const std::string& path, int err) {
  return EFOpenError(FileMessage("Cannot open file", path, err));
}

EFCreateError CreateError(const std::string& path, int err) {
  return EFCreateError(FileMessage("Cannot create file", path, err));
}

EStringListError IndexError(long index) {
  std::string m("List index out of bounds (");
  m.append(std::to_string(index)).append(")");
  return EStringListError(m);
}

EAbort AbortError() { return EAbort("Operation aborted"); }
