// Everything that depends on the operating system: program location,
// console, paths, file system. Other code calls only these functions.
#pragma once
#include <functional>
#include <string>

// Folder of the running program file, with a trailing separator.
std::string ProgramDir();
// Full path of the running program file.
std::string ProgramPath();
extern const char kPathSep;  // '/'

// Console: one whole line per message, flushed.
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

// Runs a program body and turns an uncaught error into the end-of-run
// report on standard error with exit status 1.
int RunProgram(const std::function<int()>& body);

// Paths: a relative path is joined to the current folder, "." and ".."
// are resolved as text. An empty path stays empty.
std::string ExpandPath(const std::string& path);
std::string ExtractFileDir(const std::string& path);   // without trailing separator
std::string ExtractFileName(const std::string& path);  // after the last separator
std::string ExtractFileExt(const std::string& path);   // from the last "." of the name, or ""
std::string ChangeFileExt(const std::string& path, const std::string& ext);

// True when the path's folder holds an entry whose name equals the last
// component, ASCII letters compared without case. Folders count.
bool FileExistsCI(const std::string& path);
// The path to open for an existing input: the exact path when it exists,
// else the first entry that FileExistsCI matched; the path itself otherwise.
std::string ResolveExistingCI(const std::string& path);
bool DirectoryExists(const std::string& path);
// True when both paths name the same existing file (links followed).
bool SameFile(const std::string& a, const std::string& b);
bool IsRegularFile(const std::string& path);
// Create a folder with its missing parents; failure is not reported.
void ForceDir(const std::string& dir);
void ForceFileDir(const std::string& path);

// Whole-file read (input resolved through ResolveExistingCI); raises
// EFOpenError with the given path on failure.
std::string ReadWholeFile(const std::string& path);
// Whole-file write through a temporary file in the same folder renamed over
// the target; keeps permissions, follows symbolic links, writes devices and
// pipes in place. On failure the target is untouched and EFCreateError is raised.
void WriteWholeFile(const std::string& path, std::string_view data);
// Appends (creating the file when missing); raises EFCreateError.
void AppendToFile(const std::string& path, std::string_view data);
// Copy src over dst; returns "" on success, else the system's error text.
std::string CopyFileOver(const std::string& src, const std::string& dst);
// Move src over dst; returns "" on success, else the system's error text.
std::string MoveFileOver(const std::string& src, const std::string& dst);
bool DeleteFileIfExists(const std::string& path);
long long FileSize(const std::string& path);  // -1 when it cannot be read
// Creates a new empty file of its own in the system's temporary folder
// ($TMPDIR, else /tmp) whose name begins with prefix, and returns its path.
// Raises EFCreateError.
std::string CreateTempFile(const std::string& prefix);
std::string SystemErrorText(int err);
