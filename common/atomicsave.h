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
//
// How far the bytes go before the file takes the target's place: into the
// system's cache, which a failure of the program cannot undo, or onto the
// disk, which a failure of the system cannot either. The disk costs a wait
// for every dirty page of the file system here, so only the replaced data
// file of a game, the one file whose old content is gone with it, goes there.
enum class TSaveDepth { kCache, kDisk };
void WriteWholeFile(const std::string& path, const TByteParts& parts, TSaveDepth depth = TSaveDepth::kCache);
// The same for a text handed over in batches while it is being made (see
// TPartsSource). An exception from the source ends the write as a failure:
// the target is untouched, no temporary file stays, and the exception goes
// on to the caller.
void WriteWholeFile(const std::string& path, const TPartsSource& source, TSaveDepth depth = TSaveDepth::kCache);
inline void WriteWholeFile(const std::string& path, std::string_view data, TSaveDepth depth = TSaveDepth::kCache) {
  WriteWholeFile(path, TByteParts{data}, depth);
}
// Move src over dst; returns "" on success, else the system's error text.
std::string MoveFileOver(const std::string& src, const std::string& dst);
