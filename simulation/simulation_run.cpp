#include "simulation/simulation_run.h"

#include <cstdio>

#include "simulation/history_files.h"
#include "simulation/signal_file.h"
#include "simulation/time_stepping.h"
#include "util/output_set.h"

namespace {

// A run stops at the first failed write or interruption it sees; it looks
// every 1024 steps, a few milliseconds at most.
status check_going(model_state& s) {
  RETURN_IF_ERROR(check_not_interrupted(s.signals));
  for (const text_file* f : {&s.dft_v, &s.displacement, &s.displacement_n, &s.velocity, &s.velocity_n}) {
    RETURN_IF_ERROR(f->write_status());
  }
  return status::success();
}

}  // namespace

status results(model_state& s) {
  RETURN_IF_ERROR(s.dft_v.open(output_set::working_name(signal_file_name)));
  if (s.seqsw == 1) write_history_headers(s);
  s.dft_v.put_int(s.n_rows);
  s.dft_v.put('\n');
  s.dft_v.put_fixed(s.delta);
  s.dft_v.put('\n');
  if (s.seqsw == 1) std::puts("Now recursive calculation process begins.");

  for (int k = 0; k <= s.n_rows; ++k) {
    advance(s, k);
    write_history_row(s);
    shift_state(s);
    s.dft_v.put_fixed(s.sumv);
    s.dft_v.put('\n');
    if ((k & 1023) == 1023) RETURN_IF_ERROR(check_going(s));
  }

  RETURN_IF_ERROR(s.dft_v.close());
  for (text_file* history : {&s.displacement, &s.displacement_n, &s.velocity, &s.velocity_n}) {
    RETURN_IF_ERROR(history->flush());
  }
  return check_not_interrupted(s.signals);
}
