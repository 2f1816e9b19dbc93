#include "control/model_inputs.h"

#include "control/run_files.h"
#include "model/network_checks.h"
#include "model/parameters.h"
#include "util/message.h"

namespace {

void warn_about_trailing_values(model_state& s, const reporter& report) {
  const int trailing = count_trailing_values(s);
  if (trailing == 0) return;
  // Files may carry notes after the numbers; a miscounted branch count
  // shows here first.
  report.warning(message("%s: n = %d needs %d values; %d more follow and are ignored", parameter_file_name, s.n,
                         values_needed(s.n), trailing));
}

void warn_about_negative_damping(const model_state& s, const reporter& report) {
  for (int i = 0; i < s.ND; ++i) {
    if (s.C[i] < 0) {
      report.warning(
          message("%s: damping coefficient C[%d] = %g kg/s is negative: the network can gain energy, "
                  "and its response may grow without bound",
                  parameter_file_name, i, s.C[i]));
    }
  }
}

}  // namespace

status load_model(model_state& s, const reporter& report) {
  RETURN_IF_ERROR(open_parameter_file(s));
  RETURN_IF_ERROR(load_parameters(s));
  warn_about_trailing_values(s, report);
  warn_about_negative_damping(s, report);
  return status::success();
}

status derive_checked_properties(model_state& s) { return derive_checked_network(s); }
