// The velloran modes; each runs one job from start to end and returns the
// exit status (kExitFailed when its inputs do not fit together).
#pragma once
#include "common/stringlist.h"
#include "optimizer/params.h"

int RunOptimize(const TParam& p);       // -o
int RunRecover(const TParam& p);        // -r
int RunSplitDouble(const TParam& p);    // -sd
int RunRecoverDouble(const TParam& p);  // -rd
int RunUpdate(const TParam& p);         // -u
int RunRepStr(const TParam& p);         // -repstr
int RunClearOther(const TParam& p);     // -co
int RunNoMode(const TParam& p);         // no mode
int RunPatch(const TParam& p);          // -cp, -cpd, -cpds (also the missing-old-files branch)
// -bsymbol step of -o.
void DedupeByLetters(TStringList& list);
