// Run settings of velloran, filled once from the command line.
#pragma once
#include <cstdint>
#include <string>

struct TParam {
  uint8_t Mode = 0;  // 0 none, 1 -o, 2 -r, 3 -sd, 4 -rd, 5 -u, 6 -repstr, 7 -co, 8 -cp, 9 -cpd/-cpds,
                     // 10 -topo, 11 -frompo, 12 -check
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
  std::string CurrentParam;
  int32_t ParamIndex = 0;
  std::string NoFindLog;
};
