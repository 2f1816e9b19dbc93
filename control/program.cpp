#include "control/program.h"

#include <memory>

#include "control/dialogue.h"
#include "control/processing_tail.h"
#include "control/run_checks.h"
#include "control/run_files.h"
#include "model/element_properties.h"
#include "model/matrix_assembly.h"
#include "model/parameters.h"
#include "simulation/time_stepping.h"

namespace {

// Every input is read and checked before the first output file is
// created, so a run that fails on its input leaves an earlier run's
// results as they were.
status read_inputs(model_state& s, std::FILE* answers) {
  RETURN_IF_ERROR(open_parameter_file(s));
  RETURN_IF_ERROR(load_parameters(s));
  RETURN_IF_ERROR(run_dialogue(s, answers));
  compute_element_properties(s);
  RETURN_IF_ERROR(check_element_properties(s));
  if (s.seqsw != 1) {
    RETURN_IF_ERROR(check_sequential_window(s));
  }
  return status::success();
}

status run(model_state& s, std::FILE* answers) {
  RETURN_IF_ERROR(read_inputs(s, answers));
  RETURN_IF_ERROR(create_output_files(s));
  if (s.seqsw != 1) write_sequential_header(s);

  print_element_tables(s);
  assemble_matrices(s);
  warn_if_unstable(s);
  if (s.seqsw != 1) warn_if_aliased(s);

  RETURN_IF_ERROR(results(s));
  RETURN_IF_ERROR(run_processing_tail(s));
  return close_run_files(s);
}

}  // namespace

int run_program(std::FILE* answers) {
  auto s = std::make_unique<model_state>();
  const status outcome = run(*s, answers);
  std::fflush(stdout);
  if (!outcome.ok()) {
    std::fprintf(stderr, "%s\n", outcome.message.c_str());
    return 1;
  }
  if (std::ferror(stdout)) {
    std::fprintf(stderr, "%s: cannot write to standard output\n", program_name);
    return 1;
  }
  return 0;
}
