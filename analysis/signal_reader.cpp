#include "analysis/signal_reader.h"

#include <climits>
#include <cstdio>
#include <new>
#include <string>

#include "simulation/signal_file.h"
#include "util/message.h"
#include "util/token_reader.h"

namespace {

status signal_error(const std::string& what) {
  return status::error(message("%s: %s", signal_file_name, what.c_str()));
}

}  // namespace

status read_signal_header(model_state& s, bool announce) {
  if (!s.dft_input) return signal_error("cannot be read: expected the signal of the run just made");
  const int run_count = s.n_rows;
  const double run_step = printed_time_step(s.delta);
  token_reader in(s.dft_input);
  std::string text;
  read_result r = in.read_int(s.ndps, text);
  if (r != read_result::ok) {
    return signal_error(is_missing(r) ? "is empty: expected the sample count on line 1"
                                      : message("line 1 is %s: expected the sample count", quoted(text).c_str()));
  }
  if (announce) std::printf("number of data points =%d\n", s.ndps);
  if (s.ndps <= 0) {
    return signal_error(
        message("declares %d samples: expected at least 1 (a run of at least one whole cycle); no "
                "spectrum written",
                s.ndps));
  }
  if (s.ndps == INT_MAX) return signal_error("declares 2147483647 samples: expected fewer");
  r = in.read_real(s.delta, text);
  if (r != read_result::ok) {
    return signal_error(is_missing(r) ? "ends before the time step on line 2"
                                      : message("line 2 is %s: expected the time step", quoted(text).c_str()));
  }
  if (announce) std::printf("time resolution =%f\n", s.delta);
  if (s.ndps != run_count || s.delta != run_step) {
    return signal_error(
        message("declares %d samples of %f s, but the run wrote %d samples of %f s: expected the "
                "signal of the run just made",
                s.ndps, s.delta, run_count, run_step));
  }
  return status::success();
}

double analysis_window(int ndps, double delta) {
  double tw = ndps * delta;
  if (0.9 < tw && tw < 1.1) tw = 1.00001;
  return tw;
}

bool window_has_whole_second(double tw) { return tw >= 1 && tw < 2147483648.0; }

status compute_time_window(model_state& s) {
  s.tw = analysis_window(s.ndps, s.delta);
  if (!window_has_whole_second(s.tw)) {
    return signal_error(
        message("time window %f s (%d samples of %f s) has no whole second: expected a window "
                "longer than 0.9 s; no spectrum written",
                s.tw, s.ndps, s.delta));
  }
  s.t_window = static_cast<int>(s.tw);
  s.fres = 1.0 / s.t_window;
  return status::success();
}

status read_signal_samples(model_state& s) {
  s.np1 = s.ndps + 1;
  try {
    s.wave.assign(static_cast<std::size_t>(s.np1), 0.0);
    s.wave_weight.reserve(static_cast<std::size_t>(s.ndps));
  } catch (const std::bad_alloc&) {
    return signal_error(message("declares %d samples: more than memory can hold", s.ndps));
  }
  token_reader in(s.dft_input);
  std::string text;
  for (int k = 0; k < s.ndps; ++k) {
    const read_result r = in.read_real(s.vel, text);
    if (r != read_result::ok) {
      const std::string found = is_missing(r) ? "is missing" : message("is %s", quoted(text).c_str());
      return signal_error(message("sample %d of %d %s: expected one number per line", k + 1, s.ndps, found.c_str()));
    }
    s.wave[k] = s.vel;
  }
  s.delta_dft = 6.283184 / s.ndps;
  s.wave_weight.resize(static_cast<std::size_t>(s.ndps));
  for (int k = 0; k < s.ndps; ++k) s.wave_weight[k] = s.wave[k] * 2 * pi / s.ndps;
  return status::success();
}

void release_signal(model_state& s) {
  std::vector<double>().swap(s.wave);
  std::vector<double>().swap(s.wave_weight);
}
