// acoustic_steady: the exact steady-state response of the network in
// "parameters.txt" for every integer frequency from 10 to 400 Hz, its
// natural frequencies and the stability limit of the explicit scheme.
// Companion of acoustic_sim; its response file overlays the sweep's.
#include <cmath>
#include <cstdio>
#include <memory>

#include "analysis/steady_state.h"
#include "control/dialogue.h"
#include "control/run_files.h"
#include "model/element_properties.h"
#include "model/matrix_assembly.h"
#include "model/natural_frequencies.h"
#include "model/parameters.h"

namespace {

void print_natural_frequencies(const model_state& s) {
  const std::vector<double> f = natural_frequencies_hz(s);
  if (f.empty()) {
    std::puts("natural frequencies: none (an element has no mass)");
    return;
  }
  std::puts("natural frequencies [Hz] (undamped, of M^-1 K):");
  for (std::size_t i = 0; i < f.size(); ++i) std::printf("  %zu\t%f\n", i + 1, f[i]);
  const double w_max = f.back() * 2 * M_PI;
  const double limit = 2 / w_max;
  // A sweep keeps the 10 Hz step 1 / (10 division) for every frequency.
  const double division = smallest_stable_division(10, limit);
  std::printf("stability limit of the explicit scheme: time step below %f s (w_max = %f rad/s)\n", limit, w_max);
  std::printf("smallest stable division: %.0f for a sequential sweep; F x division > %f for a sinusoid of F Hz\n",
              division, 1 / limit);
}

status run(model_state& s) {
  RETURN_IF_ERROR(open_parameter_file(s));
  RETURN_IF_ERROR(read_parameters(s));
  token_reader answers(stdin);
  RETURN_IF_ERROR(ask_vector_sum_option(s, answers));
  std::puts("");
  compute_element_properties(s);
  assemble_stiffness(s);
  print_natural_frequencies(s);
  RETURN_IF_ERROR(write_steady_state_files(s));
  std::puts("wrote steady_state_response.csv and steady_state_elements.csv (10 to 400 Hz)");
  return status::success();
}

}  // namespace

int main() {
  program_name = "acoustic_steady";
  auto s = std::make_unique<model_state>();
  const status outcome = run(*s);
  std::fflush(stdout);
  if (!outcome.ok()) {
    std::fprintf(stderr, "%s\n", outcome.message.c_str());
    return 1;
  }
  return 0;
}
