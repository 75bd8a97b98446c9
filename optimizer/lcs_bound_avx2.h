// The AVX2 copy of the lane form, for processors without AVX-512: the eight
// lanes are two 256-bit registers of four. The lane form's entry points in
// lcs_bound_avx512.h choose it when it is the form in use.
#pragma once
#include <cstdint>
#include <string_view>

#include "optimizer/lcs_bound_avx512.h"

// Whether this processor runs the AVX2 copy.
bool Avx2LaneFormAvailable();
// LcsBelowLanesOfTexts for count (1 to kLaneTexts) texts of one length.
void LcsBelowLanesAvx2(const TLaneTables& tables, const std::string_view* texts, int count,
                       const long long* const* need, uint32_t* active);
// LaneFilter.
uint32_t LaneFilterAvx2(const TLaneFilter& filter, const THistogram32& hist, long long len, long long maxIndex,
                        uint32_t takes, long long* limit, long long* need);
