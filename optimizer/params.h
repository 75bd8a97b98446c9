// Run settings of velloran, filled once from the command line.
#pragma once
#include <cstdint>
#include <string>

// The job of a run, chosen by its mode option.
enum class TMode : uint8_t {
  None,              // no mode: markers, empty lines, numbering
  Optimize,          // -o
  Recover,           // -r
  SplitRepeats,      // -sd
  RecoverRepeats,    // -rd
  Update,            // -u
  ReplaceInLines,    // -repstr
  Clear,             // -co
  Patch,             // -cp
  PatchEnglishOnly,  // -cpd, -cpds
  ToPo,              // -topo
  FromPo,            // -frompo
  Check,             // -check
};

struct TParam {
  TMode Mode = TMode::None;
  std::string FileMain;
  std::string FileEN;
  std::string FileRU;
  std::string FileRec;
  bool Sort = false;
  bool Silent = false;
  bool IgnoreEnters = false;
  bool IgnoreOld = false;
  bool IgnoreQuote = false;
  bool BorderSymbols = false;
  bool DeleteFileLines = false;
  bool EmptyFileLines = false;
  bool NullFileLinesOnly = false;
  bool FolderMarkers = false;
  int32_t FolderLevel = 0;
  bool DeleteEmpty = false;
  bool HexBorder = false;
  bool DeleteBorder = false;
  bool PatchFileLines = false;
  bool PatchDouble = false;
  int32_t LimitSymbols = 0;
  bool AddOldEnRu = false;
  bool NumberDoubles = false;
  std::string FileOldEN;
  std::string FileOldRU;
  std::string FileLog;
  // Where the parser ended: the last option word it examined (lower-cased)
  // and the 1-based index of the argument it stopped at.
  std::string CurrentParam;
  int32_t ParamIndex = 0;
  std::string NoFindLog;
};
