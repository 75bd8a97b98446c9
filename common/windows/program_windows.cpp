// Windows side of the running program: its file from GetModuleFileNameW,
// the arguments as UTF-8, the standard streams as bytes.
#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "common/paths.h"
#include "common/program.h"
#include "common/windows/widepath.h"

namespace {

UINT g_savedOutputCP = 0;

void RestoreConsoleCP() {
  if (g_savedOutputCP != 0) ::SetConsoleOutputCP(g_savedOutputCP);
}

// Runs before main: messages and answers are bytes, with no CR LF
// translation and no end-of-file byte; a real console shows the messages'
// UTF-8 as such while the program runs.
struct ConsoleSetup {
  ConsoleSetup() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    DWORD mode = 0;
    if (::GetConsoleMode(::GetStdHandle(STD_OUTPUT_HANDLE), &mode)) {
      g_savedOutputCP = ::GetConsoleOutputCP();
      if (g_savedOutputCP != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) {
        std::atexit(RestoreConsoleCP);
      } else {
        g_savedOutputCP = 0;
      }
    }
  }
} g_consoleSetup;

}  // namespace

std::string ProgramPath() {
  static std::string path = [] {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
      DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
      if (n == 0) return std::string();
      if (n < buf.size()) return Narrow(std::wstring_view(buf.data(), n));
      buf.resize(buf.size() * 2);
    }
  }();
  return path;
}

std::string ProgramDir() {
  std::string p = ProgramPath();
  size_t sep = p.find_last_of("\\/");
  if (sep == std::string::npos) return ExpandPath(".") + kPathSep;
  return p.substr(0, sep + 1);
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  // The narrow argv is in the ANSI code page; the wide command line keeps
  // every character.
  int n = 0;
  LPWSTR* wargv = ::CommandLineToArgvW(::GetCommandLineW(), &n);
  if (!wargv) return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::vector<std::string> args;
  for (int i = 1; i < n; ++i) args.push_back(Narrow(wargv[i]));
  ::LocalFree(wargv);
  return args;
}

// The system's heap already serves many small blocks well.
void TuneAllocatorForManyLines() {}

void GrowHeapInLargeSteps() {}

void MapPagesAhead(void*, size_t) {}
