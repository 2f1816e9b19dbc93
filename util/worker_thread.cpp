#include "util/worker_thread.h"

#include <pthread.h>

#include <csignal>
#include <string>

#include "util/message.h"
#include "util/token_reader.h"

std::thread start_worker_thread(std::function<void()> body) {
  // A new thread inherits the creating thread's mask: block the signals
  // around the creation so that not one instant of the worker takes them.
  sigset_t interrupting, saved;
  sigemptyset(&interrupting);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interrupting, sig);
  pthread_sigmask(SIG_BLOCK, &interrupting, &saved);
  std::thread worker(std::move(body));
  pthread_sigmask(SIG_SETMASK, &saved, nullptr);
  return worker;
}

thread_count_result thread_count(const char* value, unsigned hardware) {
  thread_count_result result;
  if (!value || !*value) {
    result.threads = hardware == 0 ? 1 : static_cast<int>(hardware > 256 ? 256 : hardware);
    return result;
  }
  int n = 0;
  if (parse_int(value, n) != read_result::ok || n < 1 || n > 256) {
    result.error =
        message("ACOUSTIC_THREADS = %s: expected a whole number of threads from 1 to 256", quoted(value).c_str());
    return result;
  }
  result.threads = n;
  return result;
}
