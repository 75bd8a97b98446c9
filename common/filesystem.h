// File-system queries, folders and whole-file reads. Error codes are the
// system's own (errno on POSIX systems, GetLastError on Windows); only
// SystemErrorText turns them into text.
#pragma once
#include <string>
#include <string_view>

#include "common/byte_buffer.h"

// True when the path's folder holds an entry whose name equals the last
// component, letters compared without case. Folders count.
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
TByteBuffer ReadWholeFile(const std::string& path);
// Appends (creating the file when missing); raises EFCreateError.
void AppendToFile(const std::string& path, std::string_view data);
// Copy src over dst; returns "" on success, else the system's error text.
std::string CopyFileOver(const std::string& src, const std::string& dst);
bool DeleteFileIfExists(const std::string& path);
long long FileSize(const std::string& path);  // -1 when it cannot be read
// Creates a new empty file of its own in the system's temporary folder
// whose name begins with prefix, and returns its path. Raises EFCreateError.
std::string CreateTempFile(const std::string& prefix);
// The system's text for one of its error codes.
std::string SystemErrorText(int err);
