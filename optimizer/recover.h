// The line passes of the mode -r, each in near-linear time and with exactly
// the result of the pairwise loops they stand for.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "optimizer/params.h"

// The last step of -r -hbs: UnescapeText in the Hex form, border spaces on,
// except that the escapes of bytes 0, 10 and 13 ("\x00", "\x0A", "\x0a", "\x0D",
// "\x0d") stay escaped, so the line file keeps one line per source line.
std::string UnescapeKeepingBreaks(const std::string& line);

// -r: later repeats of an English line (byte equality) are removed together
// with the Russian line of the same index. en and ru have equal counts.
void RemoveRepeatedPairs(std::vector<std::string>& en, std::vector<std::string>& ru);
void RemoveRepeatedPairs(std::vector<std::string_view>& en, std::vector<std::string_view>& ru);

// -r: for each English line i in order, every source line whose current key
// equals the key of en[i] becomes ru[i] (with DeleteBorder:
// RestoreBorder(source line, ru[i])); a replaced line takes part again in
// its new form. miss(i) is called, in order, for every English line that
// matched no source line (en is still whole then). The Russian lines may be
// taken over: afterwards ru holds the same number of lines, of which those
// that were used may be empty.
void ReplaceByKeys(std::vector<std::string>& src, const std::vector<std::string>& en,
                   std::vector<std::string>& ru, const TParam& p,
                   const std::function<void(size_t)>& miss);
// The same for lines as views whose keys are the lines themselves
// (KeyIsLine): a line takes its Russian line's view.
void ReplaceByKeys(std::vector<std::string_view>& src, const std::vector<std::string_view>& en,
                   std::vector<std::string_view>& ru, const std::function<void(size_t)>& miss);
