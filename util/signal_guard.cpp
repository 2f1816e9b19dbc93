#include "util/signal_guard.h"

#include <ctime>

#include "util/message.h"

namespace {

const int interrupting[] = {SIGINT, SIGTERM, SIGHUP};

// The interrupting signals this process answers: one its parent set to be
// ignored (nohup, a background job) stays ignored.
sigset_t held_signals() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : interrupting) {
    struct sigaction current;
    if (sigaction(sig, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) sigaddset(&set, sig);
  }
  return set;
}

}  // namespace

signal_guard::signal_guard() : held_(held_signals()) { sigprocmask(SIG_BLOCK, &held_, &saved_mask_); }

signal_guard::~signal_guard() {
  const timespec now{0, 0};
  while (pending() != 0 && sigtimedwait(&held_, nullptr, &now) > 0) {
  }
  sigprocmask(SIG_SETMASK, &saved_mask_, nullptr);
}

int signal_guard::pending() const {
  sigset_t set;
  if (sigpending(&set) != 0) return 0;
  for (int sig : interrupting)
    if (sigismember(&held_, sig) && sigismember(&set, sig)) return sig;
  return 0;
}

const char* signal_name(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "a signal";
  }
}

status check_not_interrupted(const signal_guard* guard) {
  const int signal = guard ? guard->pending() : 0;
  if (signal == 0) return status::success();
  return status::interrupted(signal, message("interrupted by %s: the earlier results are kept", signal_name(signal)));
}
