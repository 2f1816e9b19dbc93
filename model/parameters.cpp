#include "model/parameters.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "util/message.h"
#include "util/token_reader.h"

namespace {

enum class allowed { any, positive, non_negative, positive_or_open };

const char* expectation(allowed range) {
  switch (range) {
    case allowed::positive:
      return "a positive number";
    case allowed::non_negative:
      return "a number of 0 or more";
    case allowed::positive_or_open:
      return "a positive number, or inf for a chamber open to the room";
    default:
      return "a finite number";
  }
}

bool within(double value, allowed range) {
  switch (range) {
    case allowed::positive:
      return std::isfinite(value) && value > 0;
    case allowed::non_negative:
      return std::isfinite(value) && value >= 0;
    case allowed::positive_or_open:
      return value > 0;  // +inf included, nan not
    default:
      return std::isfinite(value);
  }
}

// Reads the parameter file value by value, counting positions so that an
// error can say where it is.
class parameter_reader {
 public:
  explicit parameter_reader(std::FILE* stream) : tokens_(stream) {}

  status real(double& value, const std::string& label, allowed range) {
    std::string text;
    ++position_;
    const read_result result = tokens_.read_real(value, text);
    if (result == read_result::end_of_input) return ended(label);
    if (result == read_result::unreadable) return unreadable();
    if (result != read_result::ok) return wrong(label, quoted(text), "a number");
    if (!within(value, range)) return wrong(label, quoted(text), expectation(range));
    return status::success();
  }

  status whole(int& value, const std::string& label, int low, int high) {
    std::string text;
    ++position_;
    const read_result result = tokens_.read_int(value, text);
    if (result == read_result::end_of_input) return ended(label);
    if (result == read_result::unreadable) return unreadable();
    const std::string range = message("a whole number from %d to %d", low, high);
    if (result != read_result::ok || value < low || value > high) {
      return wrong(label, quoted(text), range);
    }
    return status::success();
  }

 private:
  std::string where(const std::string& label) const {
    return message("%s: value %d (%s)", parameter_file_name, position_, label.c_str());
  }
  status unreadable() const {
    return status::error(message("%s: cannot be read: %s", parameter_file_name, std::strerror(tokens_.error())));
  }
  status ended(const std::string& label) const {
    return status::error(message("%s: the file ends before this value", where(label).c_str()));
  }
  status wrong(const std::string& label, const std::string& found, const std::string& expected) const {
    return status::error(message("%s is %s: expected %s", where(label).c_str(), found.c_str(), expected.c_str()));
  }

  token_reader tokens_;
  int position_ = 0;
};

std::string indexed(const char* what, int i, const char* unit) { return message("%s[%d] [%s]", what, i, unit); }

status read_values(model_state& s) {
  if (!s.input) {
    return status::error(message("%s: cannot be read", parameter_file_name));
  }
  parameter_reader in(s.input);
  RETURN_IF_ERROR(in.real(s.m0, "piston mass m0 [g]", allowed::non_negative));
  RETURN_IF_ERROR(in.real(s.radius, "piston radius [cm]", allowed::positive));
  RETURN_IF_ERROR(in.real(s.f0, "piston resonance frequency f0 [Hz]", allowed::non_negative));
  RETURN_IF_ERROR(in.whole(s.n, "branch count n", 0, MAX_BRANCHES));
  s.ND = 2 * s.n + 1;
  RETURN_IF_ERROR(in.whole(s.division, "steps per period division", 1, 2147483647));
  RETURN_IF_ERROR(in.real(s.HCR, "heat capacity ratio HCR", allowed::positive));
  RETURN_IF_ERROR(in.real(s.b, "force amplitude b [N]", allowed::any));
  for (int i = 0; i <= s.n; ++i) {
    RETURN_IF_ERROR(in.real(s.V[i], indexed("chamber volume V", i, "l"), allowed::positive_or_open));
  }
  for (int i = 1; i < s.ND; ++i) {
    RETURN_IF_ERROR(in.real(s.A[i], indexed("duct area A", i, "cm^2"), allowed::non_negative));
  }
  for (int i = 1; i < s.ND; ++i) {
    RETURN_IF_ERROR(in.real(s.L[i], indexed("duct length L", i, "mm"), allowed::non_negative));
  }
  for (int i = 0; i < s.ND; ++i) {
    RETURN_IF_ERROR(in.real(s.C[i], indexed("damping coefficient C", i, "kg/s"), allowed::any));
  }
  return status::success();
}

}  // namespace

status load_parameters(model_state& s) {
  RETURN_IF_ERROR(read_values(s));
  return derive_piston(s);
}

status derive_piston(model_state& s) {
  s.A[0] = s.radius * s.radius * pi;
  if (!(s.A[0] > 0) || !std::isfinite(s.A[0])) {
    return status::error(
        message("%s: piston radius %g cm gives a piston area of %g cm^2: expected a radius whose "
                "area is a positive finite number",
                parameter_file_name, s.radius, s.A[0]));
  }
  s.M[0] = s.m0 * 0.001;
  // The piston mass as the length of an air column of the piston's area, mm.
  s.L[0] = s.M[0] / s.A[0] * 10000 / rho * 1000;
  s.R[0] = 1.0;
  // (2 pi)^2 with pi = 3.141592, i.e. 6.283184^2.
  s.Ku = s.f0 * s.f0 * 39.47840117785601 * s.M[0];
  return status::success();
}

int values_needed(int n) { return 3 + 4 + (n + 1) + 2 * n + 2 * n + (2 * n + 1); }

int count_trailing_values(model_state& s) {
  // Only a file has an end to read to; a pipe may never close.
  struct stat info;
  if (!s.input || fstat(fileno(s.input), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
  token_reader rest(s.input);
  std::string text;
  int count = 0;
  while (rest.next_token(text)) ++count;
  return count;
}
