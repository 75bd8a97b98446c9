// The parts of the running program that are the same on every system.
#include "common/program.h"

#include <cstdio>

#include "common/errors.h"
#include "common/paths.h"
#include "common/strutil.h"

void WaitEnter() { ConsoleReadLine(); }

bool AskYesNo(const std::string& question) {
  ConsoleLine(question + " y/n");
  return LowerAscii(ConsoleReadLine()) == "y";
}

int RunProgram(const std::function<int()>& body) {
  std::string cls, msg;
  try {
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
