// Run settings of korvane and the reading of its command line.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "extractor/reporter.h"

struct TTrashSettings {
  bool enabled = false;
  std::string file;  // program directory + the argument as typed
};

struct TRepInputSettings {
  bool enabled = false;
  std::string file;  // the argument as typed (relative to the current folder)
};

struct TParametrs {
  std::string operation;  // first argument as typed
  std::string file_data;  // full path
  std::string file_txt;   // full path
  std::string script_file;
  bool ee = false;
  bool d = false;
  bool b = false;
  bool ft = false;
  bool ff = false;
  bool hex_sys = false;
  bool hex_lat = false;
  bool hex_utf8 = false;
  bool rep_reg = false;
  bool nr_rn = false;
  bool nr_r_mac = false;
  bool nr_n_unx = false;
  bool nr_rn_win = false;
  bool not_ekrane = false;
  bool nr_t = false;
  bool nr_bs = false;
  bool r_da_old = false;
  bool r_bs_old = false;
  bool del_enter_and_tab = false;
  bool border_quot = false;
  bool bq_sys = false;
  TTrashSettings trash;
  TRepInputSettings rep_input;
  bool silent = false;
  bool adv_values_script = false;
  bool single_line = false;
  bool add_final_enter = false;
  bool utf16 = false;
  int32_t arg_index = 0;
  std::string out_data;  // full path, empty when not given
};

// The usage text, one entry per output line.
const std::vector<std::string>& UsageLines();

// Every option word of korvane, as the command-line scan compares them.
const std::vector<std::string>& KorvaneOptionWords();

// Checks the words that must not be options before anything is read: the
// operation word must be "extract" or "replace" (in any letter case), and
// the data and text file arguments must not be option words. Raises
// EStopRun with the one-line message of a refused run.
void CheckRunWords(const std::vector<std::string>& args);
// True when the run extracts rather than replaces (the operation word in
// any letter case).
bool IsExtract(const TParametrs& p);

// Fills p from the arguments (args[0] is argument 1, the operation word):
// positional values, the option scan with the script lookup messages.
// Raises EStopRun with the usage text when a file option lacks its name.
void ParseCommandLine(const std::vector<std::string>& args, TParametrs& p, TReporter& reporter);

// After the scan: the existence checks of the named files (EStopRun when
// one is missing), "Please wait...", and the copy for "-out_data" (a failed
// copy raises EInOutError).
void CheckStartFiles(TParametrs& p, TReporter& reporter);
