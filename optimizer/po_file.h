// Reading and writing gettext PO files through libgettextpo. The library
// owns the file format: quoting and escapes, strings wrapped over several
// lines, flags such as "fuzzy", obsolete entries ("#~") and references.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "common/errors.h"

// A PO file that the library cannot read or write; the message holds the
// library's own lines ("file:line: text"), one per problem.
KV_DECLARE_ERROR(EPoError)

// One message of a PO file, as velloran uses it.
struct TPoEntry {
  bool HasContext = false;  // msgctxt present (an empty msgctxt is still one)
  std::string Context;
  std::string Id;   // msgid
  std::string Str;  // msgstr; empty means untranslated
  bool Fuzzy = false;
  bool Obsolete = false;
  int Line = 0;  // written as the reference "#: <file>:<Line>"; 0 writes none
};

struct TPoCatalog {
  // Text of the header entry (msgid ""), "Field: value" lines each ending
  // in a line break. Empty: no header entry.
  std::string Header;
  std::vector<TPoEntry> Entries;  // in file order, header excluded
};

// Reads the PO file. Raises EFOpenError when it cannot be opened and
// EPoError when it is not a valid PO file.
TPoCatalog ReadPoFile(const std::string& path);

// Entries written through the library at a time (see WritePoFile).
inline constexpr size_t kPoEntriesPerPiece = 20000;

// Writes the catalog as a PO file; the references name referenceFile.
// Raises EPoError or EFCreateError. The library keeps its own copy of every
// message of a file until the file is written, so a large catalog goes
// through it in pieces of entriesPerPiece entries, each written to a
// temporary file; the pieces are joined (the header once) and saved whole
// over path by WriteWholeFile. The catalog is taken over: each entry's texts
// are released once the library holds its copy.
void WritePoFile(const std::string& path, TPoCatalog catalog, const std::string& referenceFile,
                 size_t entriesPerPiece = kPoEntriesPerPiece);

// The charset named in the header's Content-Type field, "" when there is none.
std::string PoHeaderCharset(const std::string& header);
