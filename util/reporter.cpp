#include "util/reporter.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

void reporter::guard_console() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1) continue;
    if (fd == 1) output_closed_ = true;
    const int null = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (null >= 0 && null != fd) {
      dup2(null, fd);
      close(null);
    }
  }
  // A closed pipe and a file-size limit are failed writes, reported as
  // such with the file's name, not signals that kill the run silently.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

void reporter::warning(const std::string& detail) const {
  std::fprintf(stderr, "%s: warning: %s\n", program_, detail.c_str());
}

int reporter::finish(const status& outcome) const {
  // A console that could not take the output is a failure too: a script
  // reading it would otherwise see a truncated run reported as success.
  const bool console_failed = std::fflush(stdout) != 0 || std::ferror(stdout) || output_closed_;
  if (!outcome.ok()) {
    std::fprintf(stderr, "%s: %s\n", program_, outcome.message.c_str());
    return outcome.signal ? 128 + outcome.signal : 1;
  }
  if (console_failed) {
    std::fprintf(stderr, "%s: cannot write to standard output%s\n", program_, output_closed_ ? ": it is closed" : "");
    return 1;
  }
  return 0;
}
