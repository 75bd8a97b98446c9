// Exit statuses of both programs, so that a script running many jobs can
// tell which of them failed.
#pragma once

// The work was done, the usage text was shown for a run without arguments,
// or the user answered a question with no.
inline constexpr int kExitDone = 0;
// The run could not do its job: an input was missing or invalid. The
// report of an unhandled error ends with this status too.
inline constexpr int kExitFailed = 1;
