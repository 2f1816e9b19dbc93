#include "simulation/simulation_run.h"

#include <cstdio>

#include "simulation/history_files.h"
#include "simulation/signal_file.h"
#include "simulation/time_stepping.h"

status results(model_state& s) {
  RETURN_IF_ERROR(s.dft_v.open(signal_file_name));
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
  }

  RETURN_IF_ERROR(s.dft_v.close());
  for (text_file* history : {&s.displacement, &s.displacement_n, &s.velocity, &s.velocity_n}) {
    RETURN_IF_ERROR(history->flush());
  }
  return status::success();
}
