// The run's files: the parameter file opened first, and the outputs, which
// are created under their working names only once every input has been
// read and checked, and moved into place as a set when the run succeeded.
#pragma once

#include <string>
#include <vector>

#include "model/model_state.h"
#include "util/status.h"

status open_parameter_file(model_state& s);

// Every file a run of this mode leaves: the four histories, the run
// parameters, the matrix report, the frequency response, the signal and,
// in one-time processing, the spectrum; the histories only when written.
// Without a mode: every one.
std::vector<std::string> run_output_names(const model_state* s = nullptr);

// Without histories: the earlier histories that stay beside this run's
// files, named in a warning (empty when there are none).
std::string kept_histories_warning(const model_state& s);

// Creates (or truncates) the seven files that live for the whole run
// under their working names.
status create_output_files(model_state& s);

// Closes input, the four histories, matrices, run parameters and the
// frequency response, in that order; reports the first failed write.
status close_run_files(model_state& s);
