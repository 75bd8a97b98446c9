// The files of the modes that name each of their files on the command line
// (-topo, -frompo, -check). They use no default folders: the positional
// arguments are taken in order, as many as were given.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "common/stringlist.h"
#include "optimizer/params.h"

// The positional files of the run, in order, expanded to full paths, when
// their number lies in [least, most]. Otherwise prints
// "Error: <mode> takes the files <usage>" and returns false.
bool TakeGivenFiles(const TParam& p, const std::string& mode, const std::string& usage, size_t least,
                    size_t most, std::vector<std::string>& files);

// Prints "Not find file: " + path for the first of the inputs that does not
// exist and returns false; true when all exist.
bool GivenInputsExist(const std::vector<std::string>& inputs);

// "Error: EN and RU differ in length: <n> and <m> lines" when the two line
// files are not line for line; returns false then.
bool SameLineCount(const TStringList& en, const TStringList& ru);
