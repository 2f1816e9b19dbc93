#include "control/model_inputs.h"

#include "control/run_files.h"
#include "model/element_properties.h"
#include "model/parameters.h"

status load_model(model_state& s) {
  RETURN_IF_ERROR(open_parameter_file(s));
  return load_parameters(s);
}

status derive_checked_properties(model_state& s) {
  derive_element_properties(s);
  RETURN_IF_ERROR(check_chamber_stiffnesses(s));
  return check_recursion_divisors(s);
}
