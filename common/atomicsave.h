// Saves that never leave a half-written target: the data goes to a temporary
// file beside the target, which then replaces it in one step.
#pragma once
#include <string>
#include <string_view>

#include "common/byte_parts.h"

// Whole-file write through a temporary file in the same folder put over the
// target; keeps the target's permissions or attributes, follows symbolic
// links, writes devices and pipes in place. On failure the target is
// untouched and EFCreateError is raised.
void WriteWholeFile(const std::string& path, const TByteParts& parts);
inline void WriteWholeFile(const std::string& path, std::string_view data) {
  WriteWholeFile(path, TByteParts{data});
}
// Move src over dst; returns "" on success, else the system's error text.
std::string MoveFileOver(const std::string& src, const std::string& dst);
