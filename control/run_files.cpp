#include "control/run_files.h"

#include <cerrno>
#include <cstring>

#include "model/parameters.h"
#include "util/message.h"

status open_parameter_file(model_state& s) {
  s.input = std::fopen(parameter_file_name, "r");
  if (!s.input) {
    return status::error(message("cannot open %s: %s: expected the model's parameter file in the working folder",
                                 parameter_file_name, std::strerror(errno)));
  }
  return status::success();
}

status create_output_files(model_state& s) {
  RETURN_IF_ERROR(s.displacement.open("x_vectors.csv"));
  RETURN_IF_ERROR(s.displacement_n.open("normalized_x_vectors.csv"));
  RETURN_IF_ERROR(s.velocity.open("v_vectors.csv"));
  RETURN_IF_ERROR(s.velocity_n.open("normalized_v_vectors.csv"));
  RETURN_IF_ERROR(s.dft_params.open("dft_parameters.txt"));
  RETURN_IF_ERROR(s.matrix.open("matrices.csv"));
  RETURN_IF_ERROR(s.dft_seqoutput.open("dft_sequential_calculation_result.csv"));
  return status::success();
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
