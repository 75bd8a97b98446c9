// Batches of a text's parts handed from the thread that makes the text to
// the thread that writes it (as a TPartsSource), so that the two go on side
// by side.
#pragma once
#include "common/batch_queue.h"
#include "common/byte_parts.h"

class TPartsQueue : public TBatchQueue<TByteParts> {
 public:
  TPartsSource Source() {
    return [this] { return static_cast<const TByteParts*>(Next()); };
  }
};
