// Keeping the first occurrence of each key: the pass that the optimize and
// recover modes make over their lines, in one hash-table walk.
#pragma once
#include <string>
#include <vector>

#include "common/key_map.h"

// keep[i] is 1 where keys[i] is the first of its key among the keys that
// count. A key counts when counts(i) is true; a key that does not count is
// kept when no earlier counting key equals it, and is not remembered.
template <class Key, class Counts>
std::vector<char> FirstOccurrences(const std::vector<Key>& keys, Counts counts) {
  const size_t n = keys.size();
  const std::vector<uint64_t> hashes = HashAll(keys);
  TKeyMap seen(n);
  std::vector<char> keep(n, 1);
  for (size_t i = 0; i < n; ++i) {
    if (i + kPrefetchAhead < n) seen.Prefetch(hashes[i + kPrefetchAhead]);
    if (!counts(i)) {
      keep[i] = seen.Find(keys[i], hashes[i]) == nullptr;
    } else {
      bool inserted = false;
      seen.Insert(keys[i], hashes[i], &inserted);
      keep[i] = inserted;
    }
  }
  return keep;
}

template <class Key>
std::vector<char> FirstOccurrences(const std::vector<Key>& keys) {
  return FirstOccurrences(keys, [](size_t) { return true; });
}

// Moves the items whose flag is set to the front, in order, and drops the rest.
template <class T>
void KeepFlagged(std::vector<T>& items, const std::vector<char>& keep) {
  size_t out = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    if (!keep[i]) continue;
    if (out != i) items[out] = std::move(items[i]);
    ++out;
  }
  items.resize(out);
}
