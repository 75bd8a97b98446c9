// Small helpers for the benchmark programs: wall time and peak memory.
#pragma once
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

inline double NowSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Peak resident memory of this process so far, in MiB.
inline double PeakMiB() {
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  return static_cast<double>(ru.ru_maxrss) / 1024.0;
}

inline void PrintRow(const std::string& job, const std::string& size, double seconds) {
  std::printf("%-40s %-22s %9.3f s  peak %8.1f MiB\n", job.c_str(), size.c_str(), seconds, PeakMiB());
  std::fflush(stdout);
}
