#include "control/processing_tail.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "analysis/dft.h"
#include "model/matrix_report.h"
#include "simulation/signal_file.h"
#include "simulation/simulation_run.h"
#include "util/message.h"
#include "util/output_set.h"

namespace {

status open_signal(model_state& s) {
  s.dft_input = std::fopen(output_set::working_name(signal_file_name).c_str(), "r");
  if (!s.dft_input) {
    return status::error(message("cannot read %s: %s: expected the signal of the run just made", signal_file_name,
                                 std::strerror(errno)));
  }
  return status::success();
}

void close_signal(model_state& s) {
  if (s.dft_input) std::fclose(s.dft_input);
  s.dft_input = nullptr;
}

status analyse(model_state& s, status (*analysis)(model_state&)) {
  RETURN_IF_ERROR(open_signal(s));
  const status result = analysis(s);
  close_signal(s);
  return result;
}

status write_run_parameters(model_state& s) {
  text_file& out = s.dft_params;
  out.put("base frequency=");
  out.put_fixed(s.F);
  out.put("\nnumber_of_cycles=");
  out.put_int(s.n_cycles);
  out.put("\ndivision_per_cycle=");
  out.put_int(s.division);
  out.put("\ndelta=");
  out.put_fixed(s.delta);
  return out.flush();
}

status one_time_tail(model_state& s) {
  RETURN_IF_ERROR(write_run_parameters(s));
  std::printf("%f\t%d\t%d\t%f\n", s.F, s.n_cycles, s.division, s.delta);
  std::puts("Dynamic simulation became complete!");
  RETURN_IF_ERROR(matrices(s));
  std::puts("Matrces have been recorded.");
  std::puts(" Now DFT calculation begins");
  return analyse(s, dft);
}

status sequential_tail(model_state& s, history_pipeline& histories) {
  for (s.fseq = s.fsmin; s.fseq <= s.fsmax; ++s.fseq) {
    s.F = s.fseq;
    RETURN_IF_ERROR(results(s, histories));
    RETURN_IF_ERROR(analyse(s, point_dft));
  }
  return status::success();
}

}  // namespace

void write_sequential_header(model_state& s) { s.dft_seqoutput.put(spectrum_header); }

status run_processing_tail(model_state& s, history_pipeline& histories) {
  // An answer other than 0 and 1 got the sequential set-up but ends here
  // with the one-time tail.
  if (s.seqsw != 0) return one_time_tail(s);
  return sequential_tail(s, histories);
}
