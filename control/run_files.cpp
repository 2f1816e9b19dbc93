#include "control/run_files.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "analysis/dft.h"
#include "model/parameters.h"
#include "simulation/signal_file.h"
#include "util/message.h"
#include "util/output_set.h"

namespace {

const char* const history_names[] = {"x_vectors.csv", "normalized_x_vectors.csv", "v_vectors.csv",
                                     "normalized_v_vectors.csv"};
const char* const run_parameters_name = "dft_parameters.txt";
const char* const matrix_report_name = "matrices.csv";
const char* const response_name = "dft_sequential_calculation_result.csv";

status open_working(text_file& file, const char* name) { return file.open(output_set::working_name(name)); }

}  // namespace

status open_parameter_file(model_state& s) {
  s.input = std::fopen(parameter_file_name, "r");
  if (!s.input) {
    return status::error(message("cannot open %s: %s: expected the model's parameter file in the working folder",
                                 parameter_file_name, std::strerror(errno)));
  }
  return status::success();
}

std::vector<std::string> run_output_names(const model_state* s) {
  std::vector<std::string> names;
  if (!s || s->write_histories) names.assign(std::begin(history_names), std::end(history_names));
  for (const char* name : {run_parameters_name, matrix_report_name, response_name, signal_file_name}) {
    names.push_back(name);
  }
  // Only the one-time tail writes a spectrum; a sweep leaves an earlier one.
  if (!s || s->seqsw != 0) names.push_back(spectrum_file_name);
  return names;
}

std::string kept_histories_warning(const model_state& s) {
  if (s.write_histories) return "";
  std::string kept;
  for (const char* name : history_names) {
    if (access(name, F_OK) != 0) continue;
    kept += kept.empty() ? "" : ", ";
    kept += name;
  }
  if (kept.empty()) return "";
  return message("without histories, the earlier %s stay as they are: they are not this run's", kept.c_str());
}

status create_output_files(model_state& s) {
  text_file* histories[] = {&s.displacement, &s.displacement_n, &s.velocity, &s.velocity_n};
  for (int i = 0; i < 4 && s.write_histories; ++i) RETURN_IF_ERROR(open_working(*histories[i], history_names[i]));
  RETURN_IF_ERROR(open_working(s.dft_params, run_parameters_name));
  RETURN_IF_ERROR(open_working(s.matrix, matrix_report_name));
  return open_working(s.dft_seqoutput, response_name);
}

status close_run_files(model_state& s) {
  if (s.input) {
    std::fclose(s.input);
    s.input = nullptr;
  }
  status first = status::success();
  text_file* order[] = {&s.displacement, &s.displacement_n, &s.velocity,     &s.velocity_n,
                        &s.matrix,       &s.dft_params,     &s.dft_seqoutput};
  for (text_file* f : order) {
    status closed = f->close();
    if (first.ok()) first = closed;
  }
  return first;
}
