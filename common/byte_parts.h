// A text given as the byte ranges it is made of, in order, each a view of
// bytes kept elsewhere: a result of many edits to a large text is written
// out from its parts without first being joined into one copy.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

using TByteParts = std::vector<std::string_view>;

// A text handed over in batches while it is being made, so that writing
// goes on beside the making: each call gives the next batch of parts, null
// when the text is complete. A batch stays valid until the next call, the
// bytes it points to until the text is written.
using TPartsSource = std::function<const TByteParts*()>;

// The source of a text that is complete: its parts in one batch.
inline TPartsSource WholeText(const TByteParts& parts) {
  return [&parts, given = false]() mutable -> const TByteParts* {
    if (given) return nullptr;
    given = true;
    return &parts;
  };
}

inline size_t PartsSize(const TByteParts& parts) {
  size_t n = 0;
  for (std::string_view p : parts) n += p.size();
  return n;
}

inline std::string JoinParts(const TByteParts& parts) {
  std::string out;
  out.reserve(PartsSize(parts));
  for (std::string_view p : parts) out.append(p);
  return out;
}

// Calls write(bytes) with the parts in order, small neighbours gathered into
// one buffer first, so that a text of 10^5 short parts is written in a few
// calls; returns false as soon as write does.
template <class Write>
bool WritePartsInChunks(const TByteParts& parts, Write write) {
  constexpr size_t kChunk = size_t{1} << 20;
  std::string gather;
  for (std::string_view p : parts) {
    if (gather.size() + p.size() <= kChunk) {
      gather.append(p);
      continue;
    }
    if (!gather.empty() && !write(std::string_view(gather))) return false;
    gather.clear();
    if (p.size() >= kChunk / 2) {
      if (!write(p)) return false;
    } else {
      gather.append(p);
    }
  }
  return gather.empty() || write(std::string_view(gather));
}
