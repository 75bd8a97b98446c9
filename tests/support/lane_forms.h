// The lane forms of the similarity search this processor runs, so that a
// test compares each of them (and the search without one) with the plain
// algorithm, whichever form the program would choose here.
#pragma once
#include <string>
#include <vector>

#include "optimizer/lcs_bound_avx512.h"

inline const char* LaneFormName(TLaneForm form) {
  switch (form) {
    case TLaneForm::kNone: return "no lane form";
    case TLaneForm::kAvx2: return "AVX2 lane form";
    case TLaneForm::kAvx512: return "AVX-512 lane form";
  }
  return "?";
}

// The forms in use one after another while the object lives; the best one
// is in use again when it goes.
class TEachLaneForm {
 public:
  explicit TEachLaneForm(bool withNone) {
    for (TLaneForm form : {TLaneForm::kNone, TLaneForm::kAvx2, TLaneForm::kAvx512}) {
      UseLaneForm(form);
      if (LaneFormInUse() == form && (withNone || form != TLaneForm::kNone)) forms_.push_back(form);
    }
    UseLaneForm(TLaneForm::kAvx512);
  }
  ~TEachLaneForm() { UseLaneForm(TLaneForm::kAvx512); }
  TEachLaneForm(const TEachLaneForm&) = delete;
  TEachLaneForm& operator=(const TEachLaneForm&) = delete;
  // Each form, put in use as the loop reaches it.
  class TIterator {
   public:
    explicit TIterator(const TLaneForm* at) : at_(at) {}
    TLaneForm operator*() const {
      UseLaneForm(*at_);
      return *at_;
    }
    TIterator& operator++() {
      ++at_;
      return *this;
    }
    bool operator!=(const TIterator& other) const { return at_ != other.at_; }

   private:
    const TLaneForm* at_;
  };
  TIterator begin() const { return TIterator(forms_.data()); }
  TIterator end() const { return TIterator(forms_.data() + forms_.size()); }
  bool empty() const { return forms_.empty(); }

 private:
  std::vector<TLaneForm> forms_;
};
