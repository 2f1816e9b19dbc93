// worker_thread: a std::thread that never receives the interrupting
// signals (SIGINT, SIGTERM, SIGHUP). The thread that owns the run answers
// them between steps; a worker that took one would leave it unanswered.
#pragma once

#include <functional>
#include <string>
#include <thread>

std::thread start_worker_thread(std::function<void()> body);

// ACOUSTIC_THREADS as the thread count: `value` is the variable's text
// (nullptr when unset), `hardware` what the machine reports (0: unknown).
// Unset or empty follows the machine; otherwise a whole number from 1 to
// 256. Fails with the detail for a value that is not.
struct thread_count_result {
  int threads = 1;
  std::string error;  // empty when threads is valid
};
thread_count_result thread_count(const char* value, unsigned hardware);
