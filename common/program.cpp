// The parts of the running program that are the same on every system.
#include "common/program.h"

#include <cstdio>
#include <cstdlib>

#include "common/errors.h"
#include "common/paths.h"
#include "common/classic_string.h"

// The console is the standard streams as bytes (the Windows side sets them
// to binary mode before main runs).
void ConsoleLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void ConsoleErrorText(const std::string& text) {
  std::fflush(stdout);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

std::string ConsoleReadLine() {
  std::string line;
  int c;
  while ((c = std::fgetc(stdin)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

void WaitEnter() { ConsoleReadLine(); }

bool AskYesNo(const std::string& question) {
  ConsoleLine(question + " y/n");
  return LowerAscii(ConsoleReadLine()) == "y";
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KV_ADDRESS_SANITIZER 1
#endif

namespace {
// Set while RunProgram runs a program's body.
bool g_programRun = false;
struct TProgramRun {
  TProgramRun() { g_programRun = true; }
  ~TProgramRun() { g_programRun = false; }
};
}  // namespace

int EndRun(int status) {
#if !defined(KV_ADDRESS_SANITIZER)
  // Handlers registered at start still run (the Windows console gets its
  // code page back); only the run's own objects are not taken apart.
  if (g_programRun) std::exit(status);
#endif
  return status;
}

int RunProgram(const std::function<int()>& body) {
  std::string cls, msg;
  try {
    const TProgramRun running;
    return body();
  } catch (const EError& e) {
    cls = e.ClassName();
    msg = e.what();
  } catch (const std::bad_alloc&) {
    cls = "EOutOfMemory";
    msg = "Out of memory";
  } catch (const std::exception& e) {
    cls = "EExternal";
    msg = e.what();
  }
  if (msg.empty() || msg.back() != '.') msg += '.';
  std::string name = ExtractFileName(ProgramPath());
  char head[512];
  std::snprintf(head, sizeof head, "Exception %s in module %s at %p.\n", cls.c_str(), name.c_str(),
                reinterpret_cast<void*>(&RunProgram));
  ConsoleErrorText(std::string(head) + msg + "\n");
  return 1;
}
