#include "common/errors.h"

#include "common/platform.h"

EFOpenError OpenError(const std::string& path, int err) {
  return EFOpenError("Cannot open file \"" + path + "\". " + SystemErrorText(err));
}

EFCreateError CreateError(const std::string& path, int err) {
  return EFCreateError("Cannot create file \"" + path + "\". " + SystemErrorText(err));
}

EStringListError IndexError(long index) {
  return EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

EAbort AbortError() { return EAbort("Operation aborted"); }
