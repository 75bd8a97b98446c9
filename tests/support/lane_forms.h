// The lane forms of the similarity search this processor runs, so that a
// test compares each of them (and the search without one) with the plain
// algorithm, whichever form the program would choose here.
#pragma once
#include <gtest/gtest.h>

#include "optimizer/lcs_bound_avx512.h"

inline const char* LaneFormName(TLaneForm form) {
  switch (form) {
    case TLaneForm::kNone: return "no lane form";
    case TLaneForm::kAvx2: return "AVX2 lane form";
    case TLaneForm::kAvx512: return "AVX-512 lane form";
  }
  return "?";
}

// Runs check once with each form this processor runs in use (and once
// without one when withNone), naming the form in its failures; the best form
// is in use again afterwards. False when no form ran.
template <class F>
bool UnderEachLaneForm(bool withNone, F check) {
  bool ran = false;
  for (TLaneForm form : {TLaneForm::kNone, TLaneForm::kAvx2, TLaneForm::kAvx512}) {
    if (form == TLaneForm::kNone && !withNone) continue;
    UseLaneForm(form);
    if (LaneFormInUse() != form) continue;
    SCOPED_TRACE(LaneFormName(form));
    check();
    ran = true;
  }
  UseLaneForm(TLaneForm::kAvx512);  // the best one
  return ran;
}
