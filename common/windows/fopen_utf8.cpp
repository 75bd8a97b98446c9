// The C library's fopen on Windows reads a file name in the ANSI code page,
// while paths are UTF-8 everywhere in the programs. The link routes every
// fopen of the programs and of the libraries they link (libgettextpo opens
// PO files with it) here: a name in UTF-8 is opened through _wfopen, long
// paths included; any other name goes to the C library's fopen as before.
#include <cstdio>
#include <string_view>

#include "common/utf16.h"
#include "common/windows/widepath.h"

extern "C" FILE* __real_fopen(const char* name, const char* mode);

extern "C" FILE* __wrap_fopen(const char* name, const char* mode) {
  if (!name || !mode || !IsValidUtf8(std::string_view(name))) return __real_fopen(name, mode);
  return ::_wfopen(WidePath(name).c_str(), Widen(mode).c_str());
}
