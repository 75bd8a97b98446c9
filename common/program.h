// The running program: its file and folder, its arguments, the console,
// allocator tuning and the end-of-run report of an uncaught error.
#pragma once
#include <functional>
#include <string>
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
