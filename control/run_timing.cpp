#include "control/run_timing.h"

#include <climits>
#include <cmath>

#include "util/binary_double.h"
#include "util/message.h"

namespace {

// The largest n_rows a run can have: n_rows + 1 steps and samples must
// still be counted in an int.
constexpr std::int64_t max_rows = INT_MAX - 1;

status too_many_steps(const char* what, double F, int division) {
  return status::error(
      message("%s %g Hz with division %d needs more than %lld time steps: expected a smaller "
              "frequency or division",
              what, F, division, static_cast<long long>(max_rows)));
}

status set_rows(model_state& s, std::int64_t rows, const char* what) {
  if (rows > max_rows) return too_many_steps(what, s.F, s.division);
  s.n_rows = static_cast<int>(rows);
  return status::success();
}

}  // namespace

status time_sinusoid(model_state& s, double F) {
  s.F = F;
  if (!(F < 2147483648.0)) return too_many_steps("a sinusoid at", F, s.division);
  s.req_cycles = static_cast<int>(s.F);  // whole cycles only
  s.n_cycles = s.req_cycles;
  RETURN_IF_ERROR(set_rows(s, static_cast<std::int64_t>(s.division) * s.n_cycles, "a sinusoid at"));
  s.T = 1 / s.F;
  s.delta = s.T / s.division;
  if (!std::isfinite(s.delta)) {
    return status::error(message("a sinusoid at %g Hz has no finite period: expected a larger frequency", F));
  }
  return status::success();
}

status time_sweep(model_state& s, double F) {
  s.F = F;
  if (s.F > 300) s.F = 300;
  if (s.F < 200) s.F = 200;
  s.phi = s.F;  // the sweep rate in Hz/s equals the final frequency
  s.T = 1 / s.F;
  s.delta = s.T / s.division;
  // One second of steps: the stored delta lies just above or below
  // 1/(F division), and the truncation must see on which side.
  std::int64_t rows = 0;
  if (!exact_truncated_quotient(s.F / s.phi, s.delta, rows)) return too_many_steps("a sweep up to", s.F, s.division);
  return set_rows(s, rows, "a sweep up to");
}

status time_random(model_state& s) {
  s.F = 100.0;
  s.req_cycles = static_cast<int>(s.F);
  s.n_cycles = s.req_cycles;
  RETURN_IF_ERROR(set_rows(s, static_cast<std::int64_t>(s.division) * s.n_cycles, "a random force on"));
  s.T = 1 / s.F;
  s.delta = s.T / s.division;
  return status::success();
}

status time_sequential(model_state& s) {
  s.choice = 0;
  s.fsmin = 10;
  s.fsmax = 400;
  s.fseq = s.fsmin;
  s.n_cycles = s.fseq;
  s.F = s.fseq;
  RETURN_IF_ERROR(set_rows(s, static_cast<std::int64_t>(s.division) * s.n_cycles, "a sequential sweep from"));
  s.T = 1 / s.F;
  s.delta = s.T / s.division;
  return status::success();
}
