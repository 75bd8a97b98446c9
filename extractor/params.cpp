#include "extractor/params.h"

#include <algorithm>
#include <iterator>

#include "common/errors.h"
#include "common/platform.h"
#include "common/standardoptions.h"
#include "common/classic_string.h"
#include "extractor/stop_run.h"

const std::vector<std::string>& UsageLines() {
  static const std::vector<std::string> lines = {
    R"KV(KORVANE v6.4 By QUENLOW)KV",
    R"KV(Usage: TOLMERE [operation] file_data file_txt [options])KV",
    R"KV(Operation:)KV",
    R"KV(       extract = delete double.)KV",
    R"KV(file_data -> script_list.txt -> file_txt)KV",
    R"KV(       replace = replace all double.)KV",
    R"KV(file_data <- script_list.txt <- file_txt)KV",
    R"KV(Options:)KV",
    R"KV(       -d (extract = delete double.)KV",
    R"KV(          (replace = replace all double.)KV",
    R"KV(       -b (find begin regular last.)KV",
    R"KV(           exemple find text=": (text="...text="..."end))KV",
    R"KV(           Find = (text="..."end), a not (text="...text="..."end))KV",
    R"KV(       -out_data [out file data for replace])KV",
    R"KV(       -utf16 (standart encodings >export> utf8 >import> original encoding)KV",
    R"KV(       -rep_reg (replace mode search regular))KV",
    R"KV(       -f[t,2r,f])KV",
    R"KV(                  -ft  (begin to find position is finded text. ([reg1]|[text][reg2]))KV",
    R"KV(                  -f2r (begin to find position is finded two rerular, on default. ([reg1][text]|[reg2]))KV",
    R"KV(                  -ff  (begin to find position is finded final. ([reg1][text][reg2]|))KV",
    R"KV(       -hex_sys (replace hex byte 1-31 (\x01-\x1F))KV",
    R"KV(       -hex_lat (replace hex byte 32-127 (\x20-\x7F))KV",
    R"KV(       -hex_utf8 (replace hex byte 128-255 (\x80-\xFF))KV",
    R"KV(       -ee export empty)KV",
    R"KV(       -not_ekrane not replace \\n to text \n, a repalace \\n to \(enter \x0A) )KV",
    R"KV(       -nr_rn (not replace all \r and \n -> enter)KV",
    R"KV(       -nr_r_mac (not replace \r -> enter for mac)KV",
    R"KV(       -nr_n_unx (not replace \n -> enter for unix)KV",
    R"KV(       -nr_rn_win (not replace \r\n -> enter for win)KV",
    R"KV(       -nr_t (not replace \t -> "  ")KV",
    R"KV(       -nr_bs (not replace border space -> \x20Text\x20)KV",
    R"KV(       -r_da_old (replace \a and \d -> enter)KV",
    R"KV(       -r_bs_old (replace border space -> \" Text \")KV",
    R"KV(       -del_enter_and_tab delete enter and tab.)KV",
    R"KV(       -border_quot insert border quots, if there not.)KV",
    R"KV(       -bq_sys (export - clear border quots system; import - recover border quots system.)KV",
    R"KV(       -del_lines_trash [file.txt] delete lines trash. exemple -del_lines_trash file_trash.txt)KV",
    R"KV(       -rep_input_txt [file.txt] input original exportired file for sinchronization old version, only replace. exemple -rep_input_txt namefile.txt)KV",
    R"KV(       -silent silent for view error.)KV",
    R"KV(       -single_line single line find (!!!NOT WORK UNICODE!!! AND BYTE 128-191) (test work \x97 \xa8 \xab \xb8 \xbb).)KV",
    R"KV(       -add_final_enter)KV",
    R"KV(       -adv_values_script)KV",
    R"KV(       -script [file] script file in root programm.)KV",
    R"KV(                      Warning: This replace use only for script with one action.)KV",
    R"KV(       Advaced script value keys:)KV",
    R"KV(         [-nr_rn] not replace enter all)KV",
    R"KV(         [-nr_rn_win] not replace enter win)KV",
    R"KV(         [-nr_n_unix] not replace enter unix)KV",
    R"KV(         [-nr_r_mac] not replace enter mac)KV",
    R"KV(         [-enter_win_reg] standartilizing enter all to reg win)KV",
    R"KV(         [-enter_win] standartilizing enter all to simple win)KV",
    R"KV(         [-enter_unix_reg] standartilizing enter all to reg unix)KV",
    R"KV(         [-enter_unix] standartilizing enter all to simple unix)KV",
    R"KV(         [-enter_mac_reg] standartilizing enter all to reg mac)KV",
    R"KV(         [-enter_mac] standartilizing enter all to simple mac)KV",
  };
  return lines;
}

namespace {

std::string Arg(const std::vector<std::string>& args, int32_t index) {
  // index is 1-based like the argument numbers of the command line.
  return index >= 1 && static_cast<size_t>(index) <= args.size() ? args[index - 1] : std::string();
}

[[noreturn]] void EndWithUsage(const char* message) {
  std::vector<std::string> lines = UsageLines();
  lines.emplace_back();
  if (message) lines.emplace_back(message);
  throw EStopRun(std::move(lines));
}

void LookupScript(TParametrs& p, const std::string& name, TReporter& reporter) {
  p.script_file = ProgramDir() + name;
  if (FileExistsCI(p.script_file)) {
    reporter.Line("Find script: " + p.script_file);
    return;
  }
  reporter.Line("Not find script: " + p.script_file);
  std::string here = ExpandPath(name);
  if (!here.empty() && FileExistsCI(here)) {
    p.script_file = here;
    return;
  }
  reporter.Line("And not find name in root exe");
  reporter.Line("Default script loading...");
  p.script_file = ProgramDir() + "script_list.txt";
}

// One option word of the command line: either a switch that sets a field,
// or an option that takes the next argument as a file name.
struct TOption {
  const char* word;
  bool TParametrs::*flag = nullptr;
  void (*take_file)(TParametrs& p, const std::string& name, TReporter& reporter) = nullptr;
  // Printed after the usage text when the file name is missing.
  const char* missing_file = nullptr;
  // The file name is not examined as an option in its own turn.
  bool skips_file = false;
};

// Every option word of korvane; switches first, then the file options, the
// order in which the scan compares them.
const TOption kOptions[] = {
    {"-ee", &TParametrs::ee},
    {"-d", &TParametrs::d},
    {"-b", &TParametrs::b},
    {"-ft", &TParametrs::ft},
    {"-ff", &TParametrs::ff},
    {"-hex_sys", &TParametrs::hex_sys},
    {"-hex_lat", &TParametrs::hex_lat},
    {"-hex_utf8", &TParametrs::hex_utf8},
    {"-rep_reg", &TParametrs::rep_reg},
    {"-nr_rn", &TParametrs::nr_rn},
    {"-nr_r_mac", &TParametrs::nr_r_mac},
    {"-nr_n_unx", &TParametrs::nr_n_unx},
    {"-nr_rn_win", &TParametrs::nr_rn_win},
    {"-not_ekrane", &TParametrs::not_ekrane},
    {"-nr_t", &TParametrs::nr_t},
    {"-nr_bs", &TParametrs::nr_bs},
    {"-r_da_old", &TParametrs::r_da_old},
    {"-r_bs_old", &TParametrs::r_bs_old},
    {"-del_enter_and_tab", &TParametrs::del_enter_and_tab},
    {"-border_quot", &TParametrs::border_quot},
    {"-bq_sys", &TParametrs::bq_sys},
    {"-silent", &TParametrs::silent},
    {"-adv_values_script", &TParametrs::adv_values_script},
    {"-single_line", &TParametrs::single_line},
    {"-add_final_enter", &TParametrs::add_final_enter},
    {"-utf16", &TParametrs::utf16},
    {"-script", nullptr, [](TParametrs& p, const std::string& name, TReporter& reporter) { LookupScript(p, name, reporter); },
     "Not Specified file script.", true},
    {"-del_lines_trash", nullptr,
     [](TParametrs& p, const std::string& name, TReporter&) {
       p.trash.enabled = true;
       p.trash.file = ProgramDir() + name;
     },
     "Not Specified file trash."},
    {"-rep_input_txt", nullptr,
     [](TParametrs& p, const std::string& name, TReporter&) {
       p.rep_input.enabled = true;
       p.rep_input.file = name;
     },
     "Not Specified file exportired old version."},
    {"-out_data", nullptr, [](TParametrs& p, const std::string& name, TReporter&) { p.out_data = ExpandPath(name); }},
};

}  // namespace

const std::vector<std::string>& KorvaneOptionWords() {
  static const std::vector<std::string> words = [] {
    std::vector<std::string> w(std::size(kOptions));
    std::transform(std::begin(kOptions), std::end(kOptions), w.begin(), [](const TOption& o) { return o.word; });
    return w;
  }();
  return words;
}

void ParseCommandLine(const std::vector<std::string>& args, TParametrs& p, TReporter& reporter) {
  const int32_t count = static_cast<int32_t>(args.size());
  p.operation = Arg(args, 1);
  p.file_data = ExpandPath(Arg(args, 2));
  p.file_txt = ExpandPath(Arg(args, 3));
  p.script_file = ProgramDir() + "script_list.txt";

  p.arg_index = 1;
  while (p.arg_index <= count) {
    const std::string arg = AnsiLowerCase(Arg(args, p.arg_index));
    for (const TOption& o : kOptions) {
      if (arg != o.word) continue;
      if (o.flag) {
        p.*(o.flag) = true;
        break;
      }
      if (p.arg_index + 1 > count) EndWithUsage(o.missing_file);
      o.take_file(p, Arg(args, p.arg_index + 1), reporter);
      if (o.skips_file) ++p.arg_index;
      break;
    }
    ++p.arg_index;
  }
}

bool IsExtract(const TParametrs& p) { return AnsiLowerCase(p.operation) == "extract"; }

void CheckRunWords(const std::vector<std::string>& args) {
  const std::string operation = args.empty() ? std::string() : AnsiLowerCase(args[0]);
  if (operation != "extract" && operation != "replace") {
    throw EStopRun({"Unknown operation \"" + (args.empty() ? std::string() : args[0]) +
                    "\": use \"extract\" or \"replace\"."});
  }
  const auto isOption = [](const std::string& word) {
    const auto& own = KorvaneOptionWords();
    const auto& standard = StandardOptionWords();
    return std::find(own.begin(), own.end(), word) != own.end() ||
           std::find(standard.begin(), standard.end(), word) != standard.end();
  };
  for (size_t i = 1; i < 3 && i < args.size(); ++i) {
    if (isOption(AnsiLowerCase(args[i]))) {
      throw EStopRun({std::string(i == 1 ? "The data file" : "The text file") + " is missing: \"" + args[i] +
                      "\" is an option of korvane; name the data file and the text file before the options."});
    }
  }
}

void CheckStartFiles(TParametrs& p, TReporter& reporter) {
  const auto missing = [&](const std::string& path) {
    return EStopRun(p.silent ? std::vector<std::string>{} : std::vector<std::string>{"Not Find File: " + path});
  };
  if (!FileExistsCI(p.file_data)) throw missing(p.file_data);
  if (!FileExistsCI(p.file_txt) && p.operation == "replace") throw missing(p.file_txt);
  if (!FileExistsCI(p.script_file)) {
    reporter.Line("Not find script: " + p.script_file);
    reporter.Line("And not find in root exe!!!");
  }
  if (!p.silent) reporter.Line("Please wait...");
  if (!p.out_data.empty()) {
    // The copy becomes the data file: a failed copy must stop the run, or
    // an old file at that path would be worked on instead.
    const std::string source = ResolveExistingCI(p.file_data);
    if (!SameFile(source, p.out_data)) {
      ForceFileDir(p.out_data);
      std::string err = CopyFileOver(source, p.out_data);
      if (!err.empty()) {
        throw EInOutError("Cannot copy file \"" + source + "\" to \"" + p.out_data + "\". " + err);
      }
    }
    p.file_data = p.out_data;
  }
}
