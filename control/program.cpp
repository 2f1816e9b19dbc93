#include "control/program.h"

#include <memory>

#include "control/dialogue.h"
#include "control/model_inputs.h"
#include "control/processing_tail.h"
#include "control/run_checks.h"
#include "control/run_files.h"
#include "control/setup_console.h"
#include "simulation/history_pipeline.h"
#include "simulation/simulation_run.h"
#include "util/folder_lock.h"
#include "util/output_set.h"
#include "util/signal_guard.h"

namespace {

// Every input is read and checked, and every failure that can be known
// before the run is found, before the first output file is created.
status read_inputs(model_state& s, std::FILE* answers, const reporter& report) {
  RETURN_IF_ERROR(load_model(s, report));
  print_parameters_loaded();
  RETURN_IF_ERROR(run_dialogue(s, answers));
  RETURN_IF_ERROR(derive_checked_properties(s));
  return check_analysis_window(s);
}

void warn(const reporter& report, const std::string& warning) {
  if (!warning.empty()) report.warning(warning);
}

// The run itself, into the working files.
status simulate_and_analyse(model_state& s, const reporter& report) {
  RETURN_IF_ERROR(create_output_files(s));
  if (s.seqsw != 1) write_sequential_header(s);

  print_element_tables(s);
  print_matrices_ready();
  warn(report, instability_warning(s));
  if (s.seqsw != 1) warn(report, aliasing_warning(s));

  // The histories' worker (if any) formats while the analysis and the
  // following runs go on; its files are handed back before they close.
  history_pipeline histories(s);
  RETURN_IF_ERROR(results(s, histories));
  RETURN_IF_ERROR(run_processing_tail(s, histories));
  RETURN_IF_ERROR(histories.finish());
  return close_run_files(s);
}

// All or nothing: the new files replace the earlier ones only when the
// whole run has succeeded; otherwise they are removed.
status run(model_state& s, std::FILE* answers, const reporter& report) {
  folder_lock lock;
  RETURN_IF_ERROR(lock.acquire("acoustic_sim"));
  output_set(run_output_names()).discard();  // what a killed run left
  RETURN_IF_ERROR(read_inputs(s, answers, report));
  const output_set outputs(run_output_names(&s));
  RETURN_IF_ERROR(outputs.check_replaceable());
  warn(report, kept_histories_warning(s));

  const signal_guard signals;
  s.signals = &signals;
  status outcome = simulate_and_analyse(s, report);
  if (outcome.ok()) outcome = check_not_interrupted(&signals);
  if (outcome.ok()) outcome = outputs.commit();
  if (!outcome.ok()) {
    close_run_files(s);
    outputs.discard();
  }
  s.signals = nullptr;
  return outcome;
}

}  // namespace

status run_simulation_program(std::FILE* answers, const sim_options& options, const reporter& report) {
  auto s = std::make_unique<model_state>();
  s->threads = options.threads;
  s->write_histories = options.histories;
  return run(*s, answers, report);
}
