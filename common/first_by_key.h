// The first index holding a key, kept up to date while indexes change their
// key: the answer a scan from the start would give, in O(1) average per
// lookup. Per key a min-heap of indexes; entries of indexes that have left
// the key are dropped when they come to the top.
#pragma once
#include <string>
#include <unordered_map>
#include <vector>

class TFirstByKey {
 public:
  void Reserve(size_t count);
  // The next index (Count()) holds key.
  void Append(std::string key);
  // Index now holds key.
  void Replace(int index, std::string key);
  // Lowest index holding key, -1 when none.
  int First(const std::string& key);
  int Count() const { return static_cast<int>(keys_.size()); }

 private:
  void Push(const std::string& key, int index);
  std::vector<std::string> keys_;  // current key per index
  std::unordered_map<std::string, std::vector<int>> heaps_;
};
