// status: the outcome of an operation that can fail on bad input or a
// failed write. An empty message means success; otherwise the message is
// the detail (which file, which value, what was expected), without the
// program's name, which only the entry point adds.
#pragma once

#include <string>
#include <utility>

struct status {
  std::string message;
  int signal = 0;  // the signal that interrupted the operation, if one did

  bool ok() const { return message.empty(); }
  static status success() { return status{}; }
  static status error(std::string detail) { return status{std::move(detail)}; }
  static status interrupted(int signal, std::string detail) { return status{std::move(detail), signal}; }
};

// Evaluates an expression yielding a status and returns it from the
// enclosing function when it failed.
#define RETURN_IF_ERROR(expr)          \
  do {                                 \
    status status_ = (expr);           \
    if (!status_.ok()) return status_; \
  } while (0)
