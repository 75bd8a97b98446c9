// The column line list: every line is a row of delimited fields, optionally
// quoted and passed through the escape form of escape.h, so that a field may
// hold line breaks while its row stays one line.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/escape.h"
#include "common/stringlist.h"

class TStringListCSVEX : public TStringListEX {
 public:
  TStringListCSVEX() = default;

  char Delimiter = ';';
  char QuoteChar = '"';
  // AddObject inserts rows ordered by field 0; IndexOfField searches binary.
  bool KeySorted = false;
  // Reading honours quotes; writing quotes the fields that need it.
  bool QuoteFields = true;
  // Writing quotes every field.
  bool AlwaysQuote = true;
  // Field values pass through EscapeText / UnescapeText (border spaces off).
  bool EscapeFields = true;
  TEscapeForm EscapeType = TEscapeForm::BackslashBreaks;

  // Field i (from 0) of a line text; empty when the line has fewer fields.
  std::string FieldOf(std::string_view line, int i) const;
  // FieldOf of the row's line.
  std::string GetField(int row, int i) const;
  // Appends one field to a line text.
  void AppendField(std::string& line, std::string value) const;
  // AppendField on the row's line, stored back in the row.
  void AppendFieldAt(int row, const std::string& value);
  // Replaces the content by the fields of one line, one row a field.
  void ParseFields(std::string_view line);

  // Natural order of field values: case-sensitive when CaseSensitive is on.
  int CompareField(std::string_view a, std::string_view b) const;
  // Binary search of the rows by field i (they are assumed ordered by it).
  bool FindField(std::string_view value, int& index, int i) const;
  // First row from start on whose field i equals value, -1 when none.
  int IndexOfFieldFrom(std::string_view value, int i, int start) const;
  // Binary search with KeySorted, else linear from row 0; -1 when none.
  int IndexOfField(std::string_view value, int i) const;

  // Removes the rows whose field i repeats that of an earlier row: the first
  // row of each key keeps its place; with keepLast it takes the content of
  // the key's last row. Keys are equal when their bytes are (the list's
  // case-sensitive comparison); the row taking a later content is the first
  // one whose field equals the key in case-sensitive natural order. Returns,
  // for every row of the result, the index of the row (before the call)
  // whose content it holds; the list's text is the text of those rows.
  std::vector<int> RemoveDuplicates(int i, bool keepLast);

  // Without KeySorted the row is appended; with it the row goes to its place
  // by field 0 (-1 and nothing added when Duplicates is ignore or error and
  // an equal key exists).
  int AddObject(const std::string& line, void* object) override;

  // Fields of a line by the given delimiter and quote character (the
  // ParseFields rule), without unescaping.
  static std::vector<std::string> SplitFields(std::string_view line, char delimiter, char quote);
};

// Key whose byte equality equals CompareNaturalStr(a, b) == 0.
std::string NaturalEqualityKey(std::string_view s);
