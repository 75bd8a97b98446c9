// Path texts: expansion against the current folder and the parts of a path.
// A path is UTF-8 inside the programs on every system.
#pragma once
#include <string>

// The separator the programs put between folder and name ('/' on POSIX
// systems, '\' on Windows).
extern const char kPathSep;

// True for every character that separates path components on this system.
bool IsPathSep(char c);

// A relative path is joined to the current folder, "." and ".." are
// resolved as text. An empty path stays empty.
std::string ExpandPath(const std::string& path);
std::string ExtractFileDir(const std::string& path);   // without trailing separator
std::string ExtractFileName(const std::string& path);  // after the last separator
std::string ExtractFileExt(const std::string& path);   // from the last "." of the name, or ""
std::string ChangeFileExt(const std::string& path, const std::string& ext);
