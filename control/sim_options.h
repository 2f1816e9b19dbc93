// acoustic_sim's command line and environment. The program asks its
// questions on the console; the command line only chooses what is written
// and ACOUSTIC_THREADS how many threads do the work.
#pragma once

#include "util/status.h"

struct sim_options {
  bool help = false;
  bool histories = true;  // false with --no-histories
  int threads = 1;        // ACOUSTIC_THREADS, or the machine's cores
};

extern const char* const sim_usage;

// `threads_variable` is ACOUSTIC_THREADS (nullptr when unset), `hardware`
// the machine's thread count (0 when unknown).
status parse_sim_options(int argc, const char* const* argv, const char* threads_variable, unsigned hardware,
                         sim_options& options);
