#include "optimizer/given_files.h"

#include "common/platform.h"
#include "common/classic_string.h"

bool TakeGivenFiles(const TParam& p, const std::string& mode, const std::string& usage, size_t least,
                    size_t most, std::vector<std::string>& files) {
  files.clear();
  for (const std::string* f : {&p.FileMain, &p.FileEN, &p.FileRU, &p.FileRec}) {
    if (f->empty()) break;
    files.push_back(ExpandPath(*f));
  }
  if (files.size() < least || files.size() > most) {
    ConsoleLine("Error: " + mode + " takes the files " + usage);
    return false;
  }
  return true;
}

bool GivenInputsExist(const std::vector<std::string>& inputs) {
  for (const std::string& f : inputs) {
    if (!FileExistsCI(f)) {
      ConsoleLine("Not find file: " + f);
      return false;
    }
  }
  return true;
}

bool SameLineCount(const TStringList& en, const TStringList& ru) {
  if (en.Count() == ru.Count()) return true;
  ConsoleLine("Error: EN and RU differ in length: " + IntToStr(en.Count()) + " and " + IntToStr(ru.Count()) +
              " lines");
  return false;
}
