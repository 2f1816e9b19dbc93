#include "simulation/simulation_run.h"

#include <cstdio>

#include "simulation/history_files.h"
#include "simulation/history_pipeline.h"
#include "simulation/signal_file.h"
#include "simulation/time_stepping.h"
#include "util/output_set.h"

namespace {

// A run stops at the first failed write or interruption it sees. It looks
// for failed writes every 64 steps (a flag), so that with the rows still
// queued for the histories' worker (at most 960) it stops within 1024 steps
// of a failed write, and for signals every 1024 steps (a system call), a
// few milliseconds at most.
status check_writes(const model_state& s, const history_pipeline& histories) {
  RETURN_IF_ERROR(s.dft_v.write_status());
  return histories.write_status();
}

}  // namespace

status results(model_state& s, history_pipeline& histories) {
  RETURN_IF_ERROR(s.dft_v.open(output_set::working_name(signal_file_name)));
  if (s.seqsw == 1 && s.write_histories) write_history_headers(s);
  s.dft_v.put_int(s.n_rows);
  s.dft_v.put('\n');
  s.dft_v.put_fixed(s.delta);
  s.dft_v.put('\n');
  if (s.seqsw == 1) std::puts("Now recursive calculation process begins.");

  for (int k = 0; k <= s.n_rows; ++k) {
    advance(s, k);
    if (s.write_histories) histories.record();
    shift_state(s);
    s.dft_v.put_fixed(s.sumv);
    s.dft_v.put('\n');
    if ((k & 63) == 63) RETURN_IF_ERROR(check_writes(s, histories));
    if ((k & 1023) == 1023) RETURN_IF_ERROR(check_not_interrupted(s.signals));
  }
  RETURN_IF_ERROR(s.dft_v.close());
  RETURN_IF_ERROR(histories.end_of_run());
  return check_not_interrupted(s.signals);
}
