// The running program: its file and folder, its arguments, the console,
// allocator tuning and the end-of-run report of an uncaught error.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

// Folder of the running program file, with a trailing separator.
std::string ProgramDir();
// Full path of the running program file.
std::string ProgramPath();
// The command-line arguments after the program name, as UTF-8 where the
// system hands them over in another form.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Console: one whole line per message, flushed. Messages are bytes.
void ConsoleLine(const std::string& line);
void ConsoleErrorText(const std::string& text);
// Reads one line of standard input; at end of input it is an empty line.
std::string ConsoleReadLine();
void WaitEnter();
// Prints question + " y/n", reads a line, true when it lowercased equals "y".
bool AskYesNo(const std::string& question);

// Sets the allocator up for runs that allocate and free millions of small
// strings (one per line of a large file).
void TuneAllocatorForManyLines();
// Has the heap grow in steps of 64 MiB, so that a run over a large file
// asks the system for memory a few times rather than thousands. Call first
// thing in main.
void GrowHeapInLargeSteps();

// Has the system give the pages of a block about to be written whole
// their memory now, in one call, rather than one page fault at a time as it
// is first written: on the virtual machines measured here that halves what
// a page costs. Only for memory from the allocator (never for a mapped
// file); blocks under 1 MiB and systems without the call are left alone.
void MapPagesAhead(void* data, size_t bytes);
// Room for n elements in v, its pages mapped ahead.
template <class T>
void ReserveAhead(std::vector<T>& v, size_t n) {
  v.reserve(n);
  MapPagesAhead(v.data(), v.capacity() * sizeof(T));
}
// v made n copies of value, its pages mapped ahead.
template <class T>
void AssignAhead(std::vector<T>& v, size_t n, const std::type_identity_t<T>& value) {
  ReserveAhead(v, n);
  v.assign(n, value);
}

// Ends a run whose every output is written: the process ends with status
// without taking the run's objects apart, and the system takes back their
// memory (a mapped data file, hundreds of thousands of line strings) in one
// piece instead of block by block, which takes tens of milliseconds for a
// large file.
// Outside RunProgram (a test that calls a run's function) and under the
// address sanitizer, whose leak check at exit must see every block, it
// returns status and the run ends as usual.
int EndRun(int status);

// Runs a program body and turns an uncaught error into the end-of-run
// report on standard error with exit status 1.
int RunProgram(const std::function<int()>& body);
