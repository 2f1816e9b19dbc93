#include "control/steady_program.h"

#include <memory>
#include <vector>

#include "analysis/steady_state.h"
#include "control/dialogue.h"
#include "control/model_inputs.h"
#include "control/run_timing.h"
#include "model/matrix_assembly.h"
#include "model/natural_frequencies.h"

namespace {

void print_natural_frequencies(const model_state& s) {
  const std::vector<double> w = natural_angular_frequencies(s);
  if (w.empty()) {
    std::puts("natural frequencies: none (an element has no mass)");
    return;
  }
  std::puts("natural frequencies [Hz] (undamped, of M^-1 K):");
  for (std::size_t i = 0; i < w.size(); ++i) std::printf("  %zu\t%f\n", i + 1, w[i] / two_pi);
  const double limit = critical_time_step(s);
  // A sweep keeps the 10 Hz step 1 / (10 division) for every frequency.
  const double division = smallest_stable_division(10, limit);
  std::printf("stability limit of the explicit scheme: time step below %f s (w_max = %f rad/s)\n", limit, w.back());
  std::printf("smallest stable division: %.0f for a sequential sweep; F x division > %f for a sinusoid of F Hz\n",
              division, 1 / limit);
}

status run(model_state& s, std::FILE* answers, const reporter& report) {
  RETURN_IF_ERROR(load_model(s, report));
  token_reader in(answers);
  RETURN_IF_ERROR(ask_vector_sum_option(s, in));
  std::puts("");
  // The element checks of a sequential sweep, whose response this overlays.
  RETURN_IF_ERROR(time_sequential(s));
  RETURN_IF_ERROR(derive_checked_properties(s));
  assemble_matrices(s);
  print_natural_frequencies(s);
  RETURN_IF_ERROR(write_steady_state_files(s));
  std::puts("wrote steady_state_response.csv and steady_state_elements.csv (10 to 400 Hz)");
  return status::success();
}

}  // namespace

status run_steady_program(std::FILE* answers, const reporter& report) {
  auto s = std::make_unique<model_state>();
  return run(*s, answers, report);
}
