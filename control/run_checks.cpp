#include "control/run_checks.h"

#include "analysis/signal_reader.h"
#include "model/natural_frequencies.h"
#include "model/network_checks.h"
#include "model/parameters.h"
#include "simulation/signal_file.h"
#include "util/message.h"

status check_analysis_window(const model_state& s) {
  const double printed = printed_time_step(s.delta);
  const double tw = analysis_window(s.n_rows, printed);
  if (window_has_whole_second(tw)) return status::success();
  const double cycles_last = s.n_cycles / s.F;
  if (s.seqsw == 1 && s.choice == 0 && !(cycles_last > 0.9)) {
    return status::error(
        message("a sinusoid at %g Hz runs %d whole cycles, %f s, too short for the analysis: "
                "expected a frequency whose whole cycles last longer than 0.9 s (a whole number "
                "of Hz lasts one second)",
                s.F, s.n_cycles, cycles_last));
  }
  return status::error(
      message("%s: division %d gives a time step of %.9f s, printed as %f in %s, so the analysed "
              "window of %d samples is %f s: expected a division whose printed step keeps the "
              "window longer than 0.9 s",
              parameter_file_name, s.division, s.delta, printed, signal_file_name, s.n_rows, tw));
}

std::string instability_warning(const model_state& s) {
  const int massless = massless_stiff_element(s);
  if (massless >= 0) {
    return message(
        "element %d (%s) has no mass but feels a stiffness: the explicit scheme is unstable on it at any "
        "time step, and the run may diverge: give it a length (the air mass of a real slot)",
        massless, element_name(s, massless).c_str());
  }
  const double limit = critical_time_step(s);
  if (!(limit > 0) || s.delta < limit) return "";
  return message(
      "time step %g s exceeds the stability limit %g s of the explicit scheme (highest natural "
      "frequency %g Hz); the run will diverge: a division of at least %.0f would be stable",
      s.delta, limit, 2 / limit / two_pi, smallest_stable_division(s.F, limit));
}

std::string aliasing_warning(const model_state& s) {
  const long long nyquist = 5LL * s.division;
  if (nyquist >= 400) return "";
  const long long first_aliased = nyquist + 1 < 10 ? 10 : nyquist + 1;
  return message(
      "every sweep run is sampled at %lld Hz, so from %lld Hz upwards the response is aliased; a "
      "division of 400 gives 400 Hz ten steps per period",
      10LL * s.division, first_aliased);
}
