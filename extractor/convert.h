// Conversions between raw data text and the escaped one-line form of the
// text file, steered by the run settings and an entry's advanced keys.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "common/escape.h"
#include "extractor/params.h"

// The notation of line breaks in the text file: "\d" "\a" with
// "-r_da_old", else "\r" "\n".
inline TEscapeForm BreakEscapeForm(const TParametrs& p) {
  return p.r_da_old ? TEscapeForm::OldBreaks : TEscapeForm::BackslashBreaks;
}

// Raw found text -> escaped line text.
std::string ExportText(const std::string& text, std::string_view advKeys, const TParametrs& p);

// Edited line text -> raw data text. With "-border_quot" a text that keeps a
// double quote is appended to quotWarnings and its console line
// ("Warning quot text: ...") is appended to consoleLines, to be printed by
// the caller in order.
std::string ImportText(std::string_view text, std::string_view advKeys, const TParametrs& p,
                       std::string& quotWarnings, std::vector<std::string>& consoleLines);
// ImportText on t itself, which keeps its buffer.
void ImportTextInPlace(std::string& t, std::string_view advKeys, const TParametrs& p, std::string& quotWarnings,
                       std::vector<std::string>& consoleLines);

// Backslash before every character that has a meaning in a pattern, so the
// text is searched literally.
std::string QuoteRegexText(std::string_view text);

// Rewrites the line-break notations #$D#$A, #$D, #$A, \r\n, \r, \n into target.
void NormalizeEnters(std::string& text, std::string_view target, const TParametrs& p);

// Replace-all: plain with "-not_ekrane", else backslash-aware (an occurrence
// preceded by a backslash stays and loses that backslash).
void ReplaceEnter(std::string& text, std::string_view find, std::string_view replacement,
                  const TParametrs& p);
