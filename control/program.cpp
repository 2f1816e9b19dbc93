#include "control/program.h"

#include <memory>

#include "control/dialogue.h"
#include "control/model_inputs.h"
#include "control/processing_tail.h"
#include "control/run_checks.h"
#include "control/run_files.h"
#include "control/setup_console.h"
#include "model/matrix_assembly.h"
#include "simulation/simulation_run.h"

namespace {

// Every input is read and checked before the first output file is
// created, so a run that fails on its input leaves an earlier run's
// results as they were.
status read_inputs(model_state& s, std::FILE* answers) {
  RETURN_IF_ERROR(load_model(s));
  print_parameters_loaded();
  RETURN_IF_ERROR(run_dialogue(s, answers));
  RETURN_IF_ERROR(derive_checked_properties(s));
  if (s.seqsw != 1) {
    RETURN_IF_ERROR(check_sequential_window(s));
  }
  return status::success();
}

void warn(const reporter& report, const std::string& warning) {
  if (!warning.empty()) report.warning(warning);
}

status run(model_state& s, std::FILE* answers, const reporter& report) {
  RETURN_IF_ERROR(read_inputs(s, answers));
  RETURN_IF_ERROR(create_output_files(s));
  if (s.seqsw != 1) write_sequential_header(s);

  print_element_tables(s);
  assemble_matrices(s);
  print_matrices_ready();
  warn(report, instability_warning(s));
  if (s.seqsw != 1) warn(report, aliasing_warning(s));

  RETURN_IF_ERROR(results(s));
  RETURN_IF_ERROR(run_processing_tail(s));
  return close_run_files(s);
}

}  // namespace

status run_simulation_program(std::FILE* answers, const reporter& report) {
  auto s = std::make_unique<model_state>();
  return run(*s, answers, report);
}
