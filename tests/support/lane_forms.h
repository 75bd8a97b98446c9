// The lane forms of the similarity search this processor runs, so that a
// test compares each of them (and the search without one) with the plain
// algorithm, whichever form the program would choose here.
#pragma once
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

// The forms this processor runs, the search without one among them when
// withNone. Asking for the AVX-512 form puts the best one in use.
inline std::vector<TLaneForm> LaneFormsHere(bool withNone) {
  std::vector<TLaneForm> forms;
  for (TLaneForm form : {TLaneForm::kNone, TLaneForm::kAvx2, TLaneForm::kAvx512}) {
    UseLaneForm(form);
    if (LaneFormInUse() == form && (withNone || form != TLaneForm::kNone)) forms.push_back(form);
  }
  UseLaneForm(TLaneForm::kAvx512);
  return forms;
}

// Puts the best form in use again when the test that changed it ends.
struct TBestLaneFormAtEnd {
  ~TBestLaneFormAtEnd() { UseLaneForm(TLaneForm::kAvx512); }
};
