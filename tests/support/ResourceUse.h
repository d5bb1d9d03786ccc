// What this process uses of the machine, as the benchmarks print it.
#pragma once

#include <sys/resource.h>

// A figure of /proc/self/status in KiB: "VmRSS:" now, "VmHWM:" at the peak since the last
// ResetPeakRss.
long StatusKiB(const char* field);
// Starts the peak of resident memory afresh at what is resident now.
void ResetPeakRss();
// Processor time, user and system, in seconds: this process's (RUSAGE_SELF) or that of its
// children that have ended and been waited for (RUSAGE_CHILDREN).
double CpuSeconds(int who = RUSAGE_SELF);
