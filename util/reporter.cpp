#include "util/reporter.h"

#include <cstdio>

void reporter::warning(const std::string& detail) const {
  std::fprintf(stderr, "%s: warning: %s\n", program, detail.c_str());
}

int reporter::finish(const status& outcome) const {
  // A console that could not take the output is a failure too: a script
  // reading it would otherwise see a truncated run reported as success.
  const bool console_failed = std::fflush(stdout) != 0 || std::ferror(stdout);
  if (!outcome.ok()) {
    std::fprintf(stderr, "%s: %s\n", program, outcome.message.c_str());
    return 1;
  }
  if (console_failed) {
    std::fprintf(stderr, "%s: cannot write to standard output\n", program);
    return 1;
  }
  return 0;
}
