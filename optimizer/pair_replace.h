// Mode -repstr: search/replacement pairs applied to every line.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "common/aho_corasick.h"

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
  static constexpr size_t kDenseLimit = AhoCorasick::kDenseLimit;
  static constexpr size_t kChunkSize = 512;
  TPairReplacer(const std::vector<std::string>& search, const std::vector<std::string>& replace,
                size_t denseLimit = kDenseLimit, size_t chunkSize = kChunkSize);
  ~TPairReplacer();
  TPairReplacer(const TPairReplacer&) = delete;
  TPairReplacer& operator=(const TPairReplacer&) = delete;
  void Apply(std::string& line);
  bool Dense() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// -repstr over vectors: every pair of search/replace in order on every line.
void ReplaceInLines(std::vector<std::string>& lines, const std::vector<std::string>& search,
                    const std::vector<std::string>& replace);
