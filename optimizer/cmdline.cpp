// Command line of velloran.
#include "optimizer/cmdline.h"

#include "common/platform.h"
#include "common/strutil.h"
#include "optimizer/line_check.h"
#include "optimizer/modes.h"
#include "optimizer/po_exchange.h"

const std::vector<std::string>& VelloranUsageLines() {
  static const std::vector<std::string> lines = {
      "VELLORAN v1.9.5 By QUENLOW",
      "Usage: VELLORAN.exe [Mode] [Options] [FILE_MAIN.txt] [FILE_EN.txt] [FILE_RU.txt] [FILE_REC.txt]",
      "Mode:",
      "       -o = optimize double.",
      "       -r = recove all double.",
      "       -sd = sprite double text=[FILE_REC.txt] and [FILE_REC]_double.txt.",
      "       -rd = recove first double sprite file input_file_double.txt.",
      "       -u = update text.",
      "       -repstr = replace text in line.",
      "       -co = clear other text (added or modifed).",
      "       -cp = create patch not double (added or modifed) compare for 2 file EN and RU.",
      "       -cpd = create patch with double (added or modifed) compare for 1 file EN (ru=empty).",
      "       -cpds = create patch with double sprite other file _double (added or modifed) compare for 1 file EN "
      "(ru=empty).",
      "           -addoldenru [RecOldEN.txt] [RecOldRU.txt] [log.txt] = for create patch add create file with preed "
      "old text unk_line_new=add_line_old.",
      "       -topo = export PO file for translation tools [FILE_EN.txt] [FILE_RU.txt] [FILE.po] (RU optional).",
      "       -frompo = import PO file from translation tools [FILE.po] [FILE_EN.txt] [FILE_RU.txt].",
      "       -check = check translated lines (escapes, %s, tags, {} [], border spaces) [FILE_EN.txt] [FILE_RU.txt].",
      "Options:",
      "       -lso [value] = limit symbol optimize.",
      "       -rn = ignore enters.",
      "       -rno = ignore enters and old (\\a \\d).",
      "       -is = ignore symbol '.",
      "       -bsymbol = delete border non text symbols. !!! TEST optimize, not recover",
      "       -dbs = delete border space",
      "       -hbs = conver hex border space",
      "       -df = optimize: ^file\\ delete.",
      "       -dfn = optimize: ^file\\ delete only null size.",
      "       -dfumb [value] = optimize: ^file\\ unity mono behaviour exemple: file\\level1_00001.-1.txt replace to "
      "//folder=level1 type=-1",
      "               value level add folder.",
      "       -de = optimize: delete empty line.",
      "       -ef = optimize: ^file\\ to empty.",
      "       -cp_addfileline = for create patch added ^file\\ line preed text.",
      "       -add_numeration_double = for create numeration double line.",
      "       -sort optimize quick",
      "       -silent = not output error.",
      "[FILE_EN.txt] Deffault 2Optimize_EN\\[FILE_MAIN.txt]",
      "[FILE_RU.txt] Deffault 3Optimize_RU\\[FILE_MAIN.txt]",
      "[FILE_REC.txt] Deffault 4Recover_RU\\[FILE_MAIN.txt]",
  };
  return lines;
}

namespace {

const char kValueError[] = "Error not value in parametr: ";

// Takes the argument after the option as an integer. Returns false when
// there is none (the option then does nothing). On a bad value the field
// keeps what the digits before the first bad character gave.
bool TakeValue(const std::vector<std::string>& args, TParam& p, int32_t& field,
               std::vector<std::string>& messages) {
  const int count = static_cast<int>(args.size());
  if (p.ParamIndex + 1 > count) return false;
  ++p.ParamIndex;
  const std::string& option = p.CurrentParam;
  if (!StrToIntPartial(args[p.ParamIndex - 1], field)) messages.push_back(kValueError + option);
  return true;
}

}  // namespace

bool ParseArguments(const std::vector<std::string>& args, TParam& p,
                    std::vector<std::string>& messages) {
  const int count = static_cast<int>(args.size());
  for (p.ParamIndex = 1; p.ParamIndex <= count; ++p.ParamIndex) {
    const std::string& arg = args[p.ParamIndex - 1];
    if (!StartsWith(arg, "-")) {
      // The next free positional file; a fifth one is ignored.
      if (p.FileMain.empty()) {
        p.FileMain = arg;
      } else if (p.FileEN.empty()) {
        p.FileEN = arg;
      } else if (p.FileRU.empty()) {
        p.FileRU = arg;
      } else if (p.FileRec.empty()) {
        p.FileRec = arg;
      }
      continue;
    }
    p.CurrentParam = LowerAscii(arg);
    const std::string& c = p.CurrentParam;

    // Mode chain: the first match sets the mode; a later mode overrides it.
    if (c == "-o") {
      p.Mode = 1;
    } else if (c == "-r") {
      p.Mode = 2;
    } else if (c == "-sd") {
      p.Mode = 3;
    } else if (c == "-rd") {
      p.Mode = 4;
    } else if (c == "-u") {
      p.Mode = 5;
    } else if (c == "-repstr") {
      p.Mode = 6;
    } else if (c == "-co") {
      p.Mode = 7;
    } else if (c == "-cp") {
      p.Mode = 8;
    } else if (c == "-cpd") {
      p.Mode = 9;
    } else if (c == "-topo") {
      p.Mode = 10;
    } else if (c == "-frompo") {
      p.Mode = 11;
    } else if (c == "-check") {
      p.Mode = 12;
    }

    if (c == "-cpds") {
      p.Mode = 9;
      p.PatchDouble = true;
    }

    if (c == "-addoldenru") {
      if (p.ParamIndex + 3 <= count) {
        p.FileOldEN = args[p.ParamIndex];
        p.FileOldRU = args[p.ParamIndex + 1];
        p.FileLog = args[p.ParamIndex + 2];
        p.ParamIndex += 3;
        p.AddOldEnRu = true;
      } else {
        messages.push_back(kValueError + c);
        return false;
      }
    }

    if (c == "-df") p.DeleteFileLines = true;
    if (c == "-ef") p.EmptyFileLines = true;
    if (c == "-dfn") {
      p.DeleteFileLines = true;
      p.NullFileLinesOnly = true;
    }
    if (c == "-dfumb") {
      // FolderMarkers goes on whenever a value argument exists, even a bad one.
      if (TakeValue(args, p, p.FolderLevel, messages)) p.FolderMarkers = true;
    }
    if (c == "-de") p.DeleteEmpty = true;
    if (c == "-lso") TakeValue(args, p, p.LimitSymbols, messages);
    if (c == "-silent") p.Silent = true;
    if (c == "-sort") p.Sort = true;
    if (c == "-bsymbol") p.BorderSymbols = true;
    if (c == "-rn") p.IgnoreEnters = true;
    if (c == "-rno") {
      p.IgnoreEnters = true;
      p.IgnoreOld = true;
    }
    if (c == "-is") p.IgnoreQuote = true;
    if (c == "-hbs") p.HexBorder = true;
    if (c == "-dbs") p.DeleteBorder = true;
    if (c == "-cp_addfileline") p.PatchFileLines = true;
    if (c == "-add_numeration_double") p.NumberDoubles = true;
  }
  return true;
}

bool ResolveFiles(TParam& p, std::vector<std::string>& messages) {
  if (!FileExistsCI(p.FileMain)) {
    messages.push_back("Not find file: " + p.FileMain);
    return false;
  }
  // The default folders end in the platform's separator so that they name
  // folders under the working folder.
  const std::string name = ExtractFileName(p.FileMain);
  const std::string recDefault = std::string("4Recover_RU") + kPathSep + name;
  if (p.FileRec.empty()) p.FileRec = p.FileMain;
  if (p.FileEN.empty()) {
    p.FileEN = std::string("2Optimize_EN") + kPathSep + name;
    p.FileRec = recDefault;
  }
  if (p.FileRU.empty()) {
    p.FileRU = std::string("3Optimize_RU") + kPathSep + name;
    p.FileRec = recDefault;
  }
  p.FileMain = ExpandPath(p.FileMain);
  p.FileEN = ExpandPath(p.FileEN);
  p.FileRU = ExpandPath(p.FileRU);
  p.FileRec = ExpandPath(p.FileRec);
  return true;
}

bool CheckInputs(const TParam& p, std::vector<std::string>& messages) {
  if (p.Mode != 2 && p.Mode != 4 && p.Mode != 5) return true;
  if (!FileExistsCI(p.FileEN)) {
    messages.push_back("Error not find files EN:");
    messages.push_back(p.FileEN);
    return false;
  }
  if (!FileExistsCI(p.FileRU)) {
    messages.push_back("Error not find files RU:");
    messages.push_back(p.FileRU);
    return false;
  }
  return true;
}

void RunMode(const TParam& p) {
  switch (p.Mode) {
    case 1: RunOptimize(p); break;
    case 2: RunRecover(p); break;
    case 3: RunSplitDouble(p); break;
    case 4: RunRecoverDouble(p); break;
    case 5: RunUpdate(p); break;
    case 6: RunRepStr(p); break;
    case 7: RunClearOther(p); break;
    case 8:
    case 9: RunPatch(p); break;  // also the branch for missing old files
    default: RunNoMode(p); break;
  }
}

bool NamesItsFiles(uint8_t mode) { return mode == 10 || mode == 11 || mode == 12; }

int RunWithGivenFiles(const TParam& p) {
  switch (p.Mode) {
    case 10: return RunToPo(p);
    case 11: return RunFromPo(p);
    default: return RunCheck(p);
  }
}

int VelloranMain(const std::vector<std::string>& args) {
  if (args.empty()) {
    for (const std::string& line : VelloranUsageLines()) ConsoleLine(line);
    WaitEnter();
    return 0;
  }
  TParam p;
  std::vector<std::string> messages;
  bool go = ParseArguments(args, p, messages);
  for (const std::string& m : messages) ConsoleLine(m);
  if (!go) return 0;

  p.NoFindLog = ProgramDir() + "NO_FIND.log";
  if (NamesItsFiles(p.Mode)) return RunWithGivenFiles(p);

  messages.clear();
  go = ResolveFiles(p, messages) && CheckInputs(p, messages);
  for (const std::string& m : messages) ConsoleLine(m);
  if (!go) return 0;

  RunMode(p);
  return 0;
}
