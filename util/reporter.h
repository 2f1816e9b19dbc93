// reporter: the one place that prints diagnostics. Errors and warnings
// travel as plain detail; the reporter adds the program's name, so that
// every line on standard error reads "NAME: detail" or
// "NAME: warning: detail". It also answers for the console: a standard
// output that is closed or goes away never stops a run, but the exit
// status says that it could not be written.
#pragma once

#include <string>

#include "util/status.h"

class reporter {
 public:
  explicit reporter(const char* program) : program_(program) {}

  // Call first: puts /dev/null where standard input, output or error is
  // closed (so that no output file can take their place) and lets writes
  // to a vanished pipe or beyond a file-size limit (ulimit -f) fail with
  // EPIPE or EFBIG instead of killing the program.
  void guard_console();

  void warning(const std::string& detail) const;

  // The exit status of a finished run: 0 when it succeeded and standard
  // output took everything; 128 + the signal when a signal stopped it;
  // otherwise 1 after one error line.
  int finish(const status& outcome) const;

 private:
  const char* program_;
  bool output_closed_ = false;
};
