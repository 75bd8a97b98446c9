// Command line of velloran.
#include "optimizer/cmdline.h"

#include "common/exitstatus.h"
#include "common/platform.h"
#include "common/standardoptions.h"
#include "common/classic_string.h"
#include "optimizer/line_check.h"
#include "optimizer/mode_runs.h"
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

// The parser's cursor over the arguments, and where it puts what it reads.
struct TOptionScan {
  const std::vector<std::string>& args;
  TParam& p;
  std::vector<std::string>& messages;
  int32_t index = 0;   // the argument being examined, 1-based
  std::string option;  // that argument lower-cased

  // The arguments after the one being examined.
  int32_t Left() const { return static_cast<int32_t>(args.size()) - index; }

  // Takes the next argument as an integer. Returns false when there is none
  // (the option then does nothing). On a bad value the field keeps what the
  // digits before the first bad character gave.
  bool TakeValue(int32_t& field) {
    if (Left() < 1) return false;
    ++index;
    if (!StrToIntPartial(args[static_cast<size_t>(index) - 1], field)) messages.push_back(kValueError + option);
    return true;
  }
};

// One option word: what it does when given. Returns false when the run
// must end at once.
struct TOption {
  const char* word;
  bool (*apply)(TOptionScan& s);
};

// The modes: the last one given wins.
template <TMode kMode>
bool SetMode(TOptionScan& s) {
  s.p.Mode = kMode;
  return true;
}

// Switches that turn fields on.
template <bool TParam::*... kFields>
bool Set(TOptionScan& s) {
  ((s.p.*kFields = true), ...);
  return true;
}

// Every option word of velloran, modes first.
const TOption kOptions[] = {
    {"-o", SetMode<TMode::Optimize>},
    {"-r", SetMode<TMode::Recover>},
    {"-sd", SetMode<TMode::SplitRepeats>},
    {"-rd", SetMode<TMode::RecoverRepeats>},
    {"-u", SetMode<TMode::Update>},
    {"-repstr", SetMode<TMode::ReplaceInLines>},
    {"-co", SetMode<TMode::Clear>},
    {"-cp", SetMode<TMode::Patch>},
    {"-cpd", SetMode<TMode::PatchEnglishOnly>},
    {"-topo", SetMode<TMode::ToPo>},
    {"-frompo", SetMode<TMode::FromPo>},
    {"-check", SetMode<TMode::Check>},
    // A later "-cp" or "-cpd" changes the mode but keeps PatchDouble.
    {"-cpds",
     [](TOptionScan& s) {
       s.p.Mode = TMode::PatchEnglishOnly;
       s.p.PatchDouble = true;
       return true;
     }},
    {"-addoldenru",
     [](TOptionScan& s) {
       if (s.Left() < 3) {
         s.messages.push_back(kValueError + s.option);
         return false;
       }
       TParam& p = s.p;
       const auto next = s.args.begin() + s.index;
       p.FileOldEN = next[0];
       p.FileOldRU = next[1];
       p.FileLog = next[2];
       s.index += 3;
       p.AddOldEnRu = true;
       return true;
     }},
    {"-df", Set<&TParam::DeleteFileLines>},
    {"-ef", Set<&TParam::EmptyFileLines>},
    {"-dfn", Set<&TParam::DeleteFileLines, &TParam::NullFileLinesOnly>},
    // FolderMarkers goes on whenever a value argument exists, even a bad one.
    {"-dfumb",
     [](TOptionScan& s) {
       if (s.TakeValue(s.p.FolderLevel)) s.p.FolderMarkers = true;
       return true;
     }},
    {"-de", Set<&TParam::DeleteEmpty>},
    {"-lso",
     [](TOptionScan& s) {
       s.TakeValue(s.p.LimitSymbols);
       return true;
     }},
    {"-silent", Set<&TParam::Silent>},
    {"-sort", Set<&TParam::Sort>},
    {"-bsymbol", Set<&TParam::BorderSymbols>},
    {"-rn", Set<&TParam::IgnoreEnters>},
    {"-rno", Set<&TParam::IgnoreEnters, &TParam::IgnoreOld>},
    {"-is", Set<&TParam::IgnoreQuote>},
    {"-hbs", Set<&TParam::HexBorder>},
    {"-dbs", Set<&TParam::DeleteBorder>},
    {"-cp_addfileline", Set<&TParam::PatchFileLines>},
    {"-add_numeration_double", Set<&TParam::NumberDoubles>},
};

}  // namespace

const std::vector<std::string>& VelloranOptionWords() {
  static const std::vector<std::string> words = [] {
    std::vector<std::string> w;
    for (const TOption& o : kOptions) w.push_back(o.word);
    return w;
  }();
  return words;
}

bool ParseArguments(const std::vector<std::string>& args, TParam& p,
                    std::vector<std::string>& messages) {
  TOptionScan s{args, p, messages, 0, {}};
  // The record keeps where the parser ended.
  auto finish = [&](bool go) {
    p.ParamIndex = s.index;
    p.CurrentParam = s.option;
    return go;
  };
  const int32_t count = static_cast<int32_t>(args.size());
  for (s.index = 1; s.index <= count; ++s.index) {
    const std::string& arg = args[static_cast<size_t>(s.index) - 1];
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
    // Options are compared lower-cased, each word as a whole; an unknown
    // one is ignored.
    s.option = LowerAscii(arg);
    for (const TOption& o : kOptions) {
      if (s.option != o.word) continue;
      if (!o.apply(s)) return finish(false);
      break;
    }
  }
  return finish(true);
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
  if (p.Mode != TMode::Recover && p.Mode != TMode::RecoverRepeats && p.Mode != TMode::Update) return true;
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

int RunMode(const TParam& p) {
  switch (p.Mode) {
    case TMode::Optimize: return RunOptimize(p);
    case TMode::Recover: return RunRecover(p);
    case TMode::SplitRepeats: return RunSplitDouble(p);
    case TMode::RecoverRepeats: return RunRecoverDouble(p);
    case TMode::Update: return RunUpdate(p);
    case TMode::ReplaceInLines: return RunRepStr(p);
    case TMode::Clear: return RunClearOther(p);
    case TMode::Patch:
    case TMode::PatchEnglishOnly: return RunPatch(p);  // also the branch for missing old files
    default: return RunNoMode(p);
  }
}

bool NamesItsFiles(TMode mode) { return mode == TMode::ToPo || mode == TMode::FromPo || mode == TMode::Check; }

int RunWithGivenFiles(const TParam& p) {
  switch (p.Mode) {
    case TMode::ToPo: return RunToPo(p);
    case TMode::FromPo: return RunFromPo(p);
    default: return RunCheck(p);
  }
}

int VelloranMain(const std::vector<std::string>& args) {
  if (args.empty()) {
    for (const std::string& line : VelloranUsageLines()) ConsoleLine(line);
    WaitEnter();
    return kExitDone;
  }
  if (AnswerStandardOption(args, "velloran", VelloranUsageLines())) return kExitDone;
  TParam p;
  std::vector<std::string> messages;
  bool go = ParseArguments(args, p, messages);
  for (const std::string& m : messages) ConsoleLine(m);
  if (!go) return kExitFailed;

  p.NoFindLog = ProgramDir() + "NO_FIND.log";
  if (NamesItsFiles(p.Mode)) return RunWithGivenFiles(p);

  messages.clear();
  go = ResolveFiles(p, messages) && CheckInputs(p, messages);
  for (const std::string& m : messages) ConsoleLine(m);
  if (!go) return kExitFailed;

  return RunMode(p);
}
