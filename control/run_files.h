// The run's files: the parameter file opened first, the seven outputs
// created only once every input has been read and checked, and all of them
// closed in the program's fixed order.
#pragma once

#include "model/model_state.h"
#include "util/status.h"

status open_parameter_file(model_state& s);

// Creates (or truncates) x_vectors.csv, normalized_x_vectors.csv,
// v_vectors.csv, normalized_v_vectors.csv, dft_parameters.txt,
// matrices.csv and dft_sequential_calculation_result.csv.
status create_output_files(model_state& s);

// Closes input, the four histories, matrices, run parameters and the
// frequency response, in that order; reports the first failed write.
status close_run_files(model_state& s);
