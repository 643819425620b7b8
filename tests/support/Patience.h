// Patience.h - how long a test waits for something that will happen (a frame, a thread's end):
// a time limit that only bounds the failing case, scaled with the pace of the build and of the
// machine, so that a test that passes on an idle machine passes on a loaded one too.
#pragma once

#include <cstdint>

namespace ovilux::test {

// How many times slower than an idle machine running a plain build this process runs: the
// build's slowdown (ThreadSanitizer about 8, AddressSanitizer about 2) times the machine's load
// per core when above 1 (from /proc/loadavg, which Wine shows too), times OVILUX_TEST_PATIENCE
// when set (a factor for machines slower still). Read once per process.
double Pace();

// ms scaled by Pace(): the limit of a wait that ends as soon as what it waits for happens.
uint32_t PatienceMs(uint32_t ms);

}  // namespace ovilux::test
