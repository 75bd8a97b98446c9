// A text under a sequence of edits that keeps track of where a fixed set of
// search strings occur in it, without moving bytes on an edit and without
// searching the whole text again. The replacement passes of korvane are built
// on it: each asks for the first or for every occurrence of a string in the
// text as changed so far, and replaces bytes at positions it chose.
//
// Positions are 0-based byte offsets in the current text. Every search string
// has a number of uses announced up front; a string is tracked through edits
// only while uses of it are pending.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/byte_parts.h"

class TrackedText {
 public:
  struct Pattern {
    std::string_view bytes;  // non-empty; the strings of one text are distinct
    uint32_t uses = 0;       // how many times Use() will be called for it
    bool all = false;        // every occurrence will be asked for, not only the first
  };

  // The text and the pattern bytes are viewed, not copied: they must outlive
  // the object, as must the bytes given to Replace().
  TrackedText(std::string_view text, const std::vector<Pattern>& patterns);
  ~TrackedText();
  TrackedText(const TrackedText&) = delete;
  TrackedText& operator=(const TrackedText&) = delete;

  // Starts one use of pattern k: from now on edits look for it only when
  // uses are still pending after this one. Queries of k stay valid until
  // Forget(k).
  void Use(uint32_t k);
  // Releases what is kept for pattern k when no use of it is pending.
  void Forget(uint32_t k);

  // Leftmost occurrence of pattern k in the current text.
  bool First(uint32_t k, uint64_t& pos);
  // Calls visit(pos) for the occurrences of pattern k in text order (each
  // start once, overlapping ones included) until it returns false.
  template <class Visit>
  void ForEach(uint32_t k, Visit visit) {
    ForEachImpl(k, [](void* ctx, uint64_t pos) { return (*static_cast<Visit*>(ctx))(pos); }, &visit);
  }

  // Replaces the len bytes at pos (cut at the end of the text) by bytes.
  // Returns false when the text stays the same.
  bool Replace(uint64_t pos, uint64_t len, std::string_view bytes);

  // Replaces the occurrences of pattern k that a replace-all scan of the
  // current text takes (left to right, each starting at or after the end of
  // the last one) by bytes. Returns false when the text stays the same.
  bool ReplaceAll(uint32_t k, std::string_view bytes);

  uint64_t Size() const;
  // Appends the bytes [pos, pos + n) of the current text (cut at its end).
  void AppendRange(uint64_t pos, uint64_t n, std::string& out) const;
  // True when some Replace() changed the text.
  bool Changed() const;
  // The current text.
  std::string Text() const;
  // The current text as its parts in order: views of the text given to the
  // constructor and of the bytes given to Replace().
  void Parts(TByteParts& out) const;

 private:
  using VisitFn = bool (*)(void*, uint64_t);
  void ForEachImpl(uint32_t k, VisitFn fn, void* ctx);

  struct Impl;
  std::unique_ptr<Impl> impl_;
};
