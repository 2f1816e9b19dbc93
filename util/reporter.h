// reporter: the one place that prints diagnostics. Errors and warnings
// travel as plain detail; the reporter adds the program's name, so that
// every line on standard error reads "NAME: detail" or
// "NAME: warning: detail".
#pragma once

#include <string>

#include "util/status.h"

struct reporter {
  const char* program;

  void warning(const std::string& detail) const;

  // The process exit status for a finished run: 0 when it succeeded and
  // standard output took everything; otherwise 1 after one error line.
  int finish(const status& outcome) const;
};
