// The velloran modes; each runs one job from start to end.
#pragma once
#include "common/stringlist.h"
#include "optimizer/params.h"

void RunOptimize(const TParam& p);        // -o
void RunRecover(const TParam& p);         // -r
void RunSplitDouble(const TParam& p);     // -sd
void RunRecoverDouble(const TParam& p);   // -rd
void RunUpdate(const TParam& p);          // -u
void RunRepStr(const TParam& p);          // -repstr
void RunClearOther(const TParam& p);      // -co
void RunNoMode(const TParam& p);          // no mode
void RunPatch(const TParam& p);           // -cp, -cpd, -cpds (also the missing-old-files branch)
// -bsymbol step of -o.
void DedupeByLetters(TStringList& list);
