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
//
// A line is scanned once for all search texts at once (Aho-Corasick); the
// pairs whose text occurs wait in a queue ordered by pair number. Applying a
// pair can make new occurrences only across the text it put in, so after
// each change only windows around the replaced places are scanned again.
// A long line is held in chunks, and every queued pair knows the chunks in
// which an occurrence of its text ends, so a pair works only on those
// chunks instead of the whole line. Queued pairs and chunks may be stale
// (a change removed the text); applying them then finds nothing.
// Cost per line: one scan of it, and for every pair that changes it, the
// chunks where its text ends plus windows of twice the longest search text
// around the replaced places.
// Empty search texts, and pairs that replace a text by itself, change
// nothing and are left out. The vectors must outlive the object.
class TPairReplacer {
 public:
  // Full transition table (states x byte classes) when it has at most
  // denseLimit entries; otherwise the sparse edges and failure links.
  static constexpr size_t kDenseLimit = 8u << 20;
  static constexpr size_t kChunkSize = 512;
  TPairReplacer(const std::vector<std::string>& search, const std::vector<std::string>& replace,
                size_t denseLimit = kDenseLimit, size_t chunkSize = kChunkSize);
  void Apply(std::string& line);
  bool Dense() const { return !dense_.empty(); }

 private:
  int Step(int state, unsigned char byte) const;
  // Records, for every pair id >= from whose search text occurs wholly
  // inside line[lo, hi) (positions in the whole line), the chunk where the
  // occurrence ends, and queues the pair.
  void Collect(size_t lo, size_t hi, int from);
  // Applies pair id to the chunks where its text may end.
  void ApplyPair(int id);
  void Push(int id);
  int PopMin();
  void NewScan();
  // Chunk sizes in a Fenwick tree: position of a chunk, the chunk holding
  // a position, and size changes, each in logarithmic time.
  void BuildSizes();
  void AddSize(size_t chunk, size_t oldSize, size_t newSize);
  size_t StartOf(size_t chunk) const;
  void Locate(size_t pos, size_t& chunk, size_t& offset) const;

  const std::vector<std::string>& search_;
  const std::vector<std::string>& replace_;
  size_t chunkSize_;
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
  std::vector<int> report_;         // the state itself when it has ids, else dict_
  std::vector<int> idStart_;        // per state: its pair ids (ascending) in ids_
  std::vector<int> ids_;
  std::vector<uint32_t> stamp_;     // per state: last scan that visited it
  uint32_t scan_ = 0;

  // Work state of the line being changed.
  std::vector<std::string> chunks_;      // the line, in order
  std::vector<size_t> sizes_;            // Fenwick tree of the chunk sizes
  size_t total_ = 0;                     // length of the line
  std::vector<std::vector<int>> endsIn_; // per pair: chunks where its text may end
  std::vector<char> queued_;             // per pair: in the queue
  std::vector<int> heap_;                // min-heap of queued pair ids
  std::vector<int> list_;                // chunks of the pair being applied
  std::vector<std::pair<size_t, size_t>> sites_;  // (chunk, offset) of every inserted text
  struct TPiece {
    size_t chunk, offset, length;
  };
  std::vector<TPiece> pieces_;           // context of the chunk being changed
  std::string window_, out_;
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
