#include "control/run_checks.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "analysis/signal_reader.h"
#include "model/fixed_format.h"
#include "model/natural_frequencies.h"

double printed_time_step(double delta) {
  char text[fixed6_max_chars + 1];
  text[format_fixed6(delta, text)] = '\0';
  return std::strtod(text, nullptr);
}

status check_sequential_window(const model_state& s) {
  const double printed = printed_time_step(s.delta);
  const double tw = analysis_window(s.n_rows, printed);
  if (window_has_whole_second(tw)) return status::success();
  char line[400];
  std::snprintf(line, sizeof line,
                "%s: parameters.txt: division %d gives a time step of %.9f s, printed as %f in dftv.txt, so "
                "each sweep run's window of %d samples is %f s: expected a division whose printed step keeps "
                "the window at 0.9 s or more (at most 100000)",
                program_name, s.division, s.delta, printed, s.n_rows, tw);
  return status::error(line);
}

void warn_if_unstable(const model_state& s) {
  const double limit = critical_time_step(s);
  if (!(limit > 0) || s.delta < limit) return;
  const double needed = smallest_stable_division(s.F, limit);
  std::fprintf(stderr,
               "%s: warning: time step %g s exceeds the stability limit %g s of the explicit scheme "
               "(highest natural frequency %g Hz); the run will diverge: a division of at least %.0f "
               "would be stable\n",
               program_name, s.delta, limit, 2 / limit / two_pi, needed);
}

void warn_if_aliased(const model_state& s) {
  const long long nyquist = 5LL * s.division;
  if (nyquist >= 400) return;
  const long long first_aliased = nyquist + 1 < 10 ? 10 : nyquist + 1;
  std::fprintf(stderr,
               "%s: warning: every sweep run is sampled at %lld Hz, so from %lld Hz upwards the response is "
               "aliased; a division of 400 gives 400 Hz ten steps per period\n",
               program_name, 10LL * s.division, first_aliased);
}
