// signal_guard: holds back SIGINT, SIGTERM and SIGHUP while a run writes
// its files, so that an interruption is noticed where the run can stop
// cleanly (pending() between steps) instead of killing it mid-write.
#pragma once

#include <csignal>

#include "util/status.h"

class signal_guard {
 public:
  signal_guard();
  // Drops a signal that arrived and was answered, and lets signals through
  // again.
  ~signal_guard();
  signal_guard(const signal_guard&) = delete;
  signal_guard& operator=(const signal_guard&) = delete;

  // The number of a held-back signal that has arrived, or 0.
  int pending() const;

 private:
  sigset_t held_;        // the signals held back
  sigset_t saved_mask_;  // the caller's
};

// The signal's name, "SIGINT" for 2.
const char* signal_name(int signal);

// Success while no held-back signal has arrived (or there is no guard).
status check_not_interrupted(const signal_guard* guard);
