// Cores of the in-line replace (-repstr), clear (-co) and numbering of
// repeated lines, over plain vectors of lines.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/stringlist.h"
#include "optimizer/params.h"

// Applies search/replacement pairs to lines with the result of applying
// every pair in order, each as a left-to-right replace-all that does not
// rescan its own inserted text (later pairs see earlier results).
// A line is scanned once for all search texts at once (Aho-Corasick); the
// pairs whose text occurs wait in a queue ordered by pair number. Applying a
// pair can make new occurrences only across the text it put in, so after
// each change only windows around the replaced places are scanned again.
// The queue may hold pairs whose text a change removed; applying them finds
// nothing. Empty search texts, and pairs that replace a text by itself,
// change nothing and are left out. The vectors must outlive the object.
class TPairReplacer {
 public:
  // Full transition table (states x byte classes) when it has at most
  // denseLimit entries; otherwise the sparse edges and failure links.
  static constexpr size_t kDenseLimit = 8u << 20;
  TPairReplacer(const std::vector<std::string>& search, const std::vector<std::string>& replace,
                size_t denseLimit = kDenseLimit);
  void Apply(std::string& line);
  bool Dense() const { return !dense_.empty(); }

 private:
  int Step(int state, unsigned char byte) const;
  // Queues every pair id >= from whose search text occurs wholly inside
  // line[lo, hi).
  void Collect(std::string_view line, size_t lo, size_t hi, int from);
  void Push(int id);
  int PopMin();

  const std::vector<std::string>& search_;
  const std::vector<std::string>& replace_;
  size_t maxLen_ = 0;               // longest search text in the automaton
  std::vector<int> rootNext_;       // 256 transitions of the root
  std::vector<int> edgeStart_;      // per state: first edge, edges sorted by byte
  std::vector<unsigned char> edgeByte_;
  std::vector<int> edgeTarget_;
  std::vector<int> fail_;           // failure link
  std::vector<uint16_t> classOf_;
  size_t numClasses_ = 1;
  std::vector<int> dense_;
  std::vector<int> dict_;           // nearest state on the failure chain with ids, -1 none
  std::vector<int> idStart_;        // per state: its pair ids (ascending) in ids_
  std::vector<int> ids_;
  std::vector<uint32_t> stamp_;     // per state: last scan that visited it
  uint32_t scan_ = 0;
  std::vector<char> queued_;        // per pair: in the queue
  std::vector<int> heap_;           // min-heap of queued pair ids
  std::vector<size_t> sites_;       // starts of the inserted texts in the new line
  std::string out_;
};

// -repstr over vectors: every pair of search/replace in order on every line.
void ReplaceInLines(std::vector<std::string>& lines, const std::vector<std::string>& search,
                    const std::vector<std::string>& replace);

// -co over vectors: every line equal to no line of keepEN and keepRU
// (case-sensitive collation equality, that is equal bytes) becomes empty.
void ClearOtherLines(std::vector<std::string>& lines, const std::vector<std::string>& keepEN,
                     const std::vector<std::string>& keepRU);

// Every group of equal lines (byte for byte) with more than one member gets
// the endings "*1", "*2", ... in file order; single lines stay.
void NumberDuplicates(std::vector<std::string>& lines);
// The same on a line list when -add_numeration_double is on; otherwise nothing.
void NumberDuplicateLines(TStringList& list, const TParam& p);
